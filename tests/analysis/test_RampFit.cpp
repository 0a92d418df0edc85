#include "analysis/RampFit.h"

#include "analysis/RampFitDisplay.h"
#include "common/ApparentViscosity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kBobB5_cm = 1.5987;
constexpr double kBobB1_cm = 1.7245;

Reading rampReading(double ramp, double time_s, double rate, double stress) {
    Reading r;
    r.rampNo = ramp;
    r.time_s = time_s;
    r.sampleTemp_F = 150;
    r.pressure_psi = 400;
    r.shearRate_1ps = rate;
    r.shearStress_dyncm2 = stress;
    r.typeId = 1;
    r.bathTemp_F = 152;
    return r;
}

Reading plainReading(double ramp, double time_s, double temp_F = 150, double pressure_psi = 400) {
    Reading r = rampReading(ramp, time_s, 100, 50);
    r.typeId = 0;
    r.sampleTemp_F = temp_F;
    r.pressure_psi = pressure_psi;
    return r;
}

// The worked ramp: rates 10, 100, 1000 1/s with stresses 10, 50, 250 dyn/cm2 (n' = log10 5, K' = 2).
std::vector<Reading> workedRamp(double ramp, double t0) {
    return {rampReading(ramp, t0, 10, 10), rampReading(ramp, t0 + 10, 100, 50),
            rampReading(ramp, t0 + 20, 1000, 250)};
}

void append(std::vector<Reading>& to, const std::vector<Reading>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

TEST(FitRamps, WorkedRampGivesNPrimeKPrimeAndRSquared) {
    const auto fits = FitRamps(workedRamp(1, 0), kBobB5_cm);
    ASSERT_EQ(fits.size(), 1u);
    const RampFit& f = fits[0];
    EXPECT_EQ(f.RampNo, 1);
    EXPECT_EQ(f.PointCount, 3);
    EXPECT_NEAR(f.NPrime, std::log10(5.0), 1e-12);
    EXPECT_NEAR(f.KPrime, 2.0, 1e-12);
    EXPECT_NEAR(f.RSquared, 1.0, 1e-12);
    EXPECT_TRUE(f.Valid);
    const QStringList cells = ramp_display::RowCells(f, UnitSystem::CGS);
    EXPECT_EQ(cells[4], "0.6990");
    EXPECT_EQ(cells[5], "0002.000");
    EXPECT_EQ(cells[6], "1.0000");
}

TEST(FitRamps, RampsNeedThreeUsablePoints) {
    struct Case {
        const char* what;
        std::vector<Reading> readings;
        int points;  // -1: no fit
    };
    Reading zeroRate = rampReading(1, 5, 0, 30);
    Reading zeroStress = rampReading(1, 6, 300, 0);
    Reading negativeStress = rampReading(1, 7, 300, -4);
    Reading ordinary = plainReading(1, 8);
    Reading infinite = rampReading(1, 9, std::numeric_limits<double>::infinity(), 5);
    const std::vector<Reading> worked = workedRamp(1, 0);
    const std::vector<Case> cases = {
        {"two points give no row", {worked[0], worked[1]}, -1},
        {"three give one", worked, 3},
        {"no points", {}, -1},
        {"a stopped rotor is passed over", {worked[0], zeroRate, worked[1], worked[2]}, 3},
        {"passed-over readings do not make up the count",
         {worked[0], zeroRate, zeroStress, negativeStress, worked[1]},
         -1},
        {"ordinary readings are not ramp points", {ordinary, worked[0], ordinary, worked[1], ordinary}, -1},
        {"an infinite rate is not a point", {worked[0], infinite, worked[1], worked[2]}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto fits = FitRamps(c.readings, kBobB5_cm);
        if (c.points < 0) {
            EXPECT_TRUE(fits.empty());
        } else {
            ASSERT_EQ(fits.size(), 1u);
            EXPECT_EQ(fits[0].PointCount, c.points);
            EXPECT_NEAR(fits[0].NPrime, std::log10(5.0), 1e-12);
        }
    }
}

TEST(FitRamps, EqualStressesGiveAnNARow) {
    const std::vector<Reading> readings = {rampReading(1, 0, 10, 40), rampReading(1, 10, 100, 40),
                                           rampReading(1, 20, 1000, 40)};
    const auto fits = FitRamps(readings, kBobB5_cm);
    ASSERT_EQ(fits.size(), 1u);
    EXPECT_EQ(fits[0].NPrime, 0.0);
    EXPECT_FALSE(fits[0].Valid);
    EXPECT_EQ(fits[0].State, FitState::OutsideWindow);
    const QStringList cells = ramp_display::RowCells(fits[0], UnitSystem::CGS);
    EXPECT_EQ(cells.mid(0, 5), QStringList({" 1", ".", "150", "400", "0.0000"}));
    EXPECT_EQ(cells.mid(5), QStringList(7, "N/A"));
}

TEST(FitRamps, ScanStopsAtTheNextRampsFirstReadingAndNeverGoesBack) {
    // Ramp 1 fitted, ramp 2 only two points, ramp 3 fitted; ordinary readings between them.
    std::vector<Reading> readings;
    readings.push_back(plainReading(1, 0));
    append(readings, workedRamp(1, 60));
    readings.push_back(plainReading(2, 600, 212, 100));  // the scan of ramp 1 stops here
    readings.push_back(rampReading(2, 660, 10, 10));
    readings.push_back(rampReading(2, 670, 100, 50));
    append(readings, workedRamp(3, 1200));
    readings.push_back(rampReading(1, 1230, 10, 99));  // a stray lower ramp number is taken by ramp 3's scan
    readings.push_back(plainReading(3, 1500, 300, 900));  // last reading: where ramp 3's scan ends

    EXPECT_EQ(RampCount(readings), 3);
    const auto fits = FitRamps(readings, kBobB5_cm);
    ASSERT_EQ(fits.size(), 2u);
    EXPECT_EQ(fits[0].RampNo, 1);
    EXPECT_DOUBLE_EQ(fits[0].ElapsedMin, 10.0);
    EXPECT_DOUBLE_EQ(fits[0].SampleTemp, 212);
    EXPECT_DOUBLE_EQ(fits[0].Pressure, 100);
    EXPECT_EQ(fits[0].PointCount, 3);
    EXPECT_EQ(fits[1].RampNo, 3);
    EXPECT_DOUBLE_EQ(fits[1].ElapsedMin, 25.0);
    EXPECT_DOUBLE_EQ(fits[1].SampleTemp, 300);
    EXPECT_DOUBLE_EQ(fits[1].Pressure, 900);
    EXPECT_EQ(fits[1].PointCount, 4);

    const auto rows = ramp_display::ResultRows(fits, UnitSystem::CGS);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].first, 1);
    EXPECT_EQ(rows[1].first, 3);
    EXPECT_EQ(rows[1].second[0], " 3");
}

TEST(FitRamps, ReadingsAfterALowerLastRampNumberAreNotFitted) {
    // The last reading sets the ramp count; a ramp-2 run before a final ramp-1 reading is never reached.
    std::vector<Reading> readings = workedRamp(1, 0);
    append(readings, workedRamp(2, 100));
    readings.push_back(plainReading(1, 200));
    const auto fits = FitRamps(readings, kBobB5_cm);
    ASSERT_EQ(fits.size(), 1u);
    EXPECT_EQ(fits[0].RampNo, 1);
}

TEST(FitRamps, RampWithoutALineTakesThePreviousSlopeAndIntercept) {
    // All readings of ramp 2 at one shear rate: no line through them.
    std::vector<Reading> readings = workedRamp(1, 0);
    readings.push_back(rampReading(2, 100, 100, 30));
    readings.push_back(rampReading(2, 110, 100, 40));
    readings.push_back(rampReading(2, 120, 100, 50));
    const auto fits = FitRamps(readings, kBobB5_cm);
    ASSERT_EQ(fits.size(), 2u);
    EXPECT_DOUBLE_EQ(fits[1].NPrime, fits[0].NPrime);
    EXPECT_DOUBLE_EQ(fits[1].KPrime, fits[0].KPrime);
    EXPECT_EQ(fits[1].RSquared, 0.0);

    // Before any fit the carried values are 0 and 0: outside the window.
    const std::vector<Reading> first(readings.begin() + 3, readings.end());
    const auto alone = FitRamps(first, kBobB5_cm);
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].RampNo, 2);
    EXPECT_EQ(alone[0].NPrime, 0.0);
    EXPECT_FALSE(alone[0].Valid);
}

TEST(FitRamps, LogStressesSummingToZeroAreFittedNotCarriedOver) {
    std::vector<Reading> readings = workedRamp(1, 0);
    readings.push_back(rampReading(2, 100, 10, 0.5));
    readings.push_back(rampReading(2, 110, 100, 1));
    readings.push_back(rampReading(2, 120, 1000, 2));
    const auto fits = FitRamps(readings, kBobB5_cm);
    ASSERT_EQ(fits.size(), 2u);
    EXPECT_NEAR(fits[1].NPrime, std::log10(2.0), 1e-12);
    EXPECT_NEAR(fits[1].KPrime, 0.25, 1e-12);
    EXPECT_NEAR(fits[1].RSquared, 1.0, 1e-12);
}

TEST(FitRamps, NewtonianFluidNeedsNoBobOrSlotCorrection) {
    const std::vector<Reading> readings = {rampReading(1, 0, 10, 30), rampReading(1, 10, 100, 300),
                                           rampReading(1, 20, 1000, 3000)};
    const auto fits = FitRamps(readings, kBobB1_cm);
    ASSERT_EQ(fits.size(), 1u);
    const RampFit& f = fits[0];
    EXPECT_NEAR(RadiusRatio(kBobB1_cm), 1.06784, 1e-5);
    EXPECT_NEAR(f.NPrime, 1.0, 1e-12);
    EXPECT_NEAR(f.Kv, f.KPrime, 1e-9);
    EXPECT_NEAR(f.KSlot, f.Kv, 1e-9);
    for (double v : {f.Visc40, f.Visc100, f.Visc170}) EXPECT_NEAR(v, 100 * f.KSlot, 1e-7);
}

TEST(CompleteFit, ValidityWindowBoundsNPrimeAndIntercept) {
    struct Case {
        double nPrime, intercept;
        FitState state;
    };
    const std::vector<Case> cases = {
        {0.002, 0, FitState::OutsideWindow},
        {0.0021, 0, FitState::Valid},
        {4.999, 0, FitState::Valid},
        {5, 0, FitState::OutsideWindow},
        {-0.5, 0, FitState::OutsideWindow},
        {0.5, 31.9, FitState::Valid},
        {0.5, 32, FitState::OutsideWindow},
        {std::nan(""), 0, FitState::OutsideWindow},
        {0.5, std::nan(""), FitState::OutsideWindow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "n'=" << c.nPrime << " intercept=" << c.intercept);
        RampFit f;
        f.NPrime = c.nPrime;
        f.Intercept = c.intercept;
        CompleteFit(f, kBobB5_cm);
        EXPECT_EQ(f.State, c.state);
        EXPECT_EQ(f.Valid, c.state == FitState::Valid);
    }
}

TEST(CompleteFit, BobCorrectionMatchesTheDirectFormulaAndNeverOverflows) {
    const double nan = std::nan("");
    struct Case {
        double radius_cm, nPrime;
        FitState state;
    };
    const std::vector<Case> cases = {
        {kBobB5_cm, 0.5, FitState::Valid},
        {1.2276, 0.3, FitState::Valid},
        {0.01, 0.0025, FitState::Valid},  // s^(2/n') would be 184^800
        {kBobB1_cm, 0.0021, FitState::Valid},
        {0, 0.5, FitState::NoGeometry},
        {-1.5, 0.5, FitState::NoGeometry},
        {nan, 0.5, FitState::NoGeometry},
        {kRotorRadius_cm, 0.5, FitState::NoGeometry},  // s = 1: no gap
        {2.0, 0.5, FitState::NoGeometry},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "radius " << c.radius_cm << " n' " << c.nPrime);
        RampFit f;
        f.NPrime = c.nPrime;
        f.Intercept = 0.3;
        CompleteFit(f, c.radius_cm);
        EXPECT_EQ(f.State, c.state);
        for (double v : {f.KPrime, f.Kv, f.KSlot, f.Visc40, f.Visc100, f.Visc170})
            EXPECT_TRUE(std::isfinite(v));
        for (UnitSystem unit : {UnitSystem::CGS, UnitSystem::EI, UnitSystem::SI})
            for (const QString& cell : ramp_display::RowCells(f, unit)) {
                EXPECT_FALSE(cell.contains("nan", Qt::CaseInsensitive));
                EXPECT_FALSE(cell.contains("inf", Qt::CaseInsensitive));
            }
        if (c.state != FitState::Valid) {
            EXPECT_EQ(ramp_display::RowCells(f, UnitSystem::CGS).mid(5), QStringList(7, "N/A"));
            continue;
        }
        const double s = kRotorRadius_cm / c.radius_cm, n = c.nPrime, a = std::pow(s, 2 / n);
        if (!std::isfinite(a)) continue;
        const double ratio = ((s * s - 1) * a) / (n * s * s * (a - 1));
        EXPECT_NEAR(f.Kv / (f.KPrime * std::pow(ratio, -n)), 1.0, 1e-9);
    }
}

TEST(FitRamps, BadBobRadiusLeavesEveryRampAnNARowWithItsNPrime) {
    std::vector<Reading> readings = workedRamp(1, 0);
    append(readings, workedRamp(2, 100));
    for (double radius : {0.0, std::nan("")}) {
        const auto fits = FitRamps(readings, radius);
        ASSERT_EQ(fits.size(), 2u);
        for (const RampFit& f : fits) {
            EXPECT_EQ(f.State, FitState::NoGeometry);
            const QStringList cells = ramp_display::RowCells(f, UnitSystem::CGS);
            EXPECT_EQ(cells[4], "0.6990");
            EXPECT_EQ(cells.mid(5), QStringList(7, "N/A"));
        }
    }
}

TEST(FitRamps, GarbageRampNumbersNeitherHangNorCrash) {
    // A gap of two thousand million ramps is skipped, not walked.
    std::vector<Reading> readings = workedRamp(1, 0);
    append(readings, workedRamp(2e9, 100));
    auto fits = FitRamps(readings, kBobB5_cm);
    ASSERT_EQ(fits.size(), 2u);
    EXPECT_EQ(fits[1].RampNo, 2000000000);

    // Beyond int: the count saturates and that ramp is never reached.
    readings = workedRamp(1, 0);
    append(readings, workedRamp(3e9, 100));
    EXPECT_EQ(RampCount(readings), std::numeric_limits<int>::max());
    fits = FitRamps(readings, kBobB5_cm);
    ASSERT_EQ(fits.size(), 1u);

    readings = workedRamp(1, 0);
    append(readings, workedRamp(std::nan(""), 100));
    EXPECT_EQ(RampCount(readings), 0);
    EXPECT_TRUE(FitRamps(readings, kBobB5_cm).empty());

    readings = workedRamp(1, 0);
    readings.insert(readings.begin() + 1, rampReading(std::nan(""), 5, 10, 10));
    append(readings, workedRamp(2, 100));
    fits = FitRamps(readings, kBobB5_cm);  // the scan cannot pass a reading without a ramp number
    EXPECT_TRUE(fits.empty());

    // Ramps 1 and 2 without readings: the first fit is ramp 3.
    fits = FitRamps(workedRamp(3, 0), kBobB5_cm);
    ASSERT_EQ(fits.size(), 1u);
    EXPECT_EQ(fits[0].RampNo, 3);
}

TEST(ReadingViscosity, IsZeroForAStoppedRotorAndCentipoiseOtherwise) {
    const std::vector<std::tuple<double, double, double>> cases = {
        {0, 50, 0},
        {0.000009, 50, 0},
        {-5, 50, 0},
        {100, 50, 100 * 50 / 100.00001},
        {0.00001, 1, 100 / 0.00002},
    };
    for (const auto& [rate, stress, visc] : cases) {
        SCOPED_TRACE(rate);
        EXPECT_DOUBLE_EQ(ReadingViscosity(rate, stress), visc);
    }
}

TEST(RampGeometry, ShearRateFactorAndRadiusRatio) {
    EXPECT_NEAR(ShearRateFactor(kBobB1_cm), 1.7023, 5e-5);
    EXPECT_EQ(ShearRateFactor(0), 0.0);
    EXPECT_EQ(ShearRateFactor(kRotorRadius_cm), 0.0);
    EXPECT_EQ(RadiusRatio(0), 0.0);
    EXPECT_NEAR(RadiusRatio(kBobB5_cm), 1.8415 / 1.5987, 1e-15);
}

TEST(ReadingFromAll, TakesTheColumnsInRecordOrder) {
    const QVariantList all = {17, 4, 2, 3, 600.0, 250.0, 400.0, 511.1, 250.3, 1, 252.0};
    const Reading r = ReadingFromAll(all);
    EXPECT_EQ(r.rampNo, 2);
    EXPECT_EQ(r.rampStepNo, 3);
    EXPECT_EQ(r.time_s, 600);
    EXPECT_EQ(r.sampleTemp_F, 250);
    EXPECT_EQ(r.pressure_psi, 400);
    EXPECT_EQ(r.shearRate_1ps, 511.1);
    EXPECT_EQ(r.shearStress_dyncm2, 250.3);
    EXPECT_EQ(r.typeId, 1);
    EXPECT_EQ(r.bathTemp_F, 252);
    const Reading shortRow = ReadingFromAll({1, 2, 3});
    EXPECT_EQ(shortRow.rampNo, 3);
    EXPECT_EQ(shortRow.bathTemp_F, 0);
}

}  // namespace
