#include "reports/ui/TestReportMaker.h"

#include "analysis/OpenTest.h"
#include "analysis/ui/ChartView.h"
#include "reports/LabSettings.h"
#include "reports/TestReport.h"

#include <QDir>
#include <QFileInfo>

namespace reports {

QPicture RecordTimeChart(const OpenedTest& test, UnitSystem unitSystem, Messenger& messenger) {
    ChartView view(messenger);
    view.ShowOpenedTest(test, unitSystem);
    QPicture picture;
    if (!view.RecordPicture(picture, kTimeChartSize.toSize())) return QPicture();
    return picture;
}

TestReportOutcome MakeTestReport(clsConnection& connection, const OpenedTest& test,
                                 const TestReportRequest& request, Messenger& messenger) {
    TestReportOutcome outcome;
    const TestReportSetup setup =
        ReadTestReportSetup(request.settingsPath, request.unitSystem, request.models, request.locale);
    outcome.problems << setup.problems;
    const QPicture chart = RecordTimeChart(test, request.unitSystem, messenger);
    const TestReportContent content = GatherTestReport(connection, test, setup.lab, setup.options);
    const TestReportWritten written = WriteTestReportPdf(request.path, content, chart);
    outcome.error = written.error;
    outcome.pages = written.pages;
    return outcome;
}

}  // namespace reports
