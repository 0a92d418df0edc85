#pragma once

#include "analysis/ChartData.h"
#include "analysis/ChartKinds.h"
#include "analysis/RampFit.h"
#include "common/TimeGaps.h"
#include "common/UnitSystem.h"

#include <QString>

#include <cstddef>
#include <span>
#include <vector>

struct OpenedTest;

// What each chart type draws from an open test: titles, axis labels, series with their labels and points.
// Plain data, so that the charts on screen, the printout and r7716-cli show the same numbers.

// dyn/cm2 in one lbf/100ft2: 4.4482216152605 N / 9.290304 m2 = 0.47880259 Pa = 4.7880259 dyn/cm2. The
// stress charts under English units show lbf/100ft2 values under the lb/100ft2 label.
inline constexpr double kDynCm2PerLbf100Ft2 = 4.7880259;

// The order in which the charts hold their points after sorting them by ascending X: for each position p
// from the first, every later point with a smaller X than the point at p is exchanged with it. That sort is
// not stable: points of equal X come out in an order of its own, which this reproduces exactly in
// O(n log n) (O(n^1.5) at worst for many runs of equal values) instead of the sort's O(n^2). Element i of
// the result is the index of the point that ends at position i. NaN (never read from the store) sorts last.
std::vector<std::size_t> ExchangeSortOrder(std::span<const double> x);

// One series of a 2D chart, in the order the chart holds its points.
struct ChartSeries2D {
    QString label;
    std::vector<double> x;
    std::vector<double> y;
    bool onRightAxis = false;  // the temperatures of the time chart
    // The points that begin a new stretch of line (ascending): the time chart breaks its lines where the
    // station was away, so that a gap shows as a gap.
    std::vector<std::size_t> breaks;
    // Drawn as marks around points of the chart, not as a line: the readings excluded from the fits.
    bool marks = false;

    std::size_t size() const { return x.size(); }
};

struct Chart2D {
    Chart2DType type = Chart2DType::ViscTempVsTime;
    QString title;
    QString subTitle;  // the open test's name
    QString xLabel;
    QString yLabel;
    QString rightLabel;  // the time chart's right axis; empty for the others
    // The axes start at 0 (or below, for negative values) unless they show temperatures.
    bool xFromZero = true;
    bool yFromZero = true;
    std::vector<ChartSeries2D> series;
    // The chart's point count, kept for the overlap: the readings of the open test, grown by overlaps.
    int pointCount = 0;
};

// The empty start chart: the time chart's titles and three empty series, no sub-title.
Chart2D StartChart2D();
// What the charts draw of a test: its name, every reading in RESULT_TIME order, and the chart arrays of
// the readings the data option took.
struct ChartSource {
    QString name;
    std::span<const Reading> readings;
    const ChartArrays& taken;
    std::span<const TimeGap> gaps = {};
    // The readings excluded from the fits (flags by reading): the 2D charts mark those they draw, the time
    // chart those the data option took.
    ExcludedReadings excluded = {};
    ChartDataOption option = ChartDataOption::All;
};

// The label of the marks of excluded readings.
inline constexpr const char* kExcludedSeries = "Excluded from fits";
ChartSource ChartSourceOf(const OpenedTest& test);

// The chart of a type for a test. The time chart takes the readings the data option took; the others take
// every reading, sorted by X. Readings excluded from the fits are marked by a last series of marks, where
// the chart draws them (in reading order).
Chart2D BuildChart2D(Chart2DType type, const ChartSource& test, UnitSystem unitSystem);
// The one series of a chart of types 1 to 5 from a test's readings (RESULT_TIME order), sorted by X; the
// overlap fills its series with it.
ChartSeries2D SortedSeries(Chart2DType type, std::span<const Reading> readings, UnitSystem unitSystem,
                           const QString& label);

// A 3D chart: one series of points (x across, y up, z in depth), in reading order.
struct Chart3D {
    Chart3DType type = Chart3DType::ViscVsRateTime;
    QString title;
    QString subTitle;
    QString xLabel;
    QString yLabel;
    QString zLabel;  // the depth axis
    QString label;
    std::vector<double> x;
    std::vector<double> y;
    std::vector<double> z;

    std::size_t size() const { return x.size(); }
};

// The empty 3D chart of start-up.
Chart3D StartChart3D();
// 3D-0 takes the readings the data option took, with ReadingViscosity; 3D-1 and 3D-2 every reading, with
// the chart viscosity. Temperatures stay in degF, as their label says.
Chart3D BuildChart3D(Chart3DType type, const ChartSource& test);
