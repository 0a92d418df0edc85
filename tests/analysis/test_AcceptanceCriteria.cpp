#include "analysis/AcceptanceCriteria.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using acceptance::Outcome;
using acceptance::Sample;
using Status = Outcome::Status;

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// The clock starts at the first warm value; the break is where the line from the last value that held to
// the first that failed crosses the limit (viscosity or temperature, whichever comes first).
TEST(AcceptanceCriteria, HeldAndBreakTimesAreInterpolatedBetweenTheReadingsAroundTheCrossing) {
    const std::vector<Sample> thinning = {{0, 300, 200}, {10, 280, 250}, {20, 260, 250}, {30, 160, 250}};
    const std::vector<Sample> cooling = {{0, 300, 250}, {10, 300, 250}, {20, 300, 230}};
    const struct {
        const char* what;
        acceptance::Criterion criterion;
        std::vector<Sample> samples;
        Status status;
        double start, held, breakAt;
        bool passed;
    } cases[] = {
        {"crossing 200 cP 60 % of the way",
         {100, acceptance::LimitKind::Minimum, 200, 15, 250},
         thinning,
         Status::Broke,
         10,
         16,
         26,
         true},
        {"the same, asked for longer",
         {100, acceptance::LimitKind::Minimum, 200, 20, 250},
         thinning,
         Status::Broke,
         10,
         16,
         26,
         false},
        {"no temperature: the clock starts at 0",
         {100, acceptance::LimitKind::Minimum, 200, 20},
         thinning,
         Status::Broke,
         0,
         26,
         26,
         true},
        {"a maximum never passed",
         {100, acceptance::LimitKind::Maximum, 400, 30},
         thinning,
         Status::Held,
         0,
         30,
         kNone,
         true},
        {"failing when the clock starts",
         {100, acceptance::LimitKind::Minimum, 290, 5, 250},
         thinning,
         Status::Broke,
         10,
         0,
         10,
         false},
        {"the sample cools below 240 degF half way",
         {100, acceptance::LimitKind::Minimum, 200, 10, 240},
         cooling,
         Status::Broke,
         0,
         15,
         15,
         true},
        {"never warm enough",
         {100, acceptance::LimitKind::Minimum, 200, 10, 260},
         thinning,
         Status::NeverWarm,
         0,
         0,
         kNone,
         false},
        {"no values",
         {100, acceptance::LimitKind::Minimum, 200, 10},
         {},
         Status::NoValues,
         0,
         0,
         kNone,
         false},
    };
    for (const auto& c : cases) {
        const Outcome o = acceptance::Evaluate(c.criterion, c.samples);
        EXPECT_EQ(o.status, c.status) << c.what;
        EXPECT_NEAR(o.start_min, c.start, 1e-9) << c.what;
        EXPECT_NEAR(o.held_min, c.held, 1e-9) << c.what;
        EXPECT_EQ(o.breakTime_min.has_value(), !std::isnan(c.breakAt)) << c.what;
        if (o.breakTime_min && !std::isnan(c.breakAt))
            EXPECT_NEAR(*o.breakTime_min, c.breakAt, 1e-9) << c.what;
        EXPECT_EQ(o.passed, c.passed) << c.what;
    }
}

// Apparent: the ordinary readings at the rate (within 10 %) that are not excluded; fitted: each ramp's
// power law at the rate.
TEST(AcceptanceCriteria, SamplesAreTheOrdinaryReadingsAtTheRateOrTheFitsAtIt) {
    std::vector<Reading> readings(4);
    const double rates[] = {100, 105, 300, 95};
    for (std::size_t i = 0; i < readings.size(); ++i) {
        readings[i].time_s = 60.0 * i;
        readings[i].shearRate_1ps = rates[i];
        readings[i].shearStress_dyncm2 = 100;
    }
    readings[1].typeId = 1;  // a ramp point
    const ExclusionFlags excluded = {0, 0, 0, 1};
    acceptance::Criterion c{100, acceptance::LimitKind::Minimum, 50, 1};
    EXPECT_EQ(acceptance::SamplesFor(c, readings, excluded, {}).size(), 1u);
    EXPECT_EQ(acceptance::SamplesFor(c, readings, {}, {}).size(), 2u);

    RampFit fit;
    fit.Valid = true;
    fit.KSlot = 2;
    fit.NPrime = 0.5;
    fit.ElapsedMin = 12;
    c.source = acceptance::ViscositySource::Fitted;
    const std::vector<Sample> fitted = acceptance::SamplesFor(c, readings, {}, std::vector<RampFit>{fit});
    ASSERT_EQ(fitted.size(), 1u);
    EXPECT_DOUBLE_EQ(fitted[0].viscosity_cP, fit.viscosityAt(100));
    EXPECT_EQ(fitted[0].time_min, 12);
}

}  // namespace
