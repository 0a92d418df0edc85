#include "link/CalibrationLink.h"
#include "link/UnitCommands.h"
#include "simulator/FirmwareDetail.h"
#include "simulator/UnitFirmware.h"

// The torque and pressure-effect calibrations as the unit runs them: the program's calibration messages,
// the data points of a Newtonian calibration fluid, and the end-of-data message.

using namespace firmware;

namespace {

constexpr char kCalibrationStart = CalibrationLink::kStartCommand;
constexpr char kCalibrationResult = CalibrationLink::kResultCommand;
constexpr char kPressureEffectStart = CalibrationLink::kPressureEffectCommand;
constexpr char kCalibrationPoint = CalibrationLink::kPointMark;
constexpr char kCalibrationEnd = CalibrationLink::kEndMark;
using UnitCommands::kTerminator;

// Calibration: 17 points, one every 3 s after 2 s, at 0, 37.5, ..., 600 rpm; 5 minutes of pressure effect.
// The unit reports each point's stress for the reference bob B5 at that speed, whatever bob is mounted.
constexpr int kCalibrationPoints = 17;
constexpr double kCalibrationFirst_s = 2.0;
constexpr double kCalibrationEvery_s = 3.0;
constexpr double kCalibrationRpmStep = 37.5;
constexpr double kReferenceShearRateFactor =
    42.61406299750999 / (3.3911222499999996 - 1.5987 * 1.5987) / 60.0;
constexpr double kCalibrationVoltNoise_V = 0.0003;
constexpr double kPressureEffect_s = 300.0;

}  // namespace

void UnitFirmware::handleCalibration(const QByteArray& message) {
    if (message.isEmpty()) return;
    const QList<QByteArray> f = splitFields(message.mid(1));
    switch (message.front()) {
        case kCalibrationStart:
            calibration_ = {};
            calibration_.running = true;
            calibration_.viscosity_cP = fieldValue(f, 0);
            calibrationStart_ = now_;
            run_.reset();
            mode_ = Mode::Idle;
            break;
        case kCalibrationResult:
            calibration_.resultReceived = true;
            calibration_.c0 = fieldValue(f, 0);
            calibration_.c1 = fieldValue(f, 1);
            calibration_.zeroVoltage = fieldValue(f, 7);
            lineC0_ = calibration_.c0;
            lineC1_ = calibration_.c1;
            break;
        case kPressureEffectStart:
            calibration_.pressureEffectRunning = true;
            pressureEffectEnd_ = now_ + kPressureEffect_s;
            break;
        default:
            break;
    }
}

// A point at speed step k in a Newtonian calibration fluid of the viscosity the program sent: the stress the
// unit computes for the reference bob at that speed, and the voltage the sensor gives for the torque on the
// bob that is mounted.
void UnitFirmware::sendCalibrationPoint(int k) {
    const double rpm = kCalibrationRpmStep * k;
    motorTarget_ = rpm;
    const double viscosity_P = calibration_.viscosity_cP / 100.0;
    const double reported = k == 0 ? 0.0 : viscosity_P * rpm * kReferenceShearRateFactor;
    const double mounted = viscosity_P * rpm * options_.shearRateFactor;
    const double reference = mounted / (options_.bobStressFactor != 0 ? options_.bobStressFactor : 1.0);
    const double volts = noisy(sensorVolts(reference), kCalibrationVoltNoise_V);
    QByteArray point;
    point.append(kCalibrationPoint);
    point.append(pic(reported, "0.00") + ',' + pic(volts, "0.0000"));
    point.append(kTerminator);
    queue(point);
}

void UnitFirmware::calibrationSecond() {
    if (calibration_.running) {
        const double since = now_ - calibrationStart_;
        while (calibration_.pointsSent < kCalibrationPoints &&
               since + 1e-9 >= kCalibrationFirst_s + kCalibrationEvery_s * calibration_.pointsSent) {
            sendCalibrationPoint(calibration_.pointsSent++);
        }
        if (calibration_.pointsSent == kCalibrationPoints &&
            since + 1e-9 >= kCalibrationFirst_s + kCalibrationEvery_s * kCalibrationPoints) {
            QByteArray end;
            end.append(kCalibrationEnd);
            end.append(kTerminator);
            queue(end);
            calibration_.running = false;
            motorTarget_ = 0;
        }
    }
    if (calibration_.pressureEffectRunning && now_ + 1e-9 >= pressureEffectEnd_)
        calibration_.pressureEffectRunning = false;
}
