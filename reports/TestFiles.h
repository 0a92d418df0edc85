#pragma once

#include "reports/DetailReport.h"

#include <QByteArray>
#include <QLocale>

struct OpenedTest;

// The files of an open test that the Reports menu, r7716-cli and the lab monitor all write, each made in
// this one place so that no writer of them leaves out what the others put in (the readings excluded from
// the fits, the acceptance criteria).
namespace reports {

// The CSV export: every reading, and the column of why a reading is excluded when the test has any.
QByteArray TestCsv(const OpenedTest& test);

// The detail data report of the test from what its query read (detail_report_query::Read of the test's
// key), with the excluded readings and the criteria after the last reading.
DetailReportContent TestDetailReport(const detail_report_query::Result& data, const OpenedTest& test,
                                     const QLocale& locale = QLocale::system());

}  // namespace reports
