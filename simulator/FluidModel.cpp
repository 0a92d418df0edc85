#include "simulator/FluidModel.h"

#include <algorithm>
#include <cmath>

namespace {

// Far outside any test; bounds the exponentials so that odd inputs give odd but finite numbers.
constexpr double kMinDelta_F = -500.0;
constexpr double kMaxDelta_F = 1500.0;

double finiteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

}  // namespace

double FluidModel::deltaT(double temp_F) const {
    const double delta = temp_F - params_.reference_F;
    return std::isnan(delta) ? 0.0 : std::clamp(delta, kMinDelta_F, kMaxDelta_F);
}

double FluidModel::breakTime_s(double temp_F) const {
    return params_.breakTime_s * std::exp(-params_.breakSpeedup_perF * deltaT(temp_F));
}

double FluidModel::remaining(double temp_F, double time_s) const {
    const double t = std::isnan(time_s) ? 0.0 : std::max(0.0, time_s);
    const double tau = breakTime_s(temp_F);
    if (!(tau > 0)) return 0.0;
    return std::exp(-t / tau);
}

double FluidModel::K(double temp_F, double time_s) const {
    const double thermal = std::exp(-params_.thinning_perF * deltaT(temp_F));
    return params_.kBase + (params_.k0 - params_.kBase) * thermal * remaining(temp_F, time_s);
}

double FluidModel::n(double temp_F, double time_s) const {
    return params_.n0 + (1.0 - params_.n0) * (1.0 - remaining(temp_F, time_s));
}

double FluidModel::shearStress(double shearRate_1ps, double temp_F, double time_s) const {
    const double rate = finiteOr(shearRate_1ps, 0.0);
    const double magnitude = K(temp_F, time_s) * std::pow(std::fabs(rate), n(temp_F, time_s));
    return rate < 0 ? -magnitude : magnitude;
}

double FluidModel::apparentViscosity_cP(double shearRate_1ps, double temp_F, double time_s) const {
    const double rate = std::fabs(finiteOr(shearRate_1ps, 0.0));
    if (rate == 0) return K(temp_F, time_s) * 100.0;
    return 100.0 * shearStress(rate, temp_F, time_s) / rate;
}
