#include "analysis/RampFit.h"

#include "common/LinearFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kFourPiRcSquared = 42.61406299750999;
constexpr double kRcSquared = 3.39112225;

constexpr double kMinNPrime = 0.002;
constexpr double kMaxNPrime = 5.0;
constexpr double kMaxIntercept = 32.0;

bool bobFitsCup(double bobRadius_cm) {
    return std::isfinite(bobRadius_cm) && bobRadius_cm > 0 && bobRadius_cm < kRotorRadius_cm;
}

// cP at a shear rate from K'slot and n'; the factor 100 turns poise into centipoise.
double PowerLawViscosity(double kSlot, double n, double rate_1ps) {
    return 100.0 * kSlot * std::pow(rate_1ps, n - 1.0);
}

}  // namespace

bool IsRampPoint(const Reading& r) {
    return r.typeId == 1 && r.shearRate_1ps > 0 && r.shearStress_dyncm2 > 0 &&
           std::isfinite(r.shearRate_1ps) && std::isfinite(r.shearStress_dyncm2);
}

double RampFit::viscosityAt(double rate_1ps) const {
    if (!Valid) return std::numeric_limits<double>::quiet_NaN();
    return PowerLawViscosity(KSlot, NPrime, rate_1ps);
}

void SetStopReading(RampFit& fit, const Reading& stoppedAt) {
    fit.ElapsedMin = stoppedAt.time_s / 60.0;
    fit.SampleTemp = stoppedAt.sampleTemp_F;
    fit.Pressure = stoppedAt.pressure_psi;
}

RampFit FitRampPoints(int rampNo, std::span<const double> x, std::span<const double> y,
                      const Reading& stoppedAt, double bobRadius_cm, double& slope, double& intercept) {
    const double r = LinearFit(x, y, slope, intercept);
    RampFit fit;
    fit.RampNo = rampNo;
    SetStopReading(fit, stoppedAt);
    fit.PointCount = static_cast<int>(std::min(x.size(), y.size()));
    fit.NPrime = slope;
    fit.Intercept = intercept;
    fit.RSquared = r * r;
    CompleteFit(fit, bobRadius_cm);
    return fit;
}

Reading ReadingFromAll(const QVariantList& all) {
    auto at = [&](int i) { return i < all.size() ? all.at(i).toDouble() : 0.0; };
    Reading r;
    r.rampNo = at(2);
    r.rampStepNo = at(3);
    r.time_s = at(4);
    r.sampleTemp_F = at(5);
    r.pressure_psi = at(6);
    r.shearRate_1ps = at(7);
    r.shearStress_dyncm2 = at(8);
    r.typeId = at(9);
    r.bathTemp_F = at(10);
    return r;
}

double ShearRateFactor(double bobRadius_cm) {
    if (!bobFitsCup(bobRadius_cm)) return 0.0;
    return kFourPiRcSquared / (60.0 * (kRcSquared - bobRadius_cm * bobRadius_cm));
}

double RadiusRatio(double bobRadius_cm) {
    if (!(bobRadius_cm > 0) || !std::isfinite(bobRadius_cm)) return 0.0;
    return kRotorRadius_cm / bobRadius_cm;
}

int RampCount(std::span<const Reading> readings) {
    if (readings.empty()) return 0;
    const double last = readings.back().rampNo;
    if (!(last >= 1)) return 0;  // also NaN
    if (last >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(std::floor(last));
}

void CompleteFit(RampFit& fit, double bobRadius_cm) {
    const double n = fit.NPrime;
    fit.KPrime = fit.Kv = fit.KSlot = fit.Visc40 = fit.Visc100 = fit.Visc170 = 0;
    fit.Valid = false;
    if (!(n > kMinNPrime && n < kMaxNPrime && fit.Intercept < kMaxIntercept)) {
        fit.State = FitState::OutsideWindow;
        return;
    }
    fit.KPrime = std::pow(10.0, fit.Intercept);
    if (!bobFitsCup(bobRadius_cm)) {
        fit.State = FitState::NoGeometry;
        return;
    }
    // ratio = ((s^2 - 1) * s^(2/n)) / (n * s^2 * (s^(2/n) - 1)), divided through by s^(2/n) so that a small
    // n' with a thin bob cannot overflow: s^(-2/n) merely goes to 0.
    const double s = kRotorRadius_cm / bobRadius_cm;
    const double s2 = s * s;
    const double oneMinusInverse = -std::expm1(-(2.0 / n) * std::log(s));
    const double ratio = (s2 - 1.0) / (n * s2 * oneMinusInverse);
    const double kv = fit.KPrime * std::pow(ratio, -n);
    const double kSlot = kv * std::pow((2.0 * n + 1.0) / (3.0 * n), n);
    auto viscosityAt = [&](double rate_1ps) { return PowerLawViscosity(kSlot, n, rate_1ps); };
    const double v40 = viscosityAt(40), v100 = viscosityAt(100), v170 = viscosityAt(170);
    for (double v : {fit.KPrime, kv, kSlot, v40, v100, v170}) {
        if (!std::isfinite(v)) {
            fit.State = FitState::NoGeometry;
            return;
        }
    }
    fit.Kv = kv;
    fit.KSlot = kSlot;
    fit.Visc40 = v40;
    fit.Visc100 = v100;
    fit.Visc170 = v170;
    fit.State = FitState::Valid;
    fit.Valid = true;
}

std::vector<RampPoints> CollectRampPoints(std::span<const Reading> readings, ExcludedReadings excluded) {
    std::vector<RampPoints> ramps;
    const int rampCount = RampCount(readings);
    if (rampCount == 0) return ramps;

    std::size_t next = 0;  // the scan never goes back
    const std::size_t total = readings.size();
    for (long long ramp = 1; ramp <= rampCount; ++ramp) {
        RampPoints& points = ramps.emplace_back();
        points.rampNo = static_cast<int>(ramp);
        const double limit = static_cast<double>(ramp);
        while (next < total && readings[next].rampNo <= limit) {
            const Reading& r = readings[next];
            if (IsRampPoint(r) && !(next < excluded.size() && excluded[next])) {
                points.shearRate_1ps.push_back(r.shearRate_1ps);
                points.shearStress_dyncm2.push_back(r.shearStress_dyncm2);
            }
            ++next;
        }
        points.stoppedAt = next < total ? readings[next] : readings[total - 1];

        if (next >= total) break;  // later ramps have no readings left
        // Ramps with no reading at all between this one and the next reading's ramp yield nothing: skip to
        // it, so that a gap in the numbering costs nothing. A reading whose ramp number is not a number
        // stops every later scan.
        const double nextRamp = readings[next].rampNo;
        if (std::isnan(nextRamp)) break;
        const double jumpTo = std::ceil(nextRamp) - 1.0;
        if (jumpTo > static_cast<double>(ramp))
            ramp = static_cast<long long>(std::min(jumpTo, static_cast<double>(rampCount)));
    }
    return ramps;
}

std::vector<RampFit> FitPowerLaw(std::span<const RampPoints> ramps, double bobRadius_cm) {
    std::vector<RampFit> fits;
    // Slope and intercept outlive each ramp: a ramp whose points admit no line takes the previous ones.
    double slope = 0.0;
    double intercept = 0.0;
    std::vector<double> x, y;
    for (const RampPoints& ramp : ramps) {
        if (ramp.size() < static_cast<std::size_t>(kMinRampPoints)) continue;
        x.clear();
        y.clear();
        for (std::size_t i = 0; i < ramp.size(); ++i) {
            x.push_back(Log10(ramp.shearRate_1ps[i]));
            y.push_back(Log10(ramp.shearStress_dyncm2[i]));
        }
        fits.push_back(FitRampPoints(ramp.rampNo, x, y, ramp.stoppedAt, bobRadius_cm, slope, intercept));
    }
    return fits;
}

std::vector<RampFit> FitRamps(std::span<const Reading> readings, double bobRadius_cm,
                              ExcludedReadings excluded) {
    return FitPowerLaw(CollectRampPoints(readings, excluded), bobRadius_cm);
}
