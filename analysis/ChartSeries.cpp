#include "analysis/ChartSeries.h"

#include "analysis/OpenTest.h"
#include "common/ApparentViscosity.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <numeric>

namespace {

QString qs(const char* text) {
    return QString::fromUtf8(text);
}

// Titles and axis labels, as the charts show them.
constexpr const char* kTimeChartTitle = "Viscosity & Temperature Vs. Time";
constexpr const char* kTimeMinLabel = "Time (Min)";
constexpr const char* kViscosityCpLabel = "Viscosity (cP)";
constexpr const char* kViscosityCapLabel = "Viscosity (Cp)";
constexpr const char* kTemperatureLabel = "Temperature (°F)";
constexpr const char* kShearRateLabel = "Shear Rate (1/S)";
constexpr const char* kStressCgsLabel = "Shear Stress (dyn/cm2)";
constexpr const char* kStressEnglishLabel = "Shear Stress (lb/100ft2)";
constexpr const char* kSampleTempFLabel = "Sample Temperature (°F)";
constexpr const char* kSampleTempCLabel = "Sample Temperature (°C)";
constexpr const char* kTimeSecondsLabel = "Time (S)";
constexpr const char* kViscVsTimeYLabel = "cP ";
constexpr const char* kSampleTemp3DLabel = "Sample Temp (°F)";

constexpr const char* kViscositySeries = "Viscosity";
constexpr const char* kSampleTempSeries = "Sample Temp.";
constexpr const char* kBathTempSeries = "Bath Temp.";

struct TypeTexts {
    const char* title;
    const char* xLabel;
    const char* yLabel;
};

// Titles of the charts of types 1 to 5 (index 0 unused: the time chart has its own).
TypeTexts textsOf(Chart2DType type, UnitSystem unitSystem) {
    const char* stress = unitSystem == UnitSystem::EI ? kStressEnglishLabel : kStressCgsLabel;
    switch (type) {
        case Chart2DType::StressVsRate:
            return {"Shear Stress Vs. Shear Rate", kShearRateLabel, stress};
        case Chart2DType::ViscVsSampleTemp:
            return {"Viscosity Vs. Temperature",
                    unitSystem == UnitSystem::SI ? kSampleTempCLabel : kSampleTempFLabel, kViscosityCapLabel};
        case Chart2DType::ViscVsShearRate:
            return {"Viscosity Vs. Shear Rate", kShearRateLabel, kViscosityCapLabel};
        case Chart2DType::StressVsTime:
            return {"Shear Stress vs. Time", kTimeSecondsLabel, stress};
        case Chart2DType::ViscVsTime:
            return {"Viscosity vs. Time", kTimeMinLabel, kViscVsTimeYLabel};
        case Chart2DType::ViscTempVsTime:
            break;
    }
    return {kTimeChartTitle, kTimeMinLabel, kViscosityCpLabel};
}

double stressShown(double stress_dyncm2, UnitSystem unitSystem) {
    return unitSystem == UnitSystem::EI ? stress_dyncm2 / kDynCm2PerLbf100Ft2 : stress_dyncm2;
}

double sampleTempShown(double temp_F, UnitSystem unitSystem) {
    return unitSystem == UnitSystem::SI ? CelsiusFromFahrenheit(temp_F) : temp_F;
}

// X and Y of one reading in a chart of types 1 to 5.
QPointF pointOf(Chart2DType type, const Reading& r, UnitSystem unitSystem) {
    switch (type) {
        case Chart2DType::StressVsRate:
            return {r.shearRate_1ps, stressShown(r.shearStress_dyncm2, unitSystem)};
        case Chart2DType::ViscVsSampleTemp:
            return {sampleTempShown(r.sampleTemp_F, unitSystem),
                    ChartViscosity(r.shearRate_1ps, r.shearStress_dyncm2)};
        case Chart2DType::ViscVsShearRate:
            return {r.shearRate_1ps, ChartViscosity(r.shearRate_1ps, r.shearStress_dyncm2)};
        case Chart2DType::StressVsTime:
            return {r.time_s, stressShown(r.shearStress_dyncm2, unitSystem)};
        case Chart2DType::ViscVsTime:
        case Chart2DType::ViscTempVsTime:
            return {r.time_s / 60.0, ChartViscosity(r.shearRate_1ps, r.shearStress_dyncm2)};
    }
    return {};
}

// A strict weak order on doubles with NaN last, so that sorting never misbehaves on one.
bool before(double a, double b) {
    if (std::isnan(a)) return false;
    if (std::isnan(b)) return true;
    return a < b;
}

bool sameValue(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// Counts marked positions below a position.
class PositionCounter {
  public:
    explicit PositionCounter(std::size_t size) : tree_(size + 1, 0) {}
    void mark(std::size_t position) {
        for (std::size_t i = position + 1; i < tree_.size(); i += i & (~i + 1)) ++tree_[i];
    }
    std::size_t markedBelow(std::size_t position) const {
        std::size_t count = 0;
        for (std::size_t i = position; i > 0; i -= i & (~i + 1)) count += tree_[i];
        return count;
    }

  private:
    std::vector<std::size_t> tree_;
};

// Turns the front of the queue to its back, `steps` times.
void rotate(std::deque<std::size_t>& queue, std::size_t steps) {
    if (queue.size() < 2) return;
    steps %= queue.size();
    if (steps <= queue.size() / 2) {
        for (; steps > 0; --steps) {
            queue.push_back(queue.front());
            queue.pop_front();
        }
    } else {
        for (steps = queue.size() - steps; steps > 0; --steps) {
            queue.push_front(queue.back());
            queue.pop_back();
        }
    }
}

}  // namespace

// Why this gives the exchange sort's order. At step p the sort walks the points after p and swaps in each
// point smaller than the one held at p: the points it takes (the strict running minima from p) each move
// one place down that chain, and the last, the first point of the smallest value, lands at p. Points of
// distinct X therefore end in X order; only the order within a value v needs working out. The points
// smaller than v keep occupying exactly the slots that held them at the start, less one slot per step (the
// first of them, which receives a point >= v): so at step t the first smaller point sits in the (t+1)-th
// of their starting slots. A point of value v moves only when it is the first point of v and no smaller
// point lies before it: it then jumps to the slot of the first smaller point, behind every other point of v
// that lies before that slot. So the points of v that lie before the first smaller point form a queue whose
// front goes to its back once per step; a point of v joins it (at the back) at the step equal to the number
// of smaller points that started before it; the steps end when every smaller point has been placed, and
// the queue, then the points of v that never joined, come out in order.
std::vector<std::size_t> ExchangeSortOrder(std::span<const double> x) {
    const std::size_t n = x.size();
    std::vector<std::size_t> byValue(n);
    std::iota(byValue.begin(), byValue.end(), std::size_t{0});
    std::stable_sort(byValue.begin(), byValue.end(),
                     [&](std::size_t a, std::size_t b) { return before(x[a], x[b]); });

    std::vector<std::size_t> order;
    order.reserve(n);
    PositionCounter smaller(n);
    std::vector<std::size_t> joinStep;
    std::deque<std::size_t> queue;
    for (std::size_t begin = 0; begin < n;) {
        std::size_t end = begin + 1;
        while (end < n && sameValue(x[byValue[end]], x[byValue[begin]])) ++end;
        const std::size_t steps = begin;  // the points smaller than this value
        if (end - begin == 1 || steps == 0) {
            order.insert(order.end(), byValue.begin() + begin, byValue.begin() + end);
        } else {
            joinStep.clear();
            for (std::size_t i = begin; i < end; ++i) joinStep.push_back(smaller.markedBelow(byValue[i]));
            queue.clear();
            std::size_t next = begin;
            for (std::size_t step = 0; step < steps;) {
                while (next < end && joinStep[next - begin] <= step) queue.push_back(byValue[next++]);
                const std::size_t until = next < end ? std::min(steps, joinStep[next - begin]) : steps;
                rotate(queue, until - step);
                step = until;
            }
            order.insert(order.end(), queue.begin(), queue.end());
            order.insert(order.end(), byValue.begin() + next, byValue.begin() + end);
        }
        for (std::size_t i = begin; i < end; ++i) smaller.mark(byValue[i]);
        begin = end;
    }
    return order;
}

Chart2D StartChart2D() {
    Chart2D chart;
    chart.type = Chart2DType::ViscTempVsTime;
    chart.title = qs(kTimeChartTitle);
    chart.xLabel = qs(kTimeMinLabel);
    chart.yLabel = qs(kViscosityCpLabel);
    chart.rightLabel = qs(kTemperatureLabel);
    chart.xFromZero = true;
    chart.yFromZero = true;
    chart.series.resize(3);
    chart.series[0].label = qs(kViscositySeries);
    chart.series[1].label = qs(kSampleTempSeries);
    chart.series[2].label = qs(kBathTempSeries);
    chart.series[1].onRightAxis = true;
    chart.series[2].onRightAxis = true;
    return chart;
}

ChartSeries2D SortedSeries(Chart2DType type, std::span<const Reading> readings, UnitSystem unitSystem,
                           const QString& label) {
    std::vector<double> x(readings.size());
    std::vector<double> y(readings.size());
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const QPointF p = pointOf(type, readings[i], unitSystem);
        x[i] = p.x();
        y[i] = p.y();
    }
    ChartSeries2D series;
    series.label = label;
    series.x.reserve(x.size());
    series.y.reserve(y.size());
    for (std::size_t i : ExchangeSortOrder(x)) {
        series.x.push_back(x[i]);
        series.y.push_back(y[i]);
    }
    return series;
}

ChartSource ChartSourceOf(const OpenedTest& test) {
    return {test.name, test.readings, test.chart, test.gaps, test.excluded, test.dataOption};
}

namespace {

// The marks of the excluded readings that a chart of the type draws, at the points it draws them.
void addExclusionMarks(Chart2D& chart, Chart2DType type, const ChartSource& test, UnitSystem unitSystem) {
    ChartSeries2D marks;
    marks.label = qs(kExcludedSeries);
    marks.marks = true;
    const std::size_t count = std::min(test.excluded.size(), test.readings.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (!test.excluded[i]) continue;
        const Reading& r = test.readings[i];
        QPointF point;
        if (type == Chart2DType::ViscTempVsTime) {
            if (!TakenIntoCharts(r, test.option)) continue;
            point = {r.time_s / 60.0, ReadingViscosity(r.shearRate_1ps, r.shearStress_dyncm2)};
        } else {
            point = pointOf(type, r, unitSystem);
        }
        marks.x.push_back(point.x());
        marks.y.push_back(point.y());
    }
    if (!marks.x.empty()) chart.series.push_back(std::move(marks));
}

}  // namespace

Chart2D BuildChart2D(Chart2DType type, const ChartSource& test, UnitSystem unitSystem) {
    Chart2D chart = StartChart2D();
    chart.subTitle = test.name;
    if (type == Chart2DType::ViscTempVsTime) {
        const ChartArrays& a = test.taken;
        chart.series[0].x = a.time_min;
        chart.series[0].y = a.viscosity_cP;
        chart.series[1].x = a.time_min;
        chart.series[1].y = a.sampleTemp_F;
        chart.series[2].x = a.time_min;
        chart.series[2].y = a.bathTemp_F;
        const std::vector<std::size_t> breaks = LineBreaks(a.time_min, test.gaps, 1.0 / 60.0);
        for (ChartSeries2D& series : chart.series) series.breaks = breaks;
        chart.pointCount = static_cast<int>(a.size());
        addExclusionMarks(chart, type, test, unitSystem);
        return chart;
    }
    const TypeTexts texts = textsOf(type, unitSystem);
    chart.type = type;
    chart.title = qs(texts.title);
    chart.xLabel = qs(texts.xLabel);
    chart.yLabel = qs(texts.yLabel);
    chart.rightLabel.clear();
    chart.xFromZero = type != Chart2DType::ViscVsSampleTemp;
    chart.series.clear();
    // Labelled with the test's name, as an overlap labels it.
    chart.series.push_back(SortedSeries(type, test.readings, unitSystem, test.name));
    chart.pointCount = static_cast<int>(test.readings.size());
    addExclusionMarks(chart, type, test, unitSystem);
    return chart;
}

Chart3D StartChart3D() {
    Chart3D chart;
    chart.title = qs("Viscosity Vs. Shear Rate & Sample Temp");
    chart.xLabel = qs(kTimeMinLabel);
    chart.zLabel = qs(kShearRateLabel);
    chart.yLabel = qs(kViscosityCpLabel);
    return chart;
}

Chart3D BuildChart3D(Chart3DType type, const ChartSource& test) {
    Chart3D chart;
    chart.type = type;
    chart.subTitle = test.name;
    chart.label = test.name;
    chart.yLabel = qs(kViscosityCpLabel);
    if (type == Chart3DType::ViscVsRateTime) {
        chart.title = qs("Viscosity vs. Shear Rate & Time");
        chart.xLabel = qs(kTimeMinLabel);
        chart.zLabel = qs(kShearRateLabel);
        chart.x = test.taken.time_min;
        chart.y = test.taken.viscosity_cP;
        chart.z = test.taken.shearRate_1ps;
        return chart;
    }
    const bool byRate = type == Chart3DType::ViscVsRateTemp;
    chart.title = qs(byRate ? "Viscosity vs. Shear Rate & Sample Temperature"
                            : "Viscosity vs. Time & Sample Temperature");
    chart.xLabel = qs(kSampleTemp3DLabel);
    chart.zLabel = qs(byRate ? kShearRateLabel : kTimeMinLabel);
    chart.x.reserve(test.readings.size());
    chart.y.reserve(test.readings.size());
    chart.z.reserve(test.readings.size());
    for (const Reading& r : test.readings) {
        chart.x.push_back(r.sampleTemp_F);
        chart.y.push_back(ChartViscosity(r.shearRate_1ps, r.shearStress_dyncm2));
        chart.z.push_back(byRate ? r.shearRate_1ps : r.time_s / 60.0);
    }
    return chart;
}
