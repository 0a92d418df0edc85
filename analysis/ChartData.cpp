#include "analysis/ChartData.h"

#include "common/ApparentViscosity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

bool TakenIntoCharts(const Reading& reading, ChartDataOption option) {
    return option == ChartDataOption::All || reading.typeId == 0;
}

void ChartArrays::clear() {
    for (auto* v : {&time_min, &sampleTemp_F, &bathTemp_F, &shearRate_1ps, &viscosity_cP}) v->clear();
}

void ChartArrays::reserve(std::size_t count) {
    for (auto* v : {&time_min, &sampleTemp_F, &bathTemp_F, &shearRate_1ps, &viscosity_cP}) v->reserve(count);
}

void ChartArrays::append(const Reading& reading) {
    time_min.push_back(reading.time_s / 60.0);
    sampleTemp_F.push_back(reading.sampleTemp_F);
    bathTemp_F.push_back(reading.bathTemp_F);
    shearRate_1ps.push_back(reading.shearRate_1ps);
    viscosity_cP.push_back(ReadingViscosity(reading.shearRate_1ps, reading.shearStress_dyncm2));
}

ChartArrays BuildChartArrays(std::span<const Reading> readings, ChartDataOption option) {
    ChartArrays arrays;
    arrays.reserve(readings.size());
    for (const Reading& r : readings)
        if (TakenIntoCharts(r, option)) arrays.append(r);
    return arrays;
}

namespace {

bool drawable(double value, AxisScale scale) {
    return std::isfinite(value) && (scale == AxisScale::Linear || value > 0);
}

double onScale(double value, AxisScale scale) {
    return scale == AxisScale::Log ? std::log10(value) : value;
}

}  // namespace

QList<QPointF> PointsForDrawing(std::span<const double> x, std::span<const double> y, int buckets,
                                AxisScale xScale, AxisScale yScale) {
    const std::size_t count = std::min(x.size(), y.size());
    auto usable = [&](std::size_t i) { return drawable(x[i], xScale) && drawable(y[i], yScale); };

    std::size_t usableCount = 0;
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (std::size_t i = 0; i < count; ++i) {
        if (!usable(i)) continue;
        ++usableCount;
        const double position = onScale(x[i], xScale);
        low = std::min(low, position);
        high = std::max(high, position);
    }

    QList<QPointF> points;
    const bool thin = buckets > 0 && usableCount > 4 * static_cast<std::size_t>(buckets) && high > low;
    if (!thin) {
        points.reserve(static_cast<qsizetype>(usableCount));
        for (std::size_t i = 0; i < count; ++i)
            if (usable(i)) points.append(QPointF(x[i], y[i]));
        return points;
    }

    points.reserve(4 * buckets + 4);
    const double sliceWidth = (high - low) / buckets;
    struct Run {
        int slice = -1;
        std::size_t first = 0, lowest = 0, highest = 0, last = 0;
    } run;
    auto flush = [&] {
        if (run.slice < 0) return;
        std::array<std::size_t, 4> kept{run.first, run.lowest, run.highest, run.last};
        std::sort(kept.begin(), kept.end());
        for (std::size_t k = 0; k < kept.size(); ++k)
            if (k == 0 || kept[k] != kept[k - 1]) points.append(QPointF(x[kept[k]], y[kept[k]]));
    };
    for (std::size_t i = 0; i < count; ++i) {
        if (!usable(i)) continue;
        const int slice = std::min(buckets - 1, static_cast<int>((onScale(x[i], xScale) - low) / sliceWidth));
        if (slice != run.slice) {
            flush();
            run = {slice, i, i, i, i};
            continue;
        }
        if (y[i] < y[run.lowest]) run.lowest = i;
        if (y[i] > y[run.highest]) run.highest = i;
        run.last = i;
    }
    flush();
    return points;
}

namespace {

// The largest whole multiple (1 to 9) of a power of ten at or below value, or with up the smallest at or
// above it: where a log axis' minor lines are, so that its ends lie on grid lines.
double logStep(double value, bool up) {
    const double decade = std::pow(10.0, std::floor(std::log10(value) + 1e-12));
    const double multiple = value / decade;
    return (up ? std::ceil(multiple - 1e-9) : std::floor(multiple + 1e-9)) * decade;
}

}  // namespace

AxisRange LogRange(double low, double high) {
    if (!(low > 0) || !std::isfinite(low)) low = 1;
    if (!(high > 0) || !std::isfinite(high)) high = low;
    if (low > high) std::swap(low, high);
    const double min = logStep(low, false);
    double max = logStep(high, true);
    if (max <= min * (1 + 1e-12)) max = logStep(min * (1 + 1e-6), true);
    const int decades =
        static_cast<int>(std::floor(std::log10(max) + 1e-9) - std::ceil(std::log10(min) - 1e-9)) + 1;
    return {min, max, std::max(0, decades)};
}

std::vector<double> LogAxisLabels(double min, double max, double length_px, double spacing_px) {
    std::vector<double> labels;
    if (!(min > 0) || !(max > min) || !std::isfinite(max)) return labels;
    const double perDecade_px = length_px / std::log10(max / min);
    // Each set with the narrowest gap between its neighbours, in decades (8 to 9, 2 to 3, 5 to 10).
    static const std::vector<double> kSets[] = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 5}, {1, 2, 5}, {1}};
    static const double kNarrowest[] = {std::log10(9.0 / 8), std::log10(3.0 / 2), std::log10(2.0), 1};
    std::size_t chosen = std::size(kSets) - 1;
    for (std::size_t k = 0; k + 1 < std::size(kSets); ++k)
        if (perDecade_px * kNarrowest[k] >= spacing_px) {
            chosen = k;
            break;
        }
    const int last = static_cast<int>(std::floor(std::log10(max) + 1e-9));
    for (int exponent = static_cast<int>(std::floor(std::log10(min) + 1e-9)); exponent <= last; ++exponent)
        for (double m : kSets[chosen]) {
            const double decade = std::pow(10.0, exponent);
            const double value = m * decade;
            if (value >= min * (1 - 1e-12) && value <= max * (1 + 1e-12)) labels.push_back(value);
        }
    if (labels.size() < 2) {
        labels.insert(labels.begin(), min);
        labels.push_back(max);
        labels.erase(std::unique(labels.begin(), labels.end(),
                                 [](double a, double b) { return std::fabs(a - b) <= 1e-12 * b; }),
                     labels.end());
    }
    return labels;
}

std::size_t HiddenByLogAxes(std::span<const double> x, std::span<const double> y, AxisScale xScale,
                            AxisScale yScale) {
    std::size_t hidden = 0;
    const std::size_t count = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) continue;
        if ((xScale == AxisScale::Log && x[i] <= 0) || (yScale == AxisScale::Log && y[i] <= 0)) ++hidden;
    }
    return hidden;
}

void PointBounds::include(const QPointF& point) {
    if (empty) {
        minX = maxX = point.x();
        minY = maxY = point.y();
        empty = false;
        return;
    }
    minX = std::min(minX, point.x());
    maxX = std::max(maxX, point.x());
    minY = std::min(minY, point.y());
    maxY = std::max(maxY, point.y());
}

void PointBounds::include(const PointBounds& other) {
    if (other.empty) return;
    include(QPointF(other.minX, other.minY));
    include(QPointF(other.maxX, other.maxY));
}

PointBounds BoundsOf(const QList<QPointF>& points) {
    PointBounds bounds;
    for (const QPointF& p : points) bounds.include(p);
    return bounds;
}
