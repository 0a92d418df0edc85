#include "reports/ui/TestReportMaker.h"

#include "analysis/ChosenRates.h"
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
    const LabSettings lab = LabSettings::read(LabSettings::pathBeside(request.settingsPath));
    outcome.problems << lab.problems;
    TestReportOptions options;
    options.unitSystem = request.unitSystem;
    options.models = request.models.value_or(lab.models);
    options.locale = request.locale;
    if (options.models) {
        const ChosenRates rates =
            ChosenRates::read(QFileInfo(request.settingsPath)
                                  .absoluteDir()
                                  .absoluteFilePath(QString::fromLatin1(ChosenRates::kFileName)));
        options.rates = rates.rates;
        outcome.problems << rates.problems;
    }
    const QPicture chart = RecordTimeChart(test, request.unitSystem, messenger);
    const TestReportContent content = GatherTestReport(connection, test, lab, options);
    const TestReportWritten written = WriteTestReportPdf(request.path, content, chart);
    outcome.error = written.error;
    outcome.pages = written.pages;
    return outcome;
}

}  // namespace reports
