// Bingham plastic, Herschel-Bulkley and K'pipe beside the power law, and their tables.
#include "analysis/ModelTables.h"
#include "analysis/RampModels.h"
#include "common/VbFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr double kBobB1_cm = 1.7245;
// FANN 35 speeds 3 to 600 rpm as Newtonian shear rates.
const std::vector<double> kRates = {5.11, 10.22, 102.2, 170.3, 340.7, 511, 1022};

RampPoints pointsOf(const std::vector<double>& rates, const std::function<double(double)>& stress,
                    double relativeNoise = 0, unsigned seed = 7) {
    RampPoints ramp;
    ramp.rampNo = 1;
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, relativeNoise);
    for (double rate : rates) {
        ramp.shearRate_1ps.push_back(rate);
        ramp.shearStress_dyncm2.push_back(stress(rate) * (1.0 + (relativeNoise > 0 ? noise(random) : 0.0)));
    }
    return ramp;
}

std::vector<Reading> readingsOf(const RampPoints& ramp) {
    std::vector<Reading> readings;
    for (std::size_t i = 0; i < ramp.size(); ++i) {
        Reading r;
        r.rampNo = 1;
        r.time_s = 60.0 * double(i);
        r.typeId = 1;
        r.shearRate_1ps = ramp.shearRate_1ps[i];
        r.shearStress_dyncm2 = ramp.shearStress_dyncm2[i];
        readings.push_back(r);
    }
    return readings;
}

// Within three standard errors: where a fit from noisy readings must land (a 99.7 % band).
void expectWithinErrors(double fitted, double error, double truth, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(std::isfinite(error));
    EXPECT_GT(error, 0);
    EXPECT_LE(std::fabs(fitted - truth), 3 * error);
}

TEST(RampModels, BinghamMatchesTheRegressionWorkedByHand) {
    // x mean 250, y mean 100, Sxx 50000, Sxy 13000: slope 0.26 P, intercept 35; residuals -1, -2, 7, -4.
    const RampPoints ramp = pointsOf({100, 200, 300, 400}, [](double rate) {
        return std::map<double, double>{{100, 60}, {200, 85}, {300, 120}, {400, 135}}.at(rate);
    });
    const BinghamFit b = FitBingham(ramp);
    ASSERT_TRUE(b.fitted()) << b.failure.toStdString();
    EXPECT_NEAR(b.plasticViscosity_cP, 26.0, 1e-10);
    EXPECT_NEAR(b.yieldPoint_dyncm2, 35.0, 1e-10);
    EXPECT_NEAR(b.rSquared, 1.0 - 70.0 / 3450.0, 1e-12);
    EXPECT_NEAR(b.plasticViscosityError_cP, 100 * std::sqrt(35.0 / 50000.0), 1e-10);
    EXPECT_NEAR(b.yieldPointError_dyncm2, std::sqrt(35.0 * (0.25 + 62500.0 / 50000.0)), 1e-10);
    EXPECT_NEAR(b.viscosityAt(100), 26.0 + 35.0, 1e-10);
}

TEST(RampModels, EachModelRecoversTheParametersOfSyntheticReadings) {
    const double yp = 15, pv_P = 0.30;  // Bingham: 15 dyn/cm2, 30 cP
    const double tau0 = 20, k = 5, n = 0.6;
    for (double noise : {0.0, 0.01}) {
        SCOPED_TRACE(noise);
        const BinghamFit b = FitBingham(pointsOf(
            kRates, [&](double g) { return yp + pv_P * g; }, noise));
        const HerschelBulkleyFit h = FitHerschelBulkley(pointsOf(
            kRates, [&](double g) { return tau0 + k * std::pow(g, n); }, noise));
        ASSERT_TRUE(b.fitted());
        ASSERT_TRUE(h.fitted()) << h.failure.toStdString();
        EXPECT_FALSE(h.yieldStressAtBound);
        if (noise == 0) {
            EXPECT_NEAR(b.plasticViscosity_cP, 30, 1e-9);
            EXPECT_NEAR(b.yieldPoint_dyncm2, yp, 1e-9);
            EXPECT_NEAR(b.rSquared, 1, 1e-12);
            EXPECT_NEAR(h.yieldStress_dyncm2, tau0, 1e-6);
            EXPECT_NEAR(h.k_dynsncm2, k, 1e-7);
            EXPECT_NEAR(h.n, n, 1e-9);
            EXPECT_NEAR(h.rSquared, 1, 1e-12);
            EXPECT_NEAR(h.viscosityAt(511), 100 * (tau0 + k * std::pow(511, n)) / 511, 1e-6);
        } else {
            expectWithinErrors(b.plasticViscosity_cP, b.plasticViscosityError_cP, 30, "PV");
            expectWithinErrors(b.yieldPoint_dyncm2, b.yieldPointError_dyncm2, yp, "YP");
            expectWithinErrors(h.yieldStress_dyncm2, h.yieldStressError_dyncm2, tau0, "tau0");
            expectWithinErrors(h.k_dynsncm2, h.kError_dynsncm2, k, "K");
            expectWithinErrors(h.n, h.nError, n, "n");
            EXPECT_GT(h.rSquared, 0.99);
        }
    }
    // The power law's own fit: K' and n' of a power-law fluid come back exactly.
    const auto fits =
        FitRamps(readingsOf(pointsOf(kRates, [](double g) { return 3 * std::pow(g, 0.45); })), kBobB1_cm);
    ASSERT_EQ(fits.size(), 1u);
    EXPECT_NEAR(fits[0].NPrime, 0.45, 1e-12);
    EXPECT_NEAR(fits[0].KPrime, 3, 1e-10);
}

TEST(RampModels, HerschelBulkleyOnAFluidWithoutYieldStressGivesZeroAndThePowerLawsN) {
    const RampPoints ramp = pointsOf(kRates, [](double g) { return 2.0 * std::pow(g, 0.5); });
    const HerschelBulkleyFit h = FitHerschelBulkley(ramp);
    const auto powerLaw = FitRamps(readingsOf(ramp), kBobB1_cm);
    ASSERT_TRUE(h.fitted()) << h.failure.toStdString();
    ASSERT_EQ(powerLaw.size(), 1u);
    EXPECT_NEAR(h.yieldStress_dyncm2, 0, 1e-6);
    EXPECT_NEAR(h.n, powerLaw[0].NPrime, 1e-8);
    EXPECT_NEAR(h.k_dynsncm2, powerLaw[0].KPrime, 1e-6);

    // A curve that would need a negative yield stress: it is held at its bound, with K and n fitted alone.
    const HerschelBulkleyFit held =
        FitHerschelBulkley(pointsOf(kRates, [](double g) { return 2.0 * std::pow(g, 0.5) - 3.0; }));
    ASSERT_TRUE(held.fitted()) << held.failure.toStdString();
    EXPECT_TRUE(held.yieldStressAtBound);
    EXPECT_EQ(held.yieldStress_dyncm2, 0.0);
    EXPECT_TRUE(std::isnan(held.yieldStressError_dyncm2));
    EXPECT_TRUE(std::isfinite(held.nError));
}

TEST(RampModels, KPipeIsKvTimesItsFlowFactorAndTheViscositiesAreTheResultsTables) {
    for (double n : {0.35, 0.5, 1.0}) {
        SCOPED_TRACE(n);
        const std::vector<RampPoints> ramps = {
            pointsOf(kRates, [&](double g) { return 4 * std::pow(g, n); })};
        const std::vector<RampFit> powerLaw = FitPowerLaw(ramps, kBobB1_cm);
        const std::vector<RampModelFits> models = FitRampModels(ramps, powerLaw);
        ASSERT_EQ(models.size(), 1u);
        ASSERT_TRUE(models[0].powerLaw && models[0].powerLaw->Valid);
        const RampFit& p = *models[0].powerLaw;
        EXPECT_NEAR(models[0].kPipe, p.Kv * std::pow((3 * n + 1) / (4 * n), n), 1e-12 * p.Kv);
        EXPECT_EQ(models[0].viscosityAt(RampModel::PowerLaw, 40), p.Visc40);
        EXPECT_EQ(models[0].viscosityAt(RampModel::PowerLaw, 170), p.Visc170);
    }
    EXPECT_DOUBLE_EQ(PipeConsistency(10, 1.0), 10);  // Newtonian: no correction
}

TEST(RampModels, AFitThatCannotBeMadeSaysWhyInItsRow) {
    struct Case {
        const char* what;
        RampPoints ramp;
        const char* bingham;
        const char* herschelBulkley;
    };
    const Case cases[] = {
        {"two points", pointsOf({10, 100}, [](double g) { return g; }),
         "2 ramp points; a fit needs at least 3", "2 ramp points; a fit needs at least 3"},
        {"one rate", pointsOf({100, 100, 100}, [](double) { return 50.0; }),
         "every ramp point has the same shear rate", "every ramp point has the same shear rate"},
        {"stress falling with rate", pointsOf({10, 100, 1000}, [](double g) { return 1000 / g; }), "",
         "no curve with K > 0 and n > 0 fits the ramp points"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FitBingham(c.ramp).failure.toStdString(), c.bingham);
        EXPECT_EQ(FitHerschelBulkley(c.ramp).failure.toStdString(), c.herschelBulkley);
    }

    OpenedTest test;
    test.rampCount = 2;
    test.models = {fitRampModels(cases[0].ramp, nullptr), fitRampModels(cases[1].ramp, nullptr)};
    test.models[1].rampNo = 2;
    const model_tables::Table table =
        model_tables::Build(RampModel::HerschelBulkley, test, UnitSystem::CGS, {});
    ASSERT_EQ(table.rows.size(), 2);
    EXPECT_EQ(table.rows[0][model_tables::kFirstParameterCell], "2 ramp points; a fit needs at least 3");
    EXPECT_EQ(table.failureCell[0], model_tables::kFirstParameterCell);
    EXPECT_EQ(table.rows[0].size(), table.header.size());
    EXPECT_TRUE(table.rows[0].mid(model_tables::kFirstParameterCell + 1).join(QString()).isEmpty());
}

// Readings of any size and shape (GSL aborts the program on a singular matrix unless told not to) give
// either finite numbers or a reason.
TEST(RampModels, ArbitraryReadingsGiveNumbersOrAReasonNeverACrash) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> exponent(-6, 8);
    std::uniform_int_distribution<int> count(3, 9);
    for (int i = 0; i < 2000; ++i) {
        RampPoints ramp;
        const int points = count(random);
        for (int p = 0; p < points; ++p) {
            ramp.shearRate_1ps.push_back(i % 7 == 0 && p > 0 ? ramp.shearRate_1ps[0] * 1.0000001
                                                             : std::pow(10.0, exponent(random)));
            ramp.shearStress_dyncm2.push_back(i % 5 == 0 ? 50.0 : std::pow(10.0, exponent(random)));
        }
        const HerschelBulkleyFit h = FitHerschelBulkley(ramp);
        const BinghamFit b = FitBingham(ramp);
        if (h.fitted()) {
            EXPECT_TRUE(std::isfinite(h.yieldStress_dyncm2) && h.yieldStress_dyncm2 >= 0) << i;
            EXPECT_TRUE(std::isfinite(h.k_dynsncm2) && h.k_dynsncm2 > 0 && h.n > 0) << i;
        }
        if (b.fitted())
            EXPECT_TRUE(std::isfinite(b.plasticViscosity_cP) && std::isfinite(b.yieldPoint_dyncm2)) << i;
    }
}

// The tables: stresses in the unit system shown, the chosen rates after 40, 100 and 170 1/s, and the
// power law's table the results table itself until K'pipe or a rate is asked for.
TEST(ModelTables, ShowStressesInTheUnitSystemAndTheChosenRates) {
    const double yp = 4.7880259 * 10;  // 10 lbf/100ft2
    const RampPoints ramp = pointsOf(kRates, [&](double g) { return yp + 0.2 * g; });
    OpenedTest test;
    test.readings = readingsOf(ramp);
    test.rampCount = 1;
    test.fits = FitRamps(test.readings, kBobB1_cm);
    test.models = FitRampModels(CollectRampPoints(test.readings), test.fits);

    struct Case {
        UnitSystem system;
        const char* ypHeader;
        const char* yp;
    };
    for (const Case& c :
         {Case{UnitSystem::CGS, "YP\r(dyn/cm2)", "47.880"},
          Case{UnitSystem::EI, "YP\r(lbf/100ft2)", "10.000"}, Case{UnitSystem::SI, "YP\r(Pa)", "4.788"}}) {
        const model_tables::Table b =
            model_tables::Build(RampModel::Bingham, test, c.system, {false, {511, 100}});
        EXPECT_EQ(b.header[5], c.ypHeader);
        EXPECT_EQ(b.rows[0][5], c.yp);
        EXPECT_EQ(b.header.mid(9), QStringList({"Visc\r@40 1/S (cP)", "Visc\r@100 1/S (cP)",
                                                "Visc\r@170 1/S (cP)", "Visc\r@511 1/S (cP)"}));
        EXPECT_EQ(b.rows[0][12], vb::Format(100 * (yp / 511 + 0.2), QStringLiteral("#")));
    }

    const ResultsTable results = BuildResultsTable(test.fits, test.rampCount, UnitSystem::EI);
    const model_tables::Table plain =
        model_tables::Build(RampModel::PowerLaw, test, UnitSystem::EI, {false, {}});
    EXPECT_EQ(plain.header, results.header);
    EXPECT_EQ(plain.rows, results.rows);
    const model_tables::Table more =
        model_tables::Build(RampModel::PowerLaw, test, UnitSystem::EI, {true, {511}});
    EXPECT_EQ(more.header[9], "K'pipe\rlbf-s^n/ft2");
    EXPECT_EQ(more.rows[0][9], vb::Format(test.models[0].kPipe / 478.8, QStringLiteral("0.000000")));
    EXPECT_EQ(more.rows[0].mid(10, 3), results.rows[0].mid(9, 3));
    EXPECT_EQ(more.rows[0][13], vb::Format(test.fits[0].viscosityAt(511), QStringLiteral("#")));
}

}  // namespace
