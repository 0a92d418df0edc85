#include "simulator/FluidModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const FluidModel kFluid;

class FluidAtTime : public ::testing::TestWithParam<double> {};

TEST_P(FluidAtTime, KFallsAsTemperatureRises) {
    const double t = GetParam();
    double previous = kFluid.K(40, t);
    for (double temp = 60; temp <= 450; temp += 20) {
        const double k = kFluid.K(temp, t);
        EXPECT_LT(k, previous) << temp << " F at " << t << " s";
        previous = k;
    }
}

TEST_P(FluidAtTime, ViscosityAtAHundredFallsAsTemperatureRises) {
    const double t = GetParam();
    EXPECT_GT(kFluid.apparentViscosity_cP(100, 150, t), kFluid.apparentViscosity_cP(100, 250, t));
    EXPECT_GT(kFluid.apparentViscosity_cP(100, 250, t), kFluid.apparentViscosity_cP(100, 350, t));
}

INSTANTIATE_TEST_SUITE_P(Ages, FluidAtTime, ::testing::Values(0.0, 600.0, 3600.0, 4 * 3600.0));

class FluidAtTemperature : public ::testing::TestWithParam<double> {};

TEST_P(FluidAtTemperature, KFallsAndNClimbsAsTheGelBreaks) {
    const double temp = GetParam();
    double k = kFluid.K(temp, 0), n = kFluid.n(temp, 0);
    EXPECT_DOUBLE_EQ(n, kFluid.params().n0);
    for (double t = 900; t <= 8 * 3600; t += 900) {
        EXPECT_LT(kFluid.K(temp, t), k) << t;
        EXPECT_GT(kFluid.n(temp, t), n) << t;
        EXPECT_LE(kFluid.n(temp, t), 1.0);
        k = kFluid.K(temp, t);
        n = kFluid.n(temp, t);
    }
}

INSTANTIATE_TEST_SUITE_P(Temperatures, FluidAtTemperature, ::testing::Values(75.0, 150.0, 250.0, 350.0));

TEST(FluidModelBreak, HotterGelBreaksFaster) {
    const auto retained = [](double temp) { return kFluid.K(temp, 3600) / kFluid.K(temp, 0); };
    EXPECT_LT(retained(300), retained(200));
    EXPECT_LT(retained(200), retained(100));
}

TEST(FluidModelBreak, BrokenGelEndsAsTheNewtonianBaseFluid) {
    EXPECT_NEAR(kFluid.K(350, 1e7), kFluid.params().kBase, 1e-9);
    EXPECT_NEAR(kFluid.n(350, 1e7), 1.0, 1e-9);
    EXPECT_NEAR(kFluid.apparentViscosity_cP(511, 350, 1e7), 100 * kFluid.params().kBase, 1e-6);
}

TEST(FluidModelStress, IsAPowerLawOfTheShearRate) {
    for (const double temp : {100.0, 250.0}) {
        for (const double t : {0.0, 5000.0}) {
            const double k = kFluid.K(temp, t), n = kFluid.n(temp, t);
            EXPECT_NEAR(kFluid.shearStress(170, temp, t), k * std::pow(170, n), 1e-9);
            // The slope on log-log axes is n', as the program's fit will find it.
            const double slope =
                (std::log10(kFluid.shearStress(511, temp, t)) - std::log10(kFluid.shearStress(40, temp, t))) /
                (std::log10(511.0) - std::log10(40.0));
            EXPECT_NEAR(slope, n, 1e-9);
            EXPECT_DOUBLE_EQ(kFluid.shearStress(-170, temp, t), -kFluid.shearStress(170, temp, t));
            EXPECT_EQ(kFluid.shearStress(0, temp, t), 0.0);
        }
    }
}

TEST(FluidModelStress, FreshGelIsAPlausibleFracturingFluid) {
    // A crosslinked gel: hundreds to a few thousand cP at 100 1/s, shear-thinning.
    const double coldVisc = kFluid.apparentViscosity_cP(100, 75, 0);
    const double hotVisc = kFluid.apparentViscosity_cP(100, 250, 0);
    EXPECT_GT(coldVisc, 300);
    EXPECT_LT(coldVisc, 3000);
    EXPECT_GT(hotVisc, 100);
    EXPECT_LT(kFluid.apparentViscosity_cP(511, 250, 0), hotVisc);
}

TEST(FluidModelInputs, OddInputsGiveFiniteValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const double temp : {nan, inf, -inf, -1e300, 1e300, 75.0}) {
        for (const double t : {nan, inf, -5.0, 0.0, 1e300}) {
            EXPECT_TRUE(std::isfinite(kFluid.K(temp, t))) << temp << " " << t;
            EXPECT_TRUE(std::isfinite(kFluid.n(temp, t))) << temp << " " << t;
            EXPECT_TRUE(std::isfinite(kFluid.shearStress(100, temp, t))) << temp << " " << t;
            EXPECT_TRUE(std::isfinite(kFluid.shearStress(nan, temp, t))) << temp << " " << t;
        }
    }
}

TEST(FluidModelParams, AreTheFluidsOwn) {
    FluidModel::Params p;
    p.k0 = 10;
    p.n0 = 0.8;
    const FluidModel thin(p);
    EXPECT_NEAR(thin.K(p.reference_F, 0), 10, 1e-12);
    EXPECT_DOUBLE_EQ(thin.n(p.reference_F, 0), 0.8);
}

}  // namespace
