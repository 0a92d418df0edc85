#include "analysis/ChartSeries.h"
#include "analysis/ChartSession.h"
#include "analysis/OpenTest.h"
#include "common/ApparentViscosity.h"
#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>

namespace {

// The sort as the charts describe it, O(n^2): the reference for the fast one.
std::vector<std::size_t> exchangeSorted(const std::vector<double>& x) {
    std::vector<std::pair<double, std::size_t>> a;
    for (std::size_t i = 0; i < x.size(); ++i) a.emplace_back(x[i], i);
    for (std::size_t p = 0; p < a.size(); ++p)
        for (std::size_t q = p + 1; q < a.size(); ++q)
            if (a[q].first < a[p].first) std::swap(a[p], a[q]);
    std::vector<std::size_t> order;
    for (const auto& e : a) order.push_back(e.second);
    return order;
}

TEST(ExchangeSortOrder, GivesTheExchangeSortsOwnOrderOfEqualValuesWhichIsNotStable) {
    struct Case {
        int size;
        int distinct;  // values drawn from 0 .. distinct - 1; 0: all different
        unsigned seed;
    };
    const Case cases[] = {{0, 1, 1},   {1, 1, 2},    {7, 1, 3},   {12, 2, 4},  {40, 3, 5},
                          {200, 5, 6}, {300, 40, 7}, {300, 0, 8}, {150, 2, 9}, {500, 12, 10}};
    for (const Case& c : cases) {
        std::mt19937 random(c.seed);
        std::vector<double> x(c.size);
        for (int i = 0; i < c.size; ++i) x[i] = c.distinct ? double(random() % c.distinct) : double(random());
        EXPECT_EQ(ExchangeSortOrder(x), exchangeSorted(x)) << c.size << " " << c.distinct;
    }
    // Falling values (a cooling test), and signed zeros, which compare equal.
    std::vector<double> falling;
    for (int i = 0; i < 300; ++i) falling.push_back(300 - i / 3);
    EXPECT_EQ(ExchangeSortOrder(falling), exchangeSorted(falling));
    const std::vector<double> zeros{0.0, -0.0, 1, -0.0, 0.0, -1};
    EXPECT_EQ(ExchangeSortOrder(zeros), exchangeSorted(zeros));
    // A stable sort would give 1, 0, 3.
    EXPECT_EQ(ExchangeSortOrder(std::vector<double>{2, 2, 1, 2}), (std::vector<std::size_t>{2, 1, 0, 3}));
}

// Two tests stored in a database of their own; "Gel A" has its readings out of rate order, a ramp reading
// at 0.00001 1/s (where the two viscosities differ) and three readings at 100 1/s (whose order the sort
// changes).
class ChartsOfStoredTests : public ::testing::Test {
  protected:
    void SetUp() override {
        connection.OpenDB();
        ASSERT_TRUE(connection.IsOpen());
        stored_test::Test a;
        a.name = QStringLiteral("Gel A");
        auto row = [](double time_s, double temp_F, double rate, double stress, double type) {
            Reading r = stored_test::ordinary(1, time_s, temp_F);
            r.shearRate_1ps = rate;
            r.shearStress_dyncm2 = stress;
            r.typeId = type;
            r.bathTemp_F = temp_F + 2;
            return r;
        };
        a.readings = {row(0, 80, 100, 300, 0), row(60, 100, 100, 320, 0), row(90, 150, 10, 100, 1),
                      row(120, 212, 100, 280, 0), row(150, 212, 0.00001, 50, 1)};
        stored_test::store(connection, a);
        stored_test::Test b;
        b.name = QStringLiteral("Gel B");
        for (int i = 0; i < 8; ++i) b.readings.push_back(row(30 * i, 150, 800 - 100 * i, 400 - 10 * i, 0));
        stored_test::store(connection, b);
    }

    OpenedTest open(ChartDataOption option = ChartDataOption::All) {
        return OpenStoredTest(connection, QStringLiteral("Gel A"), option, UnitSystem::CGS);
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection{&messenger};
};

TEST_F(ChartsOfStoredTests, EachTypeDrawsItsQuantitiesInTheUnitSystemSortedByX) {
    using P = std::pair<double, double>;
    const double lb = kDynCm2PerLbf100Ft2;
    struct Case {
        Chart2DType type;
        UnitSystem units;
        const char* title;
        const char* xLabel;
        const char* yLabel;
        std::vector<P> points;
    };
    const Case cases[] = {
        {Chart2DType::StressVsRate,
         UnitSystem::CGS,
         "Shear Stress Vs. Shear Rate",
         "Shear Rate (1/S)",
         "Shear Stress (dyn/cm2)",
         {{0.00001, 50}, {10, 100}, {100, 300}, {100, 280}, {100, 320}}},
        {Chart2DType::StressVsRate,
         UnitSystem::EI,
         "Shear Stress Vs. Shear Rate",
         "Shear Rate (1/S)",
         "Shear Stress (lb/100ft2)",
         {{0.00001, 50 / lb}, {10, 100 / lb}, {100, 300 / lb}, {100, 280 / lb}, {100, 320 / lb}}},
        {Chart2DType::ViscVsSampleTemp,
         UnitSystem::SI,
         "Viscosity Vs. Temperature",
         "Sample Temperature (°C)",
         "Viscosity (Cp)",
         {{(80 - 32) / 1.8, 30000 / 100.0000001},
          {(100 - 32) / 1.8, 32000 / 100.0000001},
          {(150 - 32) / 1.8, 10000 / 10.0000001},
          {100, 28000 / 100.0000001},
          {100, 0}}},
        {Chart2DType::ViscVsShearRate,
         UnitSystem::CGS,
         "Viscosity Vs. Shear Rate",
         "Shear Rate (1/S)",
         "Viscosity (Cp)",
         {{0.00001, 0},
          {10, 10000 / 10.0000001},
          {100, 30000 / 100.0000001},
          {100, 28000 / 100.0000001},
          {100, 32000 / 100.0000001}}},
        {Chart2DType::StressVsTime,
         UnitSystem::EI,
         "Shear Stress vs. Time",
         "Time (S)",
         "Shear Stress (lb/100ft2)",
         {{0, 300 / lb}, {60, 320 / lb}, {90, 100 / lb}, {120, 280 / lb}, {150, 50 / lb}}},
        {Chart2DType::ViscVsTime,
         UnitSystem::SI,
         "Viscosity vs. Time",
         "Time (Min)",
         "cP ",
         {{0, 30000 / 100.0000001},
          {1, 32000 / 100.0000001},
          {1.5, 10000 / 10.0000001},
          {2, 28000 / 100.0000001},
          {2.5, 0}}},
    };
    const OpenedTest test = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const Chart2D chart = BuildChart2D(c.type, ChartSourceOf(test), c.units);
        EXPECT_EQ(chart.title, QString::fromUtf8(c.title));
        EXPECT_EQ(chart.subTitle, QStringLiteral("Gel A"));
        EXPECT_EQ(chart.xLabel, QString::fromUtf8(c.xLabel));
        EXPECT_EQ(chart.yLabel, QString::fromUtf8(c.yLabel));
        EXPECT_TRUE(chart.rightLabel.isEmpty());
        EXPECT_EQ(chart.pointCount, 5);
        ASSERT_EQ(chart.series.size(), 1u);
        EXPECT_EQ(chart.series[0].label, QStringLiteral("Gel A"));
        ASSERT_EQ(chart.series[0].size(), c.points.size());
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            EXPECT_DOUBLE_EQ(chart.series[0].x[i], c.points[i].first) << i;
            EXPECT_DOUBLE_EQ(chart.series[0].y[i], c.points[i].second) << i;
        }
    }
}

TEST_F(ChartsOfStoredTests, NoRampLeavesRampReadingsOutOfTheDefaultChartsOnlyWhichUseTheReadingViscosity) {
    struct Case {
        ChartDataOption option;
        std::size_t timeChartPoints;
    };
    for (const Case& c : {Case{ChartDataOption::All, 5}, Case{ChartDataOption::NoRamp, 3}}) {
        const OpenedTest test = open(c.option);
        const ChartSource source = ChartSourceOf(test);
        const Chart2D time = BuildChart2D(Chart2DType::ViscTempVsTime, source, UnitSystem::SI);
        ASSERT_EQ(time.series.size(), 3u);
        EXPECT_EQ(time.rightLabel, QString::fromUtf8("Temperature (°F)"));
        for (const ChartSeries2D& s : time.series) EXPECT_EQ(s.size(), c.timeChartPoints);
        EXPECT_EQ(time.series[1].y[2], c.option == ChartDataOption::All ? 150 : 212);  // degF under SI too
        EXPECT_EQ(BuildChart3D(Chart3DType::ViscVsRateTime, source).size(), c.timeChartPoints);
        EXPECT_EQ(BuildChart2D(Chart2DType::ViscVsShearRate, source, UnitSystem::CGS).series[0].size(), 5u);
        EXPECT_EQ(BuildChart3D(Chart3DType::ViscVsTempTime, source).size(), 5u);
    }
    // At 0.00001 1/s the default charts' viscosity is 100 * 50 / 0.00002; the others' is 0.
    const OpenedTest test = open();
    EXPECT_DOUBLE_EQ(
        BuildChart2D(Chart2DType::ViscTempVsTime, ChartSourceOf(test), UnitSystem::CGS).series[0].y[4],
        5000 / 0.00002);
    const Chart3D byTemp = BuildChart3D(Chart3DType::ViscVsRateTemp, ChartSourceOf(test));
    EXPECT_EQ(byTemp.y[4], 0);
    EXPECT_EQ(byTemp.z[4], 0.00001);
    EXPECT_EQ(byTemp.xLabel, QString::fromUtf8("Sample Temp (°F)"));
    EXPECT_DOUBLE_EQ(ChartViscosity(0.00002, 1), 100 / 0.0000201);
}

TEST_F(ChartsOfStoredTests, TheListSnapsBackWithoutATestAndThreeDHidesScalesAndOverlap) {
    ChartSession session;
    EXPECT_EQ(session.chooseType(3), ChartSession::Next::Nothing);
    EXPECT_EQ(session.listIndex(), 0);
    const std::optional<OverlapOutcome> refusal = session.overlapRefusal();
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->message, QStringLiteral("No opened test to overlap on.  Please open one test first."));
    EXPECT_EQ(refusal->title, QStringLiteral("Operation Error"));

    session.showOpenedTest(open(), UnitSystem::CGS);
    EXPECT_FALSE(session.overlapEnabled());
    EXPECT_EQ(session.chooseType(3), ChartSession::Next::Redraw);
    EXPECT_EQ(session.currentType(), 3);
    EXPECT_TRUE(session.overlapEnabled());
    const std::vector<double> y = session.chart2D().series[0].y;
    EXPECT_EQ(session.setXScale(AxisScale::Log), ChartSession::Next::Redraw);
    EXPECT_EQ(session.setXScale(AxisScale::Linear), ChartSession::Next::Redraw);
    EXPECT_EQ(session.chart2D().series[0].y, y);
    EXPECT_EQ(session.chooseType(0), ChartSession::Next::ReOpen);

    EXPECT_EQ(session.setDimension(ChartDimension::ThreeD), ChartSession::Next::ReOpen);
    EXPECT_EQ(session.typeList().size(), 3);
    EXPECT_FALSE(session.scaleFramesVisible());
    EXPECT_EQ(session.chooseType(2), ChartSession::Next::Redraw);
    EXPECT_FALSE(session.overlapEnabled());
    EXPECT_EQ(session.chart3D().type, Chart3DType::ViscVsTempTime);
}

TEST_F(ChartsOfStoredTests, AUnitSystemChangeRedrawsAChartDrawnInUnitsAndLeavesTheDefaultChart) {
    ChartSession session;
    session.showOpenedTest(open(), UnitSystem::CGS);
    EXPECT_EQ(session.setUnitSystem(UnitSystem::EI), ChartSession::Next::Nothing);
    session.chooseType(1);
    EXPECT_EQ(session.chart2D().yLabel, QStringLiteral("Shear Stress (lb/100ft2)"));
    EXPECT_EQ(session.setUnitSystem(UnitSystem::CGS), ChartSession::Next::Redraw);
    EXPECT_EQ(session.chart2D().yLabel, QStringLiteral("Shear Stress (dyn/cm2)"));
    EXPECT_EQ(session.chart2D().series[0].y.front(), 50);
}

TEST_F(ChartsOfStoredTests, OverlapFollowsItsRulesMessagesAndLabels) {
    ChartSession session;
    session.showOpenedTest(open(), UnitSystem::CGS);
    session.chooseType(static_cast<int>(Chart2DType::ViscVsShearRate));
    clsTEST_INFO info;
    QStringList listed = ListStoredTestNames(connection, info);
    listed.append(QStringLiteral("Deleted since"));
    const OverlapLoader load = StoredTestLoader(connection);
    using K = OverlapOutcome::Kind;
    struct Step {
        const char* name;
        K kind;
        const char* message;
        const char* title;
        int seriesAfter;
        const char* overlapNameAfter;
    };
    const char* notFound = "Your test sequence name is not found.  Please try again.";
    const Step steps[] = {
        {"", K::NoName, "", "", 1, ""},
        {"gel b", K::NotFound, notFound, "", 1, ""},
        {"Gel A", K::Itself, "Test can not overlap itself!", "Selection Error.", 1, "Gel A"},
        {"Deleted since", K::NotFound, notFound, "", 1, "Deleted since"},
        {"Gel B", K::Overlapped, "", "", 2, "Gel B"},
        {"Gel B", K::Overlapped, "", "", 3, "Gel B"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        const OverlapOutcome o = session.overlap(QString::fromUtf8(s.name), listed, load);
        EXPECT_EQ(o.kind, s.kind);
        EXPECT_EQ(o.message, QString::fromUtf8(s.message));
        EXPECT_EQ(o.title, QString::fromUtf8(s.title));
        EXPECT_EQ(session.seriesCount(), s.seriesAfter);
        EXPECT_EQ(session.overlapTestName(), QString::fromUtf8(s.overlapNameAfter));
    }
    // The point count grows to the longer test; each series is its own test's, sorted.
    const Chart2D& chart = session.chart2D();
    EXPECT_EQ(chart.pointCount, 8);
    EXPECT_EQ(chart.series[0].size(), 5u);
    EXPECT_EQ(chart.series[0].label, QStringLiteral("Gel A"));
    EXPECT_EQ(chart.series[2].label, QStringLiteral("Gel B"));
    ASSERT_EQ(chart.series[1].size(), 8u);
    EXPECT_EQ(chart.series[1].x.front(), 100);
    EXPECT_EQ(chart.series[1].x.back(), 800);
    EXPECT_EQ(session.overlapTestInfoRow().value(1).toString(), QStringLiteral("Gel B"));

    // On the time chart the overlap is refused after the chart gained its (empty) series.
    session.chooseType(0);
    session.redrawDefault();
    const OverlapOutcome refused = session.overlap(QStringLiteral("Gel B"), listed, load);
    EXPECT_EQ(refused.kind, K::TimeChart);
    EXPECT_EQ(refused.message,
              QStringLiteral("Click here to overlap another test on graphs.  Charts can not be "
                             "overlapped when chart type is 'Visc Temp Vs. Time'."));
    EXPECT_TRUE(refused.hidesDialog());
    EXPECT_EQ(session.seriesCount(), 4);
    EXPECT_EQ(session.chart2D().series[3].size(), 0u);
}

}  // namespace
