#include "common/LinearFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(LinearFit, Log10IsTheBaseTenLogarithm) {
    for (double x : {1.0, 10.0, 1000.0, 0.01, 5.0, 1e-300, 1e300}) {
        SCOPED_TRACE(x);
        EXPECT_NEAR(Log10(x), std::log10(x), 1e-12 * std::max(1.0, std::fabs(std::log10(x))));
    }
}

struct FitCase {
    const char* what;
    std::vector<double> x, y;
    double slope, intercept, r;
};

TEST(LinearFit, FitsSlopeInterceptAndCorrelation) {
    const double nan = std::nan("");
    const std::vector<FitCase> cases = {
        {"exact line", {1, 2, 3}, {3, 5, 7}, 2, 1, 1},
        {"falling line", {0, 1, 2, 3}, {4, 3, 2, 1}, -1, 4, 1},
        {"scattered points", {1, 2, 3, 4}, {1, 3, 2, 4}, 0.8, 0.5, 0.8},
        {"y summing to zero still fits", {1, 2, 3}, {-0.30103, 0, 0.30103}, 0.30103, -0.60206, 1},
        {"all y equal gives zeros", {1, 2, 3}, {2, 2, 2}, 0, 0, 0},
        {"all x equal keeps the caller's values", {2, 2, 2}, {1, 2, 3}, nan, nan, 0},
        {"one point keeps the caller's values", {1}, {1}, nan, nan, 0},
        {"no points keeps the caller's values", {}, {}, nan, nan, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        double slope = 7.5, intercept = -2.5;  // what the caller had
        const double r = LinearFit(c.x, c.y, slope, intercept);
        EXPECT_NEAR(r, c.r, 1e-9);
        EXPECT_NEAR(slope, std::isnan(c.slope) ? 7.5 : c.slope, 1e-9);
        EXPECT_NEAR(intercept, std::isnan(c.intercept) ? -2.5 : c.intercept, 1e-9);
    }
}

// A ramp holding an infinite stored value shows no correlation rather than a perfect one.
TEST(LinearFit, AnInfinitePointGivesNoCorrelation) {
    const std::vector<double> x = {1, 2, INFINITY}, y = {1, 2, 3};
    double slope = 0, intercept = 0;
    EXPECT_EQ(LinearFit(x, y, slope, intercept), 0.0);
}

TEST(LinearFit, UsesOnlyThePointsBothArraysHold) {
    const std::vector<double> x = {1, 2, 3, 4};
    const std::vector<double> y = {2, 4, 6};
    double slope = 0, intercept = 0;
    EXPECT_NEAR(LinearFit(x, y, slope, intercept), 1.0, 1e-12);
    EXPECT_NEAR(slope, 2.0, 1e-12);
    EXPECT_NEAR(intercept, 0.0, 1e-12);
}

}  // namespace
