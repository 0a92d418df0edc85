// Opening a stored test of 100,000 readings: the whole open operation of the main window without its
// widgets (list check, test row, one read of the readings, every ramp fitted, results cells and chart
// arrays) against a bare read of the same rows with the same statement. Target: under 300 ms and within
// twice the bare read.

#include "analysis/OpenTestSession.h"
#include "common/Messenger.h"
#include "common/Settings.h"
#include "store/NewTest.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"
#include "store/clsTEST_RESULT.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kReadings = 100000;
constexpr int kRepeats = 7;
const QString kTestName = QStringLiteral("Bench 100k");

class SilentMessenger : public Messenger {
  public:
    void info(const QString&, const QString&, MsgIcon) override {}
    bool okCancel(const QString&, const QString&, MsgIcon) override { return true; }
    bool yesNo(const QString&, const QString&, MsgIcon) override { return true; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return {}; }
};

// A long test: temperature steps of 1,000 readings each, one second apart; each step ends with an
// eight-rate shear ramp.
void storeBenchTest(clsConnection& connection) {
    clsTEST_INFO info;
    info.ConnectX(connection);
    info.SetDefaults();
    info.setTEST_NAME(kTestName);
    const double rates[] = {511, 340, 170, 100, 75, 50, 25, 170};
    constexpr int kPerStep = 1000;
    std::vector<Reading> readings(kReadings);
    for (int i = 0; i < kReadings; ++i) {
        const int step = i / kPerStep;
        const int within = i % kPerStep;
        const bool ramp = within >= kPerStep - 8;
        const double rate = ramp ? rates[within - (kPerStep - 8)] : 100.0;
        const double temp = 75 + std::min(275.0, step * 3.0) + 0.3 * std::sin(i * 0.1);
        const double k = 40.0 * std::exp(-0.008 * (temp - 75)) * std::exp(-i / 200000.0);
        Reading& r = readings[i];
        r.rampNo = step + 1;
        r.rampStepNo = ramp ? within - (kPerStep - 8) + 1 : 0;
        r.time_s = i;
        r.sampleTemp_F = temp;
        r.pressure_psi = 400 + 0.8 * (temp - 75);
        r.shearRate_1ps = rate;
        r.shearStress_dyncm2 = k * std::pow(rate, 0.55) * (1 + 0.01 * std::sin(i));
        r.typeId = ramp ? 1 : 0;
        r.bathTemp_F = temp + 4;
    }
    StoreNewTest(connection, info, {}, readings);
}

// The same rows with the same statement, straight from the engine into an array of doubles.
std::size_t bareRead(clsConnection& connection, int testId) {
    QSqlQuery query(connection.ADOConnection());
    query.setForwardOnly(true);
    query.prepare(QString::fromLatin1(clsTEST_RESULT::kSelectSql));
    query.addBindValue(double(testId));
    query.exec();
    std::vector<std::array<double, 11>> rows;
    while (query.next()) {
        auto& row = rows.emplace_back();
        for (int c = 0; c < 11; ++c) row[c] = query.value(c).toDouble();
    }
    return rows.size();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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

    // The main window's open-test session, its records attached once at start-up.
    Settings settings;
    OpenTestSession session(connection, settings, messenger);
    session.connectRecords();
    clsTEST_INFO lister;
    const QStringList listed = ListStoredTestNames(connection, lister);

    std::vector<double> openTimes, bareTimes;
    OpenedTest opened;
    std::size_t bareRows = 0;
    for (int i = 0; i < kRepeats + 1; ++i) {  // the first round warms the file cache and is not counted
        timer.restart();
        if (session.open(kTestName, listed) != OpenTestSession::Redraw::OpenTest) break;
        const double open_ms = timer.nsecsElapsed() / 1e6;
        opened = session.test();
        timer.restart();
        bareRows = bareRead(connection, static_cast<int>(opened.testId));
        const double bare_ms = timer.nsecsElapsed() / 1e6;
        if (i == 0) continue;
        openTimes.push_back(open_ms);
        bareTimes.push_back(bare_ms);
    }
    if (opened.outcome != OpenedTest::Outcome::Opened || opened.readings.size() != kReadings ||
        bareRows != kReadings) {
        std::fprintf(stderr, "the bench test did not open whole (%zu readings, %zu bare rows)\n",
                     opened.readings.size(), bareRows);
        return 1;
    }
    const double open_ms = median(openTimes);
    const double bare_ms = median(bareTimes);
    std::printf("open (read, fit %zu ramps, %d result rows, %zu chart points): %.1f ms (median of %d)\n",
                opened.fits.size(), opened.results.gridRows() - 1, opened.chart.size(), open_ms, kRepeats);
    std::printf("bare SQLite read of the same %zu rows:                            %.1f ms\n", bareRows,
                bare_ms);
    std::printf("ratio open / bare read: %.2f  (target: open < 300 ms, ratio <= 2)\n", open_ms / bare_ms);
    return 0;
}
