#include "reports/TestFiles.h"

#include "analysis/OpenTest.h"
#include "reports/ReadingsCsv.h"
#include "reports/ReportCommon.h"

namespace reports {

QByteArray TestCsv(const OpenedTest& test) {
    return ReadingsCsv(test.readings, ExclusionReasons(test));
}

DetailReportContent TestDetailReport(const detail_report_query::Result& data, const OpenedTest& test,
                                     const QLocale& locale) {
    return BuildDetailReport(data, locale, NotesBlock(ReportTables::of(test)));
}

}  // namespace reports
