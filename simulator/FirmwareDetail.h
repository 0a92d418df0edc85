#pragma once

// What the parts of the firmware emulation (the wire and its commands, the physics, the calibration) share:
// the number pictures and fields of its messages, and how a set point becomes heater and motor targets.

#include "common/VbFormat.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>
#include <cmath>

namespace firmware {

// Above this the unit reports that it is cooling down after a stop.
constexpr double kCoolingAbove_F = 150.0;

inline QByteArray pic(double value, const char* picture) {
    return vb::Format(value, QString::fromLatin1(picture)).toLatin1();
}

inline QList<QByteArray> splitFields(const QByteArray& text) {
    return text.split(',');
}

inline double fieldValue(const QList<QByteArray>& fields, qsizetype index) {
    return index < fields.size() ? vb::Val(QString::fromLatin1(fields[index])) : 0.0;
}

// What the heater and cooler can hold, and the motor's speed range either way.
constexpr double kLowestTarget_F = -50.0;
constexpr double kHighestTarget_F = 600.0;
constexpr double kMaxSpeed_rpm = 1000.0;

inline double heaterTargetFor(double setPoint_F) {
    return std::clamp(setPoint_F, kLowestTarget_F, kHighestTarget_F);
}

inline double motorSpeedFor(double shearRate_1ps, double factor) {
    if (!(std::fabs(factor) > 1e-9)) return 0.0;
    const double rpm = shearRate_1ps / factor;
    return std::isnan(rpm) ? 0.0 : std::clamp(rpm, -kMaxSpeed_rpm, kMaxSpeed_rpm);
}

}  // namespace firmware
