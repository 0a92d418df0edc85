#pragma once

#include "store/NewTest.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <cmath>
#include <vector>

// Builds stored tests for tests: a TEST_INFO row, its additives and its readings, written through the
// real record classes into the database of the connection.
namespace stored_test {

using Additive = NewAdditive;

struct Test {
    QString name;
    QDateTime time = QDateTime(QDate(2024, 1, 15), QTime(10, 30, 0));
    QString researcher = QStringLiteral("Tester");
    double bobRadius_cm = 1.5987;
    std::vector<Reading> readings;
    QList<Additive> additives;
};

// An ordinary reading of a temperature ramp, with plausible values for what it does not name.
inline Reading ordinary(double ramp, double time_s, double temp_F = 150) {
    Reading r;
    r.rampNo = ramp;
    r.time_s = time_s;
    r.sampleTemp_F = temp_F;
    r.pressure_psi = 400;
    r.shearRate_1ps = 100;
    r.shearStress_dyncm2 = 50;
    r.bathTemp_F = 152;
    return r;
}

// A reading of a shear-rate ramp.
inline Reading rampPoint(double ramp, double step, double time_s, double rate_1ps, double stress_dyncm2) {
    Reading r = ordinary(ramp, time_s);
    r.rampStepNo = step;
    r.shearRate_1ps = rate_1ps;
    r.shearStress_dyncm2 = stress_dyncm2;
    r.typeId = 1;
    return r;
}

// The worked ramp: 10, 100, 1000 1/s at 10, 50, 250 dyn/cm2 (n' = log10 5 = 0.6990, K' = 2, R^2 = 1).
inline std::vector<Reading> workedRamp(double ramp, double time_s) {
    return {rampPoint(ramp, 1, time_s, 10, 10), rampPoint(ramp, 2, time_s + 30, 100, 50),
            rampPoint(ramp, 3, time_s + 60, 1000, 250)};
}

inline void append(std::vector<Reading>& to, const std::vector<Reading>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// Ramps 1 and 3 fitted (the worked ramp: n' 0.6990, R^2 1), ramp 2 with two points only; ordinary
// readings between them.
inline Test rampsOneAndThree(const QString& name) {
    Test t;
    t.name = name;
    t.readings = {ordinary(1, 0), ordinary(1, 30)};
    append(t.readings, workedRamp(1, 60));
    append(t.readings, {ordinary(2, 200), rampPoint(2, 1, 300, 10, 10), rampPoint(2, 2, 330, 100, 50)});
    append(t.readings, {ordinary(3, 400)});
    append(t.readings, workedRamp(3, 500));
    t.additives = {{QStringLiteral("Guar WG-19"), 30, QStringLiteral("lb/Mgal"), QStringLiteral("G-2417")},
                   {QStringLiteral("Breaker"), -0.5, QStringLiteral("gal/Mgal"), QStringLiteral("B-1")}};
    return t;
}

// 45 ramps of four shear rates (511 to 85 1/s) after an ordinary reading each, ten minutes apart, the gel
// thinning from ramp to ramp (n' 0.45); three additives. The long test of a report.
inline Test fortyFiveRamps(const QString& name) {
    Test t;
    t.name = name;
    for (int ramp = 1; ramp <= 45; ++ramp) {
        const double time_s = ramp * 600.0;
        t.readings.push_back(ordinary(ramp, time_s, 100 + 3 * ramp));
        const double k = 40.0 * std::exp(-ramp / 20.0);
        const double rates[] = {511, 340, 170, 85};
        for (int step = 0; step < 4; ++step)
            t.readings.push_back(rampPoint(ramp, step + 1, time_s + 60 + 30 * step, rates[step],
                                           k * std::pow(rates[step], 0.45)));
    }
    t.additives = {{QStringLiteral("Guar WG-19"), 35, QStringLiteral("lb/Mgal"), QStringLiteral("G-2417")},
                   {QStringLiteral("Borate XL"), 1.5, QStringLiteral("gal/Mgal"), QStringLiteral("B-7")},
                   {QStringLiteral("Breaker"), 0.5, QStringLiteral("lb/Mgal"), QStringLiteral("BR-1")}};
    return t;
}

// Stores the test in one transaction; returns its TEST_ID.
inline double store(clsConnection& connection, const Test& test) {
    clsTEST_INFO info;
    info.ConnectX(connection);
    info.SetDefaults();
    info.setTEST_NAME(test.name);
    info.setTEST_TIME(test.time);
    info.setRESEARCHER_NAME(test.researcher);
    info.setBOB_RADIUS(test.bobRadius_cm);
    return StoreNewTest(connection, info, test.additives, test.readings);
}

}  // namespace stored_test
