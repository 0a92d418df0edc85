#pragma once

#include <QDateTime>
#include <QString>

// One finished torque calibration of a unit as it is kept for later: which unit on which station, when,
// with which bob and fluid, the line that was fitted and whether it reached the unit. The calibration
// makes it when a run ends; the database keeps it (table UNIT_CALIBRATION), and the test report names the
// last one that reached the unit before a test.
struct CalibrationRecord {
    QString station;  // the host name of the station the unit is connected to
    int unit = 0;     // 1 to 8
    QDateTime time;   // when the run ended (local time)
    QString bob;      // the bob mounted ("B5")
    double fluidViscosity_cP = 0;
    double c0 = 0;  // stress = c0 + c1 x voltage (dyn/cm2, Vdc)
    double c1 = 0;
    double zeroStressVoltage = 0;
    double quality = 0;  // the calibration report's "Least square error is:" value
    double lineR2 = 0;   // r^2 of the line over all the points: what judges the run
    int points = 0;
    bool sent = false;  // the line reached the unit (a refused or unsent line leaves its old calibration)
    QString remark;     // why the run was judged poor or refused; empty when good

    bool operator==(const CalibrationRecord&) const = default;
};
