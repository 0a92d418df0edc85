#include "instrument/ui/LiveGraph.h"

#include "common/ApparentViscosity.h"
#include "common/AxisRange.h"

#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <limits>

namespace {

QValueAxis* axis(const QString& title, int ticks, const QColor& color) {
    auto* a = new QValueAxis;
    QFont small = a->labelsFont();
    small.setPointSizeF(8);
    a->setLabelsFont(small);
    a->setTitleFont(small);
    a->setTitleText(title);
    if (color.isValid()) a->setTitleBrush(color);
    a->setRange(0, 100);
    a->setTickCount(ticks);
    a->setLabelFormat(QStringLiteral("%g"));
    return a;
}

QLineSeries* curve(QChart* chart, const QString& name, const QColor& color, QValueAxis* x, QValueAxis* y) {
    auto* s = new QLineSeries;
    s->setName(name);
    QPen pen(color);
    pen.setWidthF(1.6);
    s->setPen(pen);
    chart->addSeries(s);
    s->attachAxis(x);
    s->attachAxis(y);
    return s;
}

// Steady readings wobble by a little noise; on an axis fitted to them alone that wobble would fill the axis
// and read as a cliff. Each axis therefore spans at least: the temperatures 10 F (a held set point wanders
// by a degree or two, the sensors' noise by a few tenths), the viscosity 10 cP and the shear rate 10 1/s
// (both from 0, so at rest they show a flat line at the bottom, not a jump), the time 1 minute (the first
// readings of a run).
constexpr double kMinTimeSpan_min = 1;
constexpr double kMinViscositySpan_cP = 10;
constexpr double kMinTemperatureSpan_F = 10;
constexpr double kMinShearRateSpan_1ps = 10;
constexpr int kMaxIntervals = 6;

// The range of the values, made readable; an axis from zero keeps 0 in view.
void fit(QValueAxis* axis, double low, double high, bool fromZero, double minSpan) {
    if (!(low <= high)) low = high = 0;
    if (fromZero) low = std::min(0.0, low);
    const AxisRange range = NiceRange(low, high, kMaxIntervals, minSpan);
    axis->setRange(range.min, range.max);
    axis->setTickCount(range.tickCount);
}

}  // namespace

LiveGraph::LiveGraph(QWidget* parent) : QChartView(parent) {
    auto* chart = new QChart;
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setAlignment(Qt::AlignTop);
    QFont small = chart->legend()->font();
    small.setPointSizeF(8);
    chart->legend()->setFont(small);
    const QColor viscosityColor(0x1f, 0x4e, 0xb4), bathColor(0xd0, 0x5a, 0x1c), sampleColor(0xb0, 0x1c, 0x2e),
        rateColor(0x2e, 0x8b, 0x3e);
    time_ = axis(QStringLiteral("Time (Min)"), 6, {});
    viscosityAxis_ = axis(QStringLiteral("Vsicosity (Cp)"), 5, viscosityColor);
    temperatureAxis_ = axis(QStringLiteral("Temperature (F)"), 5, sampleColor);
    shearRateAxis_ = axis(QStringLiteral("Shear Rate (1/S)"), 5, rateColor);
    chart->addAxis(time_, Qt::AlignBottom);
    chart->addAxis(viscosityAxis_, Qt::AlignLeft);
    chart->addAxis(temperatureAxis_, Qt::AlignRight);
    chart->addAxis(shearRateAxis_, Qt::AlignRight);
    viscosity_ = curve(chart, QStringLiteral("Viscosity"), viscosityColor, time_, viscosityAxis_);
    bathTemp_ = curve(chart, QStringLiteral("Bath Temp"), bathColor, time_, temperatureAxis_);
    sampleTemp_ = curve(chart, QStringLiteral("Sample Temp"), sampleColor, time_, temperatureAxis_);
    shearRate_ = curve(chart, QStringLiteral("Shear Rate"), rateColor, time_, shearRateAxis_);
    for (QLineSeries* s : {viscosity_, bathTemp_, sampleTemp_, shearRate_}) lines_.emplace_back(chart, s);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
}

void LiveGraph::clear() {
    draw({});
}

void LiveGraph::draw(std::span<const Reading> readings, std::span<const TimeGap> gaps) {
    QList<QPointF> viscosity, bath, sample, rate;
    viscosity.reserve(readings.size());
    bath.reserve(readings.size());
    sample.reserve(readings.size());
    rate.reserve(readings.size());
    constexpr double kInf = std::numeric_limits<double>::infinity();
    double viscosityHigh = -kInf, tempLow = kInf, tempHigh = -kInf, rateHigh = -kInf;
    for (const Reading& r : readings) {
        const double minutes = r.time_s / 60.0;
        // At rest the viscosity is 0, as the main window's chart draws it, not a spike of millions.
        const double cP = ReadingViscosity(r.shearRate_1ps, r.shearStress_dyncm2);
        viscosity.append({minutes, cP});
        bath.append({minutes, r.bathTemp_F});
        sample.append({minutes, r.sampleTemp_F});
        rate.append({minutes, r.shearRate_1ps});
        viscosityHigh = std::max(viscosityHigh, cP);
        tempLow = std::min({tempLow, r.bathTemp_F, r.sampleTemp_F});
        tempHigh = std::max({tempHigh, r.bathTemp_F, r.sampleTemp_F});
        rateHigh = std::max(rateHigh, r.shearRate_1ps);
    }
    if (readings.empty()) {
        fit(time_, 0, 0, true, kMinTimeSpan_min);
    } else {
        fit(time_, readings.front().time_s / 60.0, readings.back().time_s / 60.0, false, kMinTimeSpan_min);
    }
    fit(viscosityAxis_, 0, viscosityHigh, true, kMinViscositySpan_cP);
    fit(temperatureAxis_, tempLow, tempHigh, false, kMinTemperatureSpan_F);
    fit(shearRateAxis_, 0, rateHigh, true, kMinShearRateSpan_1ps);
    std::vector<double> times;
    times.reserve(readings.size());
    for (const Reading& r : readings) times.push_back(r.time_s);
    const std::vector<std::size_t> breaks = LineBreaks(times, gaps);
    lines_[0].replace(StretchesOf(viscosity, breaks));
    lines_[1].replace(StretchesOf(bath, breaks));
    lines_[2].replace(StretchesOf(sample, breaks));
    lines_[3].replace(StretchesOf(rate, breaks));
}
