#pragma once

#include "common/UnitSystem.h"
#include "reports/LabSettings.h"

#include <QImage>
#include <QList>
#include <QLocale>
#include <QPageSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

#include <vector>

class QPicture;
class clsConnection;
struct OpenedTest;

// The test report labs send their clients: one PDF of a test with the lab's header, the test's data and
// additives, the "Visc, Temp Vs Time" chart, the results table (and the extended models when chosen), the
// acceptance criteria, the excluded readings and the unit's calibration.
//
// Threads: GatherTestReport reads the database through the connection it is given, and WriteTestReportPdf
// draws with fonts but no widgets, so both run on any thread of a program that has a QGuiApplication (a
// worker thread with a connection of its own, when a run ends). The chart is the one thing made with
// widgets: it is recorded as a QPicture on the GUI thread beforehand (reports/ui/TestReportChart.h).
namespace reports {

inline constexpr const char* kTestReportTitle = "Rheology Test Report";
inline constexpr const char* kTimeChartTitle = "Visc, Temp Vs Time";

// A table of the report as cells: the header (a line break inside a cell is a carriage return) and rows.
struct ReportTable {
    enum class Tone { Plain, Pass, Fail };

    QString title;
    QStringList header;
    QList<QStringList> rows;
    // Per row: the cell from which the rest of the row is one cell (a reason in words), or -1.
    QList<int> spanFrom;
    // Per row: the colour of its last cell (PASS in green, FAIL in red).
    QList<Tone> tones;
    // The column holding words (a reason, a criterion): it wraps and takes the width left over; -1 none.
    int wrapColumn = -1;
    // Columns of text, aligned left; numbers are aligned right.
    QList<int> textColumns;
    // Said in the table's place when it has no row.
    QString none;

    void addRow(const QStringList& cells, int span = -1, Tone tone = Tone::Plain) {
        rows << cells;
        spanFrom << span;
        tones << tone;
    }
};

// A labelled value of the test's data; a wide one takes the whole line.
struct ReportField {
    QString label;
    QString value;
    bool wide = false;
};

// Everything the report shows, as texts: made by GatherTestReport, drawn by WriteTestReportPdf.
struct TestReportContent {
    // The lab's header; none when lab.txt gives nothing.
    QString labName;
    QStringList labAddress;
    QImage logo;
    QPageSize::PageSizeId paper = QPageSize::A4;

    QString title;
    QString testName;
    QList<ReportField> fields;
    QString description;
    ReportTable additives;
    QString chartTitle;
    ReportTable results;
    QList<ReportTable> models;  // empty unless the extended models were chosen
    ReportTable criteria;
    ReportTable exclusions;
    QString calibrationTitle;
    QString calibration;  // the unit's calibration in words
    // The foot of every page, beside "Page n of m": the program's version, the database, when it was made.
    QString footer;
};

struct TestReportOptions {
    UnitSystem unitSystem = UnitSystem::CGS;
    bool models = false;        // add the Bingham and Herschel-Bulkley tables
    std::vector<double> rates;  // the chosen shear rates of the models' viscosity columns
    QLocale locale = QLocale::system();
};

// The report of an opened test: its data, tables and criteria as the main window holds them (the results
// table built as the window builds it, in the options' unit system), the lab's header, and what only the
// database knows: which unit recorded the test and that unit's calibration. Throws StoreError.
TestReportContent GatherTestReport(clsConnection& connection, const OpenedTest& test, const LabSettings& lab,
                                   const TestReportOptions& options);

// What a report is made with besides the test: lab.txt and, for the models, rates.txt beside the settings
// file at settingsPath ("initial.txt"). models: the extended models; as lab.txt says when not given.
struct TestReportSetup {
    LabSettings lab;
    TestReportOptions options;
    // Lines of lab.txt or rates.txt that were left out, a logo that could not be read.
    QStringList problems;
};
TestReportSetup ReadTestReportSetup(const QString& settingsPath, UnitSystem unitSystem,
                                    std::optional<bool> models, const QLocale& locale = QLocale::system());

// The chart as the report draws it: recorded at this size (logical pixels), drawn scaled into a box of
// the same shape across the page.
inline constexpr QSizeF kTimeChartSize{800, 450};

struct TestReportWritten {
    QString error;  // the system's reason when the file was not written; empty when it was
    int pages = 0;
};

// Lays the report out on A4 or Letter (portrait) and writes it as a PDF file whole or not at all (the file
// there before stays untouched on failure). The chart was recorded at kTimeChartSize; an empty picture
// leaves its place saying so.
TestReportWritten WriteTestReportPdf(const QString& path, const TestReportContent& content,
                                     const QPicture& chart);

}  // namespace reports
