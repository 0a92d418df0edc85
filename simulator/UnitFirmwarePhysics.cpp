#include "simulator/FirmwareDetail.h"
#include "simulator/UnitFirmware.h"

#include <algorithm>
#include <cmath>

// The unit's physics on simulated time: the cell (the oven and the fluid, CellModel), the motor following its
// target, the measured stress, and the second-by-second work of a stand-alone run and a calibration.

using namespace firmware;

namespace {

// The motor's time constant (the oven's are the cell's).
constexpr double kMotorLag_s = 0.7;
constexpr double kStep_s = 0.25;

}  // namespace

void UnitFirmware::advance(double seconds) {
    if (!(seconds > 0) || !std::isfinite(seconds)) return;
    const double end = now_ + seconds;
    while (end - now_ > 1e-12) {
        const double step = std::min({kStep_s, end - now_, nextSecond_ - now_});
        if (step > 0) {
            physics(step);
            now_ += step;
        }
        if (nextSecond_ - now_ <= 1e-9) {
            onSecond();
            nextSecond_ += 1.0;
        }
    }
}

void UnitFirmware::physics(double dt) {
    const bool heaterOn = mode_ != Mode::Idle;
    cell_.advance(dt, heaterOn ? std::optional<double>(heaterTarget_) : std::nullopt, bathRaised_);
    motor_ += (motorTarget_ - motor_) * (1.0 - std::exp(-dt / kMotorLag_s));
}

void UnitFirmware::onSecond() {
    if (run_) {
        run_->second(readings(), records_);
        if (run_->finished()) {
            stopAll();
        } else {
            const StandAloneRun::Target t = run_->target();
            setPoint_ = t.temp_F;
            heaterTarget_ = heaterTargetFor(t.temp_F);
            motorTarget_ = motorSpeedFor(t.shearRate_1ps, factor_);
        }
    }

    calibrationSecond();

    if (cooling_ && cell_.sample_F() <= kCoolingAbove_F) cooling_ = false;
}

double UnitFirmware::sensorVolts(double referenceStress) const {
    const double gain = options_.sensorGain_dyn_per_V != 0 ? options_.sensorGain_dyn_per_V : 1.0;
    return options_.sensorZero_V + referenceStress / gain;
}

double UnitFirmware::measuredStress() {
    const double mounted = cell_.shearStress(shearRate_1ps());
    const double reference = mounted / (options_.bobStressFactor != 0 ? options_.bobStressFactor : 1.0);
    const double reported = lineC0_ + lineC1_ * sensorVolts(reference + offset_);
    return noisy(reported, 0.01 * std::fabs(reference) + 0.05);
}

StandAloneRun::Readings UnitFirmware::readings() {
    StandAloneRun::Readings r;
    r.sampleTemp_F = noisy(cell_.sample_F(), 0.2);
    r.bathTemp_F = noisy(cell_.bath_F(), 0.2);
    r.pressure_psi = noisy(pressure_, 0.5);
    r.shearRate_1ps = shearRate_1ps();
    r.shearStress = measuredStress();
    return r;
}
