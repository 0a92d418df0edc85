// The exports of a test of 100,000 readings, from the open test as the main window holds it: the detail
// workbook (targets: under 3 s), the Halliburton file (under 1 s) and the CSV file (under 1 s). The detail
// data report's PDF is timed too, for information. Each figure is the median of a few rounds, in wall-clock
// time and in processor time of the program (the latter says what the code costs on a machine busy with
// other work). Arguments choose
// some of them by a word of their title ("excel", "halliburton", "csv", "pdf").

#include "analysis/OpenTest.h"
#include "common/Messenger.h"
#include "reports/DetailReport.h"
#include "reports/HalliburtonFile.h"
#include "reports/ReadingsCsv.h"
#include "reports/ReportCommon.h"
#include "reports/WorkbookFile.h"
#include "store/DetailReportQuery.h"
#include "store/NewTest.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int kReadings = 100000;
constexpr int kRounds = 5;
const QString kTestName = QStringLiteral("Bench 100k");

class SilentMessenger : public Messenger {
  public:
    void info(const QString&, const QString&, MsgIcon) override {}
    bool okCancel(const QString&, const QString&, MsgIcon) override { return true; }
    bool yesNo(const QString&, const QString&, MsgIcon) override { return true; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return {}; }
};

// Temperature steps of 1,000 readings one second apart, each ending with an eight-rate shear ramp, with
// values of many digits as a live run stores them.
void storeBenchTest(clsConnection& connection) {
    clsTEST_INFO info;
    info.ConnectX(connection);
    info.SetDefaults();
    info.setTEST_NAME(kTestName);
    info.setSAFETY(QStringLiteral("Benchmark test"));
    const QList<NewAdditive> additives{
        {QStringLiteral("Guar"), 40, QStringLiteral("lb/Mgal"), QStringLiteral("G1")},
        {QStringLiteral("Borate"), 1.5, QStringLiteral("gal/Mgal"), QStringLiteral("B2")}};
    const double rates[] = {511, 340, 170, 100, 75, 50, 25, 170};
    constexpr int kPerStep = 1000;
    std::vector<Reading> readings;
    readings.reserve(kReadings);
    for (int i = 0; i < kReadings; ++i) {
        const int step = i / kPerStep;
        const int within = i % kPerStep;
        const bool ramp = within >= kPerStep - 8;
        const double rate = ramp ? rates[within - (kPerStep - 8)] : 100.0 + 0.1 * std::sin(i);
        const double temp = 75 + std::min(275.0, step * 3.0) + 0.3 * std::sin(i * 0.1);
        const double k = 40.0 * std::exp(-0.008 * (temp - 75)) * std::exp(-i / 200000.0);
        readings.push_back({double(step + 1), ramp ? double(within - (kPerStep - 8) + 1) : 0.0, double(i),
                            temp, 400 + 0.8 * (temp - 75), rate,
                            k * std::pow(rate, 0.55) * (1 + 0.01 * std::sin(i)), ramp ? 1.0 : 0.0,
                            temp + 4.0 / 3.0});
    }
    StoreNewTest(connection, info, additives, readings);
}

// The exports named on the command line (a word of their title, e.g. "Excel", "CSV"); all when none is.
QStringList chosen;
bool wanted(const char* what) {
    if (chosen.isEmpty()) return true;
    for (const QString& word : chosen)
        if (QString::fromLatin1(what).contains(word, Qt::CaseInsensitive)) return true;
    return false;
}

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median time of the job in ms; false when any round failed.
bool timed(const char* what, const std::function<QString()>& job, const QString& file, double target_ms) {
    if (!wanted(what)) return true;
    std::vector<double> times, cpuTimes;
    QElapsedTimer timer;
    for (int round = 0; round < kRounds; ++round) {
        timer.start();
        const std::clock_t cpuStart = std::clock();
        const QString error = job();
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpuTimes.push_back(double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s failed: %s\n", what, qPrintable(error));
            return false;
        }
    }
    const double ms = medianOf(times);
    std::printf("%-38s %7.0f ms (CPU %5.0f ms, %4.1f MB)", what, ms, medianOf(cpuTimes),
                QFileInfo(file).size() / 1e6);
    if (target_ms > 0)
        std::printf("  target < %.0f ms: %s\n", target_ms, ms < target_ms ? "met" : "NOT MET");
    else
        std::printf("\n");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // The detail report draws text; it needs fonts, not a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    chosen = app.arguments().mid(1);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    SilentMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();
    if (!connection.IsOpen()) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(connection.LastError()));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    storeBenchTest(connection);
    std::printf("stored %d readings in %.0f ms\n", kReadings, double(timer.elapsed()));
    timer.restart();
    const OpenedTest test = OpenStoredTest(connection, kTestName, ChartDataOption::All, UnitSystem::CGS);
    if (test.readings.size() != std::size_t(kReadings)) {
        std::fprintf(stderr, "the bench test did not open whole\n");
        return 1;
    }
    std::printf("opened in %.0f ms: %zu readings, %d result rows\n\n", double(timer.elapsed()),
                test.readings.size(), test.results.gridRows() - 1);

    const reports::ReportTables tables = reports::ReportTables::of(test);
    const QString xlsx = dir.filePath(QStringLiteral("detail.xlsx"));
    const QString csv = dir.filePath(QStringLiteral("readings.csv"));
    const QString pdf = dir.filePath(QStringLiteral("detail.pdf"));
    const QString halliburtonFile = dir.filePath(reports::HalliburtonFileName(kTestName).fileName);
    bool ok = true;
    ok &= timed(
        "Detail Excel (write .xlsx)",
        [&] {
            return reports::WriteWorkbookFile(xlsx, reports::WorkbookKind::Detail, tables, test.readings);
        },
        xlsx, 3000);
    ok &= timed(
        "Halliburton file",
        [&] {
            return reports::WriteHalliburtonFile(
                       QDir(dir.path()), test.name,
                       reports::ValueOf(test.testInfoRow, reports::TEST_TIME).toDateTime(),
                       test.shearRateFactor, test.readings)
                .error;
        },
        halliburtonFile, 1000);
    ok &= timed(
        "CSV file", [&] { return reports::WriteWholeFile(csv, reports::ReadingsCsv(test.readings)); }, csv,
        1000);
    ok &= timed(
        "Detail report PDF (query and pages)",
        [&] {
            const auto data = detail_report_query::Read(connection, test.testId);
            return reports::WriteDetailReportPdf(pdf, reports::BuildDetailReport(data));
        },
        pdf, 0);
    return ok ? 0 : 1;
}
