#pragma once

#include "store/Reading.h"

#include <QVariantList>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The power-law fit of the shear-rate ramps of a test: shear stress = K' * shear rate ^ n', fitted by
// straight-line least squares in log-log space, then corrected for the bob and for slot flow.

// A reading from the eleven values of a TEST_RESULT row as the record class's All() carries them
// (TEST_RESULT_ID, TEST_ID, RAMP_NO, RAMP_STEP_NO, RESULT_TIME, RESULT_SAMPLE_TEMP, RESULT_PRESS,
// RESULT_SHEAR_RATE, RESULT_SHEAR_STRESS, RESULT_TYPE_ID, RESULT_BATH_TEMP). Missing values read as 0.
Reading ReadingFromAll(const QVariantList& all);

enum class FitState {
    Valid,          // every field computed
    OutsideWindow,  // n' or K' outside the validity window: K' and what follows are not computed
    NoGeometry,  // bob radius missing, not positive or not inside the cup: Kv and what follows cannot be had
};

// The per-ramp result, in stored units (dyn*s^n'/cm2, degF, psi).
struct RampFit {
    int RampNo = 0;
    double ElapsedMin = 0;  // of the reading at which the ramp's scan stopped
    double SampleTemp = 0;  // degF, same reading
    double Pressure = 0;    // psi, same reading
    int PointCount = 0;
    double NPrime = 0;
    double Intercept = 0;  // log10 of K'
    double RSquared = 0;
    bool Valid = false;  // State == FitState::Valid; only then are the fields below meaningful for display
    FitState State = FitState::OutsideWindow;
    double KPrime = 0;
    double Kv = 0;
    double KSlot = 0;
    double Visc40 = 0;
    double Visc100 = 0;
    double Visc170 = 0;

    // The power law's viscosity in cP at a shear rate, 100 * K'slot * rate^(n'-1), as the three columns
    // of the results table give it at 40, 100 and 170 1/s; NaN unless Valid.
    double viscosityAt(double rate_1ps) const;
};

// The points of one shear-rate ramp, as every model of a ramp fits them: the ramp's usable readings
// (IsRampPoint) in reading order, and the reading at which the ramp's scan stopped (its time, temperature
// and pressure are the ramp's).
struct RampPoints {
    int rampNo = 0;
    std::vector<double> shearRate_1ps;
    std::vector<double> shearStress_dyncm2;
    Reading stoppedAt;

    std::size_t size() const { return shearRate_1ps.size(); }
};

// Rotor (cup) radius in cm.
inline constexpr double kRotorRadius_cm = 1.8415;

// Shear rate in 1/s at the bob for one rotor revolution per minute: 4*pi*Rc^2 / (60 * (Rc^2 - Rb^2)).
// 0 when the radius cannot belong to a bob inside the cup.
double ShearRateFactor(double bobRadius_cm);

// Radius ratio s = Rc / Rb; 0 when the radius is not positive.
double RadiusRatio(double bobRadius_cm);

// The number of ramps of a test: the RAMP_NO of its last reading (whole part; 0 for no readings or a
// ramp number that is not a positive number).
int RampCount(std::span<const Reading> readings);

// Which readings of a test the operator left out of its fits: one flag per reading in the order of its
// readings (1 excluded, 0 not). Empty, or shorter than the readings, leaves the rest in.
using ExclusionFlags = std::vector<std::uint8_t>;
using ExcludedReadings = std::span<const std::uint8_t>;

// Fits every ramp of a test. readings: the test's readings in ascending RESULT_TIME order. Ramps with fewer
// than 3 usable points have no entry; the list is in ramp order. Linear in the number of readings.
// The same as FitPowerLaw(CollectRampPoints(readings, excluded), bobRadius_cm).
std::vector<RampFit> FitRamps(std::span<const Reading> readings, double bobRadius_cm,
                              ExcludedReadings excluded = {});

// The ramps of a test with their points, in ramp order: every ramp the scan passes, also one with fewer
// points than a fit needs. The one scan of the readings that every fit of a ramp (the power law and the
// other models) takes its points from, and so the one place where the readings the operator excluded
// (flagged in excluded) leave the fits. Linear in the number of readings.
std::vector<RampPoints> CollectRampPoints(std::span<const Reading> readings, ExcludedReadings excluded = {});

// The power law of every ramp with at least kMinRampPoints points, in ramp order; a ramp whose points
// admit no line takes the slope and intercept the ramp before it left.
std::vector<RampFit> FitPowerLaw(std::span<const RampPoints> ramps, double bobRadius_cm);

// Fewer usable points than this give a ramp no result.
inline constexpr int kMinRampPoints = 3;

// True when a reading is a point of its ramp's fit: a shear-rate ramp reading with a positive rate and
// stress.
bool IsRampPoint(const Reading& reading);

// The fit of one ramp from its points (log10 rate, log10 stress, in reading order; at least kMinRampPoints),
// its time, temperature and pressure those of stoppedAt. slope and intercept come in as the previous ramp
// left them (taken when the points admit no line) and go out as this ramp leaves them. FitRamps fits every
// ramp with it; the live results of a running test fit the ramp that changed.
RampFit FitRampPoints(int rampNo, std::span<const double> x, std::span<const double> y,
                      const Reading& stoppedAt, double bobRadius_cm, double& slope, double& intercept);
// Sets the time, sample temperature and pressure a fit reports from the reading at which its ramp's scan
// stopped.
void SetStopReading(RampFit& fit, const Reading& stoppedAt);

// Fills K', Kv, KSlot and the viscosities of a fit from its NPrime and Intercept and sets Valid and State.
// FitRamps uses it; exposed for the live results and for tests.
void CompleteFit(RampFit& fit, double bobRadius_cm);
