#pragma once

#include "store/NewTest.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <vector>

// Builds stored tests for tests: a TEST_INFO row, its additives and its readings, written through the
// real record classes into the database of the connection.
namespace stored_test {

// One TEST_RESULT row in stored units.
struct Row {
    double ramp = 1;
    double step = 0;
    double time_s = 0;
    double temp_F = 150;
    double press_psi = 400;
    double rate_1ps = 100;
    double stress_dyncm2 = 50;
    double type = 0;  // 1 a reading of a shear-rate ramp
    double bath_F = 152;
};

struct Additive {
    QString name;
    double concentration = 0;
    QString unit;
    QString lotNo;
};

struct Test {
    QString name;
    QDateTime time = QDateTime(QDate(2024, 1, 15), QTime(10, 30, 0));
    QString researcher = QStringLiteral("Tester");
    double bobRadius_cm = 1.5987;
    std::vector<Row> readings;
    QList<Additive> additives;
};

// An ordinary reading of a temperature ramp.
inline Row ordinary(double ramp, double time_s, double temp_F = 150) {
    Row r;
    r.ramp = ramp;
    r.time_s = time_s;
    r.temp_F = temp_F;
    return r;
}

// A reading of a shear-rate ramp.
inline Row rampPoint(double ramp, double step, double time_s, double rate_1ps, double stress_dyncm2) {
    Row r;
    r.ramp = ramp;
    r.step = step;
    r.time_s = time_s;
    r.rate_1ps = rate_1ps;
    r.stress_dyncm2 = stress_dyncm2;
    r.type = 1;
    return r;
}

// The worked ramp: 10, 100, 1000 1/s at 10, 50, 250 dyn/cm2 (n' = log10 5 = 0.6990, K' = 2, R^2 = 1).
inline std::vector<Row> workedRamp(double ramp, double time_s) {
    return {rampPoint(ramp, 1, time_s, 10, 10), rampPoint(ramp, 2, time_s + 30, 100, 50),
            rampPoint(ramp, 3, time_s + 60, 1000, 250)};
}

inline void append(std::vector<Row>& to, const std::vector<Row>& more) {
    to.insert(to.end(), more.begin(), more.end());
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
    QList<NewAdditive> additives;
    for (const Additive& a : test.additives) additives.append({a.name, a.concentration, a.unit, a.lotNo});
    std::vector<NewReading> rows;
    for (const Row& r : test.readings)
        rows.push_back(
            {r.ramp, r.step, r.time_s, r.temp_F, r.press_psi, r.rate_1ps, r.stress_dyncm2, r.type, r.bath_F});
    return StoreNewTest(connection, info, additives, rows);
}

}  // namespace stored_test
