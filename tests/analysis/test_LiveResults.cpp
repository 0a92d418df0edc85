// The live results of a running test against the main window's whole-test fit, reading by reading.

#include "analysis/LiveResults.h"

#include "support/QStringPrinter.h"
#include "support/StoredTestBuilder.h"

#include <gtest/gtest.h>

namespace {

using stored_test::ordinary;
using stored_test::rampPoint;

// Every field the results table and the reports read, bit for bit.
void expectSameFits(const std::vector<RampFit>& live, const std::vector<RampFit>& whole,
                    const std::string& where) {
    const auto fields = [](const std::vector<RampFit>& fits) {
        std::vector<std::vector<double>> all;
        for (const RampFit& f : fits)
            all.push_back({double(f.RampNo), double(f.PointCount), double(f.State), f.ElapsedMin,
                           f.SampleTemp, f.Pressure, f.NPrime, f.Intercept, f.RSquared, f.Kv, f.Visc100});
        return all;
    };
    EXPECT_EQ(fields(live), fields(whole)) << where;
}

TEST(LiveResults, AfterEveryReadingTheFitsAndTableAreThoseOfTheWholeTest) {
    struct Case {
        const char* name;
        std::vector<Reading> readings;
    };
    std::vector<Reading> carried = {rampPoint(1, 1, 10, 10, 10), rampPoint(1, 2, 20, 100, 50),
                                    rampPoint(1, 3, 30, 1000, 250), ordinary(1, 40)};
    // Ramp 2's points admit no line (one rate): it takes ramp 1's slope and intercept.
    stored_test::append(carried, {rampPoint(2, 1, 50, 50, 20), rampPoint(2, 2, 60, 50, 30),
                                  rampPoint(2, 3, 70, 50, 40), ordinary(2, 80)});
    const Case cases[] = {
        {"ramps with ordinary readings between", stored_test::rampsOneAndThree("t").readings},
        {"a degenerate ramp after a fitted one", carried},
        {"a ramp number that falls",
         {rampPoint(2, 1, 0, 10, 10), rampPoint(2, 2, 10, 100, 50), rampPoint(2, 3, 20, 1000, 250),
          rampPoint(1, 1, 30, 10, 12), rampPoint(1, 2, 40, 100, 40), rampPoint(1, 3, 50, 1000, 300)}},
    };
    for (const Case& c : cases) {
        LiveResults live;
        live.reset(1.5987);
        for (std::size_t n = 1; n <= c.readings.size(); ++n) {
            live.add(c.readings[n - 1]);
            const std::span<const Reading> sofar(c.readings.data(), n);
            const std::string where = std::string(c.name) + " after " + std::to_string(n);
            expectSameFits(live.fits(), FitRamps(sofar, 1.5987), where);
            const ResultsTable whole =
                BuildResultsTable(FitRamps(sofar, 1.5987), RampCount(sofar), UnitSystem::EI);
            const ResultsTable table = live.table(UnitSystem::EI);
            EXPECT_EQ(table.rows, whole.rows) << where;
            EXPECT_EQ(live.gridRows(), whole.gridRows()) << where;
            for (int ramp : live.changedRamps())
                EXPECT_TRUE(live.fitOf(ramp) || table.rows.value(ramp - 1).isEmpty()) << where;
        }
    }
}

TEST(LiveResults, TheGraphGetsTheLatestThreeHundredReadings) {
    LiveResults live;
    live.reset(1.5987);
    for (int i = 0; i < 1000; ++i) live.add(ordinary(1, i));
    const std::span<const Reading> shown = live.chartReadings();
    ASSERT_EQ(shown.size(), std::size_t(LiveResults::kChartReadings));
    EXPECT_EQ(shown.front().time_s, 700);
    EXPECT_EQ(shown.back().time_s, 999);
}

}  // namespace
