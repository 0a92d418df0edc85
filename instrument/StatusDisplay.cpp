#include "instrument/StatusDisplay.h"

#include "common/ApparentViscosity.h"
#include "common/VbFormat.h"

#include <QTime>

#include <cmath>

namespace {

const QString kRatePicture = QStringLiteral("####.####");
const QString kStressPicture = QStringLiteral("####.#");
const QString kSimpleTempPicture = QStringLiteral("##0.0");
const QString kZeroSpeedText = QStringLiteral("0.0");

constexpr double kNegativeStressShownAs = 0.1;
constexpr double kStoppedSpeed = 0.00001;

}  // namespace

QString StatusDisplay::stateText(UnitStatus status) {
    switch (status) {
        case UnitStatus::Inactive:
            return QStringLiteral("InActive");
        case UnitStatus::RunningTest:
            return QStringLiteral("Running Test");
        case UnitStatus::StandAloneTest:
            return QStringLiteral("Stand-alone Test");
        case UnitStatus::Malfunction:
            return QStringLiteral("Mal Function");
        case UnitStatus::Calibrating:
            return QStringLiteral("Calibrating");
        case UnitStatus::Ramping:
            return QStringLiteral("Ramping");
        case UnitStatus::Preheating:
            return QStringLiteral("Preheating");
        case UnitStatus::Cooling:
            return QStringLiteral("Cooling");
        case UnitStatus::FreqSweeping:
            return QStringLiteral("Freq. Sweeping");
        case UnitStatus::NoneExist:
            return QStringLiteral("None Exist");
        default:
            return {};
    }
}

QString StatusDisplay::elapsedText(qint64 seconds) {
    const qint64 inDay = ((seconds % 86400) + 86400) % 86400;
    const QTime clock = QTime(0, 0).addSecs(static_cast<int>(inDay));
    return vb::ShortTime(clock) + u':' + vb::Format(static_cast<double>(inDay % 60), QStringLiteral("00"));
}

StatusDisplay::Effects StatusDisplay::apply(const StatusReply& reply) {
    Effects effects;
    const bool simple = window_ == Window::SimpleTest;

    unitState_ = reply.status();
    const QString state = stateText(unitState_);
    if (!state.isEmpty()) texts_.activeFlag = state;
    if (unitState_ == UnitStatus::Cooling || unitState_ == UnitStatus::FreqSweeping)
        effects.enableExit = true;

    if (reply.has(StatusField::SampleTemp)) {
        const QString t = reply.text(StatusField::SampleTemp);
        texts_.sampleTemp = simple ? vb::Format(vb::Val(t), kSimpleTempPicture) : t;
    }
    if (reply.has(StatusField::BathTemp)) {
        const QString t = reply.text(StatusField::BathTemp);
        texts_.bathTemp = simple ? vb::Format(vb::Val(t), kSimpleTempPicture) : t;
    }
    if (reply.has(StatusField::TempSetPoint)) {
        if (!simple) texts_.tempSetPoint = reply.text(StatusField::TempSetPoint);
        readings_.sampleTemp_F = reply.value(StatusField::SampleTemp);
        readings_.bathTemp_F = reply.value(StatusField::BathTemp);
        readings_.tempSetPoint_F = reply.value(StatusField::TempSetPoint);
        if (simple &&
            (readings_.sampleTemp_F > kHighTemperature_F || readings_.bathTemp_F > kHighTemperature_F))
            effects.highTemperatureShutDown = true;
    }
    if (reply.has(StatusField::MotorSpeed)) {
        texts_.speed = reply.text(StatusField::MotorSpeed);
        readings_.shearRate_1ps = reply.value(StatusField::MotorSpeed) * shearRateFactor_;
        texts_.shearRate = vb::Format(readings_.shearRate_1ps, kRatePicture);
    }
    if (reply.has(StatusField::ShearStress)) {
        double stress = reply.value(StatusField::ShearStress) * bobStressFactor_;
        if (stress < 0) stress = kNegativeStressShownAs;
        readings_.shearStress = stress;
        texts_.shearStress = vb::Format(stress, kStressPicture);
    }
    if (reply.has(StatusField::Pressure)) {
        texts_.pressure = reply.text(StatusField::Pressure);
        readings_.pressure_psi = reply.value(StatusField::Pressure);
    }
    if (reply.has(StatusField::ShearRate)) {
        texts_.shearRate = reply.text(StatusField::ShearRate);
        readings_.shearRate_1ps = reply.value(StatusField::ShearRate);
        texts_.visc =
            readings_.shearRate_1ps >= kStatusViscosityLeastRate_1ps
                ? vb::Format(StatusViscosity(readings_.shearRate_1ps, readings_.shearStress), kStressPicture)
                : QStringLiteral("0");
        if (std::fabs(vb::Val(texts_.speed)) < kStoppedSpeed) {
            texts_.speed = kZeroSpeedText;
            texts_.shearRate = kZeroSpeedText;
            texts_.visc = kZeroSpeedText;
        }
    }
    return effects;
}
