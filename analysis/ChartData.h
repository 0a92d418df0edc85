#pragma once

#include "analysis/RampFit.h"
#include "common/AxisRange.h"

#include <QList>
#include <QPointF>

#include <cstddef>
#include <span>
#include <vector>

// The data option of the main window: the default time chart takes every reading, or only the ordinary
// ones ("No Ramp" leaves the readings of the shear-rate ramps out).
enum class ChartDataOption { All, NoRamp };

// True when a reading goes into the chart arrays under the option.
bool TakenIntoCharts(const Reading& reading, ChartDataOption option);

// The chart arrays of an open test, one entry per reading taken into the charts, in RESULT_TIME order.
struct ChartArrays {
    std::vector<double> time_min;
    std::vector<double> sampleTemp_F;
    std::vector<double> bathTemp_F;
    std::vector<double> shearRate_1ps;
    std::vector<double> viscosity_cP;  // ReadingViscosity of the reading

    std::size_t size() const { return time_min.size(); }
    bool empty() const { return time_min.empty(); }
    void clear();
    void reserve(std::size_t count);
    void append(const Reading& reading);
};

ChartArrays BuildChartArrays(std::span<const Reading> readings, ChartDataOption option);

// How an axis maps values. Only what is drawn depends on it; the chart arrays never change.
enum class AxisScale { Linear, Log };

// The points of one series as they are drawn. Points that an axis cannot show (not finite, or not above 0
// on a log axis) are left out. When more than 4 x `buckets` points remain, the line is thinned: the X range
// is cut into `buckets` equal slices (equal on the axis' own scale) and each run of consecutive points in
// one slice keeps its first, lowest, highest and last point, in their order. A slice is narrower than a
// pixel when `buckets` is about twice the plot's width in pixels, so the drawn line looks the same while
// a test of 100,000 readings draws a few thousand points. `buckets` <= 0 keeps every point.
QList<QPointF> PointsForDrawing(std::span<const double> x, std::span<const double> y, int buckets,
                                AxisScale xScale = AxisScale::Linear, AxisScale yScale = AxisScale::Linear);

// A log axis range that fits [low, high] (both above 0): its ends are the nearest whole multiples (1 to 9)
// of a power of ten outside them, where the axis draws its minor lines (57 to 1,870 cP shows 50 to
// 2,000), and at least one such step apart. tickCount: the powers of ten inside the range.
AxisRange LogRange(double low, double high);

// The values a log axis over [min, max] labels: the powers of ten, and between them 2 and 5 times them,
// or 2, 3 and 5 times, or every whole multiple, the most that keep labels `spacing_px` apart on an axis
// `length_px` long. With fewer than two labels inside, the ends are labelled too.
std::vector<double> LogAxisLabels(double min, double max, double length_px, double spacing_px);

// Finite points that the axes cannot show because a log axis holds a value at or below 0.
std::size_t HiddenByLogAxes(std::span<const double> x, std::span<const double> y, AxisScale xScale,
                            AxisScale yScale);

// The smallest and largest X and Y of a set of points; empty when there are none.
struct PointBounds {
    bool empty = true;
    double minX = 0, maxX = 0, minY = 0, maxY = 0;

    void include(const QPointF& point);
    void include(const PointBounds& other);
};
PointBounds BoundsOf(const QList<QPointF>& points);
