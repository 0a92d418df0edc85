// Where a drawn line breaks so that the time a station was away shows as a gap.

#include "common/TimeGaps.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(LineBreaks, ALineBreaksAtTheFirstPointPastEachGapAndNowhereElse) {
    const std::vector<double> times_s = {0, 30, 60, 300, 330, 900, 930};
    const struct {
        const char* what;
        std::vector<TimeGap> gaps;
        double perSecond;
        std::vector<std::size_t> breaks;
    } cases[] = {
        {"no gap", {}, 1, {}},
        {"one gap", {{60, 300}}, 1, {3}},
        {"two gaps", {{60, 300}, {330, 900}}, 1, {3, 5}},
        {"gaps in any order", {{330, 900}, {60, 300}}, 1, {3, 5}},
        {"a gap without length", {{60, 60}}, 1, {}},
        {"a gap before every point or after the last", {{-100, -10}, {930, 2000}}, 1, {}},
        {"the same gap twice", {{60, 300}, {60, 300}}, 1, {3}},
    };
    for (const auto& c : cases) EXPECT_EQ(LineBreaks(times_s, c.gaps, c.perSecond), c.breaks) << c.what;

    // Minutes that went through a division still break at the right point.
    std::vector<double> minutes;
    for (double t : times_s) minutes.push_back(t / 60.0);
    EXPECT_EQ(LineBreaks(minutes, std::vector<TimeGap>{{60, 300}}, 1.0 / 60.0), std::vector<std::size_t>{3});
}

}  // namespace
