#pragma once

#include "analysis/RampFit.h"
#include "reports/ReportCommon.h"

#include <QLocale>
#include <QString>

#include <array>
#include <span>
#include <vector>

// The cells of the brief and detail workbooks: the descriptive data, the additives and the results of the
// open test (both), then every reading with its viscosity (detail). Rows and columns count from 1.
namespace reports {

enum class WorkbookKind { Brief, Detail };

// Where the cells go: a workbook file, or a test's memory.
class CellSink {
  public:
    virtual ~CellSink() = default;
    virtual void text(int row, int column, const QString& value) = 0;
    virtual void number(int row, int column, double value) = 0;
};

// The page setup of the sheet.
struct SheetSetup {
    int lastRow = 0;  // the last row written
    // Rows repeated at the top of every printed page: the results header, or in the detail workbook the
    // readings header, so that every page of numbers says what its columns are.
    int printTitleFirstRow = 0;
    int printTitleLastRow = 0;
    bool landscape = true;
    bool fitToPages = true;  // scaled to fit, not zoomed
    int fitPagesWide = 1;
    int fitPagesTall = 10;
};

// The readings block's header; the CSV export uses the same columns.
inline constexpr std::array<const char*, 10> kReadingsHeader = {
    "Ramp NO",          "Ramp Step No",           "Time (Min)",  "Sample Temp(°F)", "Pressure (Psi)",
    "Shear Rate (1/S)", "Shear Stress (dyn/cm2)", "Result Type", "Bath Temp",       "Viscosity (cP)"};

// The ten values of a reading's row in the readings block (time in minutes, the export viscosity).
std::array<double, 10> ReadingsBlockRow(const Reading& reading);

// Writes every cell of the workbook into the sink and returns its page setup. The locale gives the
// general date-and-time form of the test time.
SheetSetup WriteWorkbookCells(CellSink& sink, WorkbookKind kind, const ReportTables& tables,
                              std::span<const Reading> readings, const QLocale& locale = QLocale::system());

// The sheets after the designed one: the readings excluded from the fits and the acceptance criteria,
// each when the test has any: its title in row 1, one line a row below it, in column 1.
struct NotesSheet {
    QString name;   // of the sheet
    QString title;  // its first row
    QStringList lines;
};
std::vector<NotesSheet> NotesSheets(const ReportTables& tables);
void WriteNotesCells(CellSink& sink, const NotesSheet& sheet);

}  // namespace reports
