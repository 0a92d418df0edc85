#pragma once

#include "analysis/RampFit.h"
#include "common/UnitSystem.h"
#include "store/CriteriaStore.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <vector>

// Judging a test against its acceptance criteria ("at least 200 cP at 100 1/s for 120 min at 250 degF").
//
// A criterion's viscosity over time is, as the operator picks, the apparent viscosity of the ordinary
// readings (RESULT_TYPE_ID 0) taken at the criterion's shear rate (within 10 %), or the viscosity each
// ramp's power-law fit gives at that rate, at the ramp's time and temperature. Excluded readings count in
// neither. The clock starts at the first such value whose sample is at least the criterion's temperature
// (at the first value without one); from there every value must keep the limit and the temperature. The
// fluid broke where the first value fails: the break time is where the straight line between that value
// and the one before it crosses the limit (or the temperature), linearly interpolated in time; a value
// that fails when the clock starts breaks at once. The time held runs from the start to the break, or to
// the last value when the fluid never broke. It passes when it held the criterion's duration.
namespace acceptance {

using store::criteria::Criterion;
using store::criteria::LimitKind;
using store::criteria::ViscositySource;

// Ordinary readings within this share of the criterion's shear rate are taken at it.
inline constexpr double kRateTolerance = 0.10;

// One value of the viscosity a criterion judges.
struct Sample {
    double time_min = 0;
    double viscosity_cP = 0;
    double sampleTemp_F = 0;
};

// The values a criterion judges, in time order.
std::vector<Sample> SamplesFor(const Criterion& criterion, std::span<const Reading> readings,
                               ExcludedReadings excluded, std::span<const RampFit> fits);

struct Outcome {
    enum class Status {
        Held,       // never broke while there were values
        Broke,      // broke at breakTime_min
        NoValues,   // no value to judge (no ordinary reading at the rate, no valid fit)
        NeverWarm,  // no value reached the criterion's temperature
    };
    Status status = Status::NoValues;
    double start_min = 0;                 // where the clock started
    double held_min = 0;                  // from the start to the break or the last value
    std::optional<double> breakTime_min;  // test time of the break
    bool passed = false;
};

Outcome Evaluate(const Criterion& criterion, std::span<const Sample> samples);

// A criterion with what came of it.
struct Judged {
    Criterion criterion;
    Outcome outcome;
};
std::vector<Judged> JudgeAll(std::span<const Criterion> criteria, std::span<const Reading> readings,
                             ExcludedReadings excluded, std::span<const RampFit> fits);

// "at least 200 cP at 100 1/s, apparent, for 120 min from 250 °F": the criterion as the operator reads it,
// its temperature in the unit system (°C under SI).
QString Describe(const Criterion& criterion, UnitSystem unitSystem);
// "PASS: held 135.2 min from 12.0 min, broke at 147.2 min": what came of it.
QString DescribeOutcome(const Judged& judged, UnitSystem unitSystem);
// One line per criterion: "Criterion 1: <Describe> - <DescribeOutcome>"; the results' lines in the window
// and in every report.
QStringList OutcomeLines(std::span<const Judged> judged, UnitSystem unitSystem);

}  // namespace acceptance
