#include "simulator/CellModel.h"

#include <algorithm>
#include <cmath>

namespace {

// Thermal time constants of the unit.
constexpr double kBathLag_s = 90.0;
constexpr double kHeatRate_Fps = 8.0 / 60.0;
constexpr double kCoolRate_Fps = 4.0 / 60.0;
constexpr double kIdleBathLag_s = 600.0;
constexpr double kSampleLag_s = 120.0;
constexpr double kDroppedSampleLag_s = 1200.0;
constexpr double kLongestStep_s = 0.25;

}  // namespace

CellModel::CellModel(const FluidModel& fluid, double ambient_F)
    : fluid_(fluid), ambient_(ambient_F), bath_(ambient_F), sample_(ambient_F) {}

void CellModel::advance(double dt_s, std::optional<double> heaterTarget_F, bool bathRaised) {
    if (!(dt_s > 0) || !std::isfinite(dt_s)) return;
    for (double left = dt_s; left > 1e-12; left -= kLongestStep_s)
        step(std::min(left, kLongestStep_s), heaterTarget_F, bathRaised);
}

void CellModel::step(double dt, std::optional<double> heaterTarget_F, bool bathRaised) {
    if (heaterTarget_F) {
        const double rate = std::clamp((*heaterTarget_F - bath_) / kBathLag_s, -kCoolRate_Fps, kHeatRate_Fps);
        bath_ += rate * dt;
    } else {
        bath_ += (ambient_ - bath_) * (1.0 - std::exp(-dt / kIdleBathLag_s));
    }
    if (bathRaised)
        sample_ += (bath_ - sample_) * (1.0 - std::exp(-dt / kSampleLag_s));
    else
        sample_ += (ambient_ - sample_) * (1.0 - std::exp(-dt / kDroppedSampleLag_s));
    const double tau = fluid_.breakTime_s(sample_);
    if (tau > 0) broken_ += dt / tau;
}

double CellModel::equivalentAge_s() const {
    return broken_ * fluid_.breakTime_s(sample_);
}

double CellModel::shearStress(double shearRate_1ps) const {
    return fluid_.shearStress(shearRate_1ps, sample_, equivalentAge_s());
}
