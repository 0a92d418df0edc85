#include "common/AxisRange.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(NiceRange, AxesEndOnRoundTicksCloseToTheData) {
    struct Case {
        double low, high;
        int maxIntervals;
        double min, max;
        int ticks;
    };
    const Case cases[] = {
        {0, 213, 10, 0, 225, 10},                          // steps of 25
        {75.2, 349.6, 8, 50, 350, 7},                      // steps of 50
        {0, 1083, 8, 0, 1200, 7},                          // steps of 200
        {0.12, 0.93, 8, 0, 1, 6},                          // steps of 0.2
        {-3, 7, 10, -3, 7, 11},                            // steps of 1
        {100, 100, 8, 90, 110, 9},                         // a flat line gets room around it
        {0, 0, 8, -1, 1, 9},          {5, 1, 8, 1, 5, 9},  // ends in either order
    };
    for (const Case& c : cases) {
        const AxisRange r = NiceRange(c.low, c.high, c.maxIntervals);
        EXPECT_DOUBLE_EQ(r.min, c.min) << c.low << ".." << c.high;
        EXPECT_DOUBLE_EQ(r.max, c.max) << c.low << ".." << c.high;
        EXPECT_EQ(r.tickCount, c.ticks) << c.low << ".." << c.high;
    }
    const AxisRange nan = NiceRange(std::nan(""), 3, 8);
    EXPECT_TRUE(std::isfinite(nan.min) && std::isfinite(nan.max));
}

TEST(NiceRange, ARangeNarrowerThanTheMinimumSpanIsWidenedAboutItsMiddleWithoutCrossingZero) {
    const struct {
        double low, high, minSpan, min, max;
    } cases[] = {
        {249.9, 250.1, 10, 244, 256},  // a steady temperature's wobble stays a wobble
        {0, 3, 10, 0, 10},             // from 0 stays from 0
        {-3, 0, 10, -10, 0},
        {0, 0, 10, 0, 10},
        {-1, 1, 10, -6, 6},        // a range across 0 stays centred
        {100, 400, 10, 100, 400},  // wide enough already: as without a minimum
    };
    for (const auto& c : cases) {
        const AxisRange r = NiceRange(c.low, c.high, 6, c.minSpan);
        EXPECT_DOUBLE_EQ(r.min, c.min) << c.low << ".." << c.high;
        EXPECT_DOUBLE_EQ(r.max, c.max) << c.low << ".." << c.high;
        EXPECT_GE(r.max - r.min, c.minSpan) << c.low << ".." << c.high;
    }
}

}  // namespace
