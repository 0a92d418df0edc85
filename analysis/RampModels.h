#pragma once

#include "analysis/RampFit.h"

#include <QString>

#include <limits>
#include <optional>
#include <span>
#include <vector>

// The models of a shear-rate ramp beside the power law: Bingham plastic (stress = YP + PV * rate, by
// straight-line least squares) and Herschel-Bulkley (stress = tau0 + K * rate^n with tau0 >= 0, by bounded
// nonlinear least squares). Both fit the ramp's points as stored - stress in dyn/cm2 against the Newtonian
// shear rate at the bob - the same points the power law fits (RampPoints), so that whatever takes a
// reading out of a ramp takes it out of every model. Values are in stored units; NaN marks a value that
// cannot be had.

enum class RampModel { PowerLaw, Bingham, HerschelBulkley };

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

struct BinghamFit {
    QString failure;  // why there is no fit; empty when fitted
    double plasticViscosity_cP = kNoValue;
    double yieldPoint_dyncm2 = kNoValue;
    double rSquared = kNoValue;
    // Standard errors of the two parameters; NaN where the points leave none (all on the line's two ends).
    double plasticViscosityError_cP = kNoValue;
    double yieldPointError_dyncm2 = kNoValue;

    bool fitted() const { return failure.isEmpty(); }
    // Apparent viscosity in cP at a shear rate: 100 * stress / rate on the fitted line; NaN unless fitted.
    double viscosityAt(double rate_1ps) const;
};

struct HerschelBulkleyFit {
    QString failure;  // why there is no fit; empty when fitted
    double yieldStress_dyncm2 = kNoValue;
    double k_dynsncm2 = kNoValue;  // consistency K, dyn*s^n/cm2
    double n = kNoValue;
    double rSquared = kNoValue;
    // Standard errors; NaN where there is none: with as many points as free parameters, and for a yield
    // stress held at its bound 0.
    double yieldStressError_dyncm2 = kNoValue;
    double kError_dynsncm2 = kNoValue;
    double nError = kNoValue;
    // The fit without bound would have a negative yield stress: it is held at 0 and K, n fitted alone.
    bool yieldStressAtBound = false;
    int iterations = 0;

    bool fitted() const { return failure.isEmpty(); }
    // Apparent viscosity in cP at a shear rate: 100 * stress / rate on the fitted curve; NaN unless fitted.
    double viscosityAt(double rate_1ps) const;
};

// Every model of one ramp.
struct RampModelFits {
    int rampNo = 0;
    int pointCount = 0;
    Reading stoppedAt;  // the ramp's time, temperature and pressure, as the power law reports them
    // The power law as FitRamps gives it; none with fewer than kMinRampPoints points.
    std::optional<RampFit> powerLaw;
    // K' for pipe flow from the power law's Kv and n', dyn*s^n'/cm2; NaN unless the power law is Valid.
    double kPipe = kNoValue;
    BinghamFit bingham;
    HerschelBulkleyFit herschelBulkley;

    // The model's viscosity in cP at a shear rate (the power law's as the results table computes it);
    // NaN where that model has no fit. The one place a fitted viscosity at a chosen rate comes from.
    double viscosityAt(RampModel model, double rate_1ps) const;
    // Why the model has no result for the ramp; empty when it has one (a power law outside its validity
    // window has one: its n' shows).
    QString failure(RampModel model) const;
};

// K'pipe = Kv * ((3n' + 1) / (4n'))^n'.
double PipeConsistency(double kv, double nPrime);

BinghamFit FitBingham(const RampPoints& ramp);
HerschelBulkleyFit FitHerschelBulkley(const RampPoints& ramp);

// The models of one ramp; powerLaw is the ramp's power law as FitPowerLaw gave it, or null for none.
RampModelFits fitRampModels(const RampPoints& ramp, const RampFit* powerLaw);

// The models of every ramp of CollectRampPoints, in ramp order; powerLaw: FitPowerLaw of the same ramps.
std::vector<RampModelFits> FitRampModels(std::span<const RampPoints> ramps,
                                         std::span<const RampFit> powerLaw);
