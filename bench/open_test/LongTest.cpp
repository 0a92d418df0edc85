#include "LongTest.h"

#include "analysis/OpenTestSession.h"
#include "analysis/RampModels.h"
#include "common/Settings.h"
#include "store/NewTest.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"
#include "store/clsTEST_RESULT.h"

#include <QElapsedTimer>
#include <QSqlQuery>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace long_test {

double store(clsConnection& connection) {
    clsTEST_INFO info;
    info.ConnectX(connection);
    info.SetDefaults();
    info.setTEST_NAME(kName);
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
    return StoreNewTest(connection, info, {}, readings);
}

std::size_t bareRead(clsConnection& connection, double testId) {
    QSqlQuery query(connection.ADOConnection());
    query.setForwardOnly(true);
    query.prepare(QString::fromLatin1(clsTEST_RESULT::kSelectSql));
    query.addBindValue(testId);
    query.exec();
    std::vector<std::array<double, 11>> rows;
    while (query.next()) {
        auto& row = rows.emplace_back();
        for (int c = 0; c < 11; ++c) row[c] = query.value(c).toDouble();
    }
    return rows.size();
}

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

OpenFigures measureOpen(clsConnection& connection, int rounds) {
    SilentMessenger messenger;
    // The main window's open-test session, its records attached once at start-up.
    Settings settings;
    OpenTestSession session(connection, settings, messenger);
    session.connectRecords();
    clsTEST_INFO lister;
    const QStringList listed = ListStoredTestNames(connection, lister);

    OpenFigures figures;
    std::vector<double> openTimes, bareTimes;
    QElapsedTimer timer;
    for (int i = 0; i < rounds + 1; ++i) {
        timer.start();
        if (session.open(kName, listed) != OpenTestSession::Redraw::OpenTest) break;
        const double open_ms = timer.nsecsElapsed() / 1e6;
        timer.start();
        const std::size_t bareRows = bareRead(connection, session.test().testId);
        const double bare_ms = timer.nsecsElapsed() / 1e6;
        if (session.test().readings.size() != kReadings || bareRows != kReadings) {
            figures.problem = QStringLiteral("the test did not open whole (%1 readings, %2 bare rows)")
                                  .arg(session.test().readings.size())
                                  .arg(bareRows);
            return figures;
        }
        if (i == 0) continue;
        openTimes.push_back(open_ms);
        bareTimes.push_back(bare_ms);
    }
    if (openTimes.empty()) {
        figures.problem = QStringLiteral("the test did not open");
        return figures;
    }
    const OpenedTest& opened = session.test();
    figures.open_ms = median(openTimes);
    figures.bare_ms = median(bareTimes);
    figures.fits = opened.fits.size();
    figures.resultRows = opened.results.gridRows() - 1;
    figures.chartPoints = opened.chart.size();
    figures.hbFitted = static_cast<std::size_t>(
        std::count_if(opened.models.begin(), opened.models.end(),
                      [](const RampModelFits& m) { return m.herschelBulkley.fitted(); }));

    std::vector<double> modelTimes;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        const std::vector<RampPoints> ramps = CollectRampPoints(opened.readings);
        const std::vector<RampModelFits> models =
            FitRampModels(ramps, FitPowerLaw(ramps, opened.bobRadius_cm));
        modelTimes.push_back(timer.nsecsElapsed() / 1e6);
        if (models.size() != opened.models.size()) break;
    }
    figures.models_ms = median(modelTimes);
    return figures;
}

}  // namespace long_test
