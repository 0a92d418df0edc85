#pragma once

#include "reports/ReportCommon.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QStringList>

// The brief report: the descriptive data of the open test, its additives and one line of fitted results
// per shear ramp, as plain text lines. It computes nothing; it reads the test row and the two tables as
// the main window shows them.
namespace reports {

enum class BriefVariant {
    SavedFile,  // Brief Save
    Printed,    // Brief Print: two labels differ and the results break pages
};

struct BriefReport {
    QStringList lines;
    // Printed variant: indexes of the lines after which a new page starts (after the result lines of grid
    // rows 39, 79, ...). Empty for the saved file.
    QList<int> pageBreaksAfter;
    // Characters of the widest line of the results block (headers and result lines): a printed page must
    // hold this many columns for the table to stay whole.
    int tableWidth = 0;
};

// The locale gives the general date-and-time form of the test time and the decimal separator of the
// result numbers.
BriefReport BuildBriefReport(const ReportTables& tables, BriefVariant variant,
                             const QLocale& locale = QLocale::system());

// The additive line of one additive-table row and the result line of one results-table row.
QString BriefAdditiveLine(const QStringList& cells, QChar decimalSeparator);
QString BriefResultLine(const QStringList& cells, QChar decimalSeparator);

// The lines as the file holds them: each line followed by carriage return and line feed, UTF-8.
QByteArray BriefReportBytes(const QStringList& lines);

}  // namespace reports
