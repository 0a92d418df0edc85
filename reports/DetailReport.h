#pragma once

#include "store/DetailReportQuery.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class QPagedPaintDevice;
class QPainter;

// The detail data report: the test's descriptive data, then every reading (ramp by ramp, step by step, in
// time order within a step) with its viscosity and the dial reading of a FANN 35 viscometer with F1 spring.
namespace reports {

inline constexpr const char* kDetailReportTitle = "R8830 Viscosity Test Report";
inline constexpr const char* kMakerCourtesy = "Courtesy By Tavik Instrument Company";
// The same domain as the sales address of the About box.
inline constexpr const char* kMakerWebAddress = "www.r7716-instruments.example";

struct DetailReportContent {
    static constexpr int kColumns = 11;

    QString title;
    // The test header's labelled fields in order; the last is the description.
    QList<std::pair<QString, QString>> fields;
    QStringList headings;  // of the detail columns
    std::vector<detail_report_query::Row> readings;
    // Lines after the last reading, across the page: the readings excluded from the fits and the
    // acceptance criteria (reports::NotesBlock); none for a test that has neither.
    QStringList notes;
    QString footer;  // the report footer, after the last reading and the notes

    // The eleven texts of a reading's detail line: stored values in their default text form.
    QStringList rowCells(std::size_t reading) const;
};

// The report of a test from what the report's two selections read. The locale gives the general
// date-and-time form of the test time.
DetailReportContent BuildDetailReport(const detail_report_query::Result& data,
                                      const QLocale& locale = QLocale::system(),
                                      const QStringList& notes = {});

// Draws the report on the device the painter is active on: the title on the first page, the test header,
// the column headings at the top of every page, the detail lines, the footer after the last line and the
// page number at the foot of every page. `progress`, when given, is told each page before it is drawn
// (page from 0, and the page count) and stops the drawing by returning false. Returns the number of pages
// drawn.
int PaintDetailReport(QPainter& painter, QPagedPaintDevice& device, const DetailReportContent& content,
                      const std::function<bool(int page, int pages)>& progress = {});

// The page the report is laid out on unless the operator chooses another: landscape, A4 or, where the
// locale measures in inches, Letter.
void SetDetailReportPage(QPagedPaintDevice& device, const QLocale& locale = QLocale::system());

// Writes the report as a PDF file (the file there before stays untouched on failure). Returns the
// description of a failure, empty on success.
QString WriteDetailReportPdf(const QString& path, const DetailReportContent& content,
                             const QLocale& locale = QLocale::system());

}  // namespace reports
