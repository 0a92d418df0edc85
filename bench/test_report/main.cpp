// The test report (PDF) of a test of 100,000 readings (target: under 3 s), made as the window's "Test
// Report..." makes it: the chart recorded by the main window's chart view, the report gathered from the
// open test and the database, the pages laid out and written. Each figure is the median of five rounds,
// after the test was opened once as the main window opens it; the parts are timed apart as well. Runs
// offscreen (the chart view needs the window system, not a display).

#include "../open_test/LongTest.h"
#include "analysis/OpenTest.h"
#include "reports/LabSettings.h"
#include "reports/TestReport.h"
#include "reports/ui/TestReportMaker.h"
#include "store/clsConnection.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPicture>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRounds = 5;

// Median wall-clock time of the job in ms.
double timed(const std::function<void()>& job) {
    std::vector<double> times;
    QElapsedTimer timer;
    for (int round = 0; round < kRounds; ++round) {
        timer.start();
        job();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    long_test::SilentMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();
    if (!connection.IsOpen()) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(connection.LastError()));
        return 1;
    }
    long_test::store(connection);
    QElapsedTimer timer;
    timer.start();
    const OpenedTest test =
        OpenStoredTest(connection, long_test::kName, ChartDataOption::All, UnitSystem::CGS);
    if (test.readings.size() != std::size_t(long_test::kReadings)) {
        std::fprintf(stderr, "the bench test did not open whole\n");
        return 1;
    }
    std::printf("opened in %.0f ms: %zu readings, %zu ramps\n\n", double(timer.elapsed()),
                test.readings.size(), test.fits.size());

    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    reports::TestReportRequest request;
    request.path = path;
    request.settingsPath = dir.filePath(QStringLiteral("initial.txt"));
    bool ok = true;
    const auto report = [&](bool models) {
        request.models = models;
        const reports::TestReportOutcome outcome =
            reports::MakeTestReport(connection, test, request, messenger);
        if (!outcome.error.isEmpty()) {
            std::fprintf(stderr, "the report failed: %s\n", qPrintable(outcome.error));
            ok = false;
        }
        return outcome.pages;
    };
    int pages = 0;
    const double whole = timed([&] { pages = report(false); });
    std::printf("%-44s %7.0f ms (%d pages, %.2f MB)  target < 3000 ms: %s\n",
                "test report (chart, gather, write)", whole, pages, QFileInfo(path).size() / 1e6,
                whole < 3000 ? "met" : "NOT MET");
    const double withModels = timed([&] { pages = report(true); });
    std::printf("%-44s %7.0f ms (%d pages)\n", "the same with the extended models", withModels, pages);

    QPicture chart;
    const double charting =
        timed([&] { chart = reports::RecordTimeChart(test, UnitSystem::CGS, messenger); });
    reports::TestReportContent content;
    const double gathering = timed([&] {
        content = reports::GatherTestReport(connection, test, LabSettings(), reports::TestReportOptions());
    });
    const double writing =
        timed([&] { ok &= reports::WriteTestReportPdf(path, content, chart).error.isEmpty(); });
    std::printf("  of which: chart %.0f ms, gather %.0f ms, layout and write %.0f ms\n", charting, gathering,
                writing);
    return ok ? 0 : 1;
}
