#include "analysis/ui/TestChart2D.h"

#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QPen>
#include <QResizeEvent>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

QString qs(const char* text) {
    return QString::fromUtf8(text);
}

// Each slice of the X range is half a pixel wide; never fewer slices than this, whatever the width.
constexpr int kMinBuckets = 400;

const QColor kSeriesColours[] = {QColor(0, 70, 190), QColor(200, 30, 30), QColor(230, 140, 0)};

// Most intervals between the ticks of the time axis and of the two value axes.
constexpr int kTimeIntervals = 10;
constexpr int kValueIntervals = 8;

// An axis that shows [low, high] between round ticks.
void showRange(QAbstractAxis* axis, double low, double high, int maxIntervals) {
    auto* valueAxis = qobject_cast<QValueAxis*>(axis);
    if (!valueAxis) return;
    const AxisRange range = NiceRange(low, high, maxIntervals);
    valueAxis->setRange(range.min, range.max);
    valueAxis->setTickCount(range.tickCount);
}

QValueAxis* valueAxis(const QString& title, QChart* chart) {
    auto* axis = new QValueAxis(chart);
    axis->setTitleText(title);
    axis->setLabelFormat(QStringLiteral("%g"));
    return axis;
}

}  // namespace

TestChart2D::TestChart2D(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("Pesgo1"));
    setRenderHint(QPainter::Antialiasing);
    DrawStartChart();
}

TestChart2D::~TestChart2D() = default;

void TestChart2D::DrawStartChart() {
    arrays_.clear();
    subTitle_.clear();
    buildTimeChart();
    plotArrays();
}

void TestChart2D::DrawTimeChart(const ChartArrays& arrays, const QString& subTitle) {
    DrawTimeChart(ChartArrays(arrays), subTitle);
}

void TestChart2D::DrawTimeChart(ChartArrays&& arrays, const QString& subTitle) {
    arrays_ = std::move(arrays);
    subTitle_ = subTitle;
    buildTimeChart();
    plotArrays();
}

void TestChart2D::setSubTitle(const QString& subTitle) {
    subTitle_ = subTitle;
    updateTitle();
}

int TestChart2D::SeriesCount() const {
    return chart() ? static_cast<int>(chart()->series().size()) : 0;
}

QLineSeries* TestChart2D::Series(int index) const {
    return index >= 0 && index < 3 ? series_[index] : nullptr;
}

void TestChart2D::buildTimeChart() {
    auto* chart = new QChart();
    mainTitle_ = qs(kTimeChartTitle);
    axisX_ = valueAxis(qs(kTimeAxisTitle), chart);
    axisLeft_ = valueAxis(qs(kViscosityAxisTitle), chart);
    axisRight_ = valueAxis(qs(kTemperatureAxisTitle), chart);
    chart->addAxis(axisX_, Qt::AlignBottom);
    chart->addAxis(axisLeft_, Qt::AlignLeft);
    chart->addAxis(axisRight_, Qt::AlignRight);
    const char* const names[] = {kViscositySeries, kSampleTempSeries, kBathTempSeries};
    for (int i = 0; i < 3; ++i) {
        auto* series = new QLineSeries(chart);
        series->setName(qs(names[i]));
        // Thin lines: a thousand points per pixel column are still cheap to stroke.
        series->setPen(QPen(kSeriesColours[i], 1.2));
        series->setUseOpenGL(false);
        chart->addSeries(series);
        series->attachAxis(axisX_);
        series->attachAxis(i == Viscosity ? axisLeft_ : axisRight_);
        series_[i] = series;
    }
    // The left axis and its series share a colour, the right axis that of the sample temperature.
    axisLeft_->setTitleBrush(kSeriesColours[Viscosity]);
    axisRight_->setTitleBrush(kSeriesColours[SampleTemp]);
    // One set of grid lines: those of the time and viscosity axes.
    axisRight_->setGridLineVisible(false);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(6, 4, 6, 4));

    QChart* old = this->chart();
    setChart(chart);
    delete old;
    updateTitle();
}

void TestChart2D::updateTitle() {
    if (!chart()) return;
    // The chart's title is rich text: the sub-title goes on a second, smaller line.
    QString html = mainTitle_.toHtmlEscaped();
    if (!subTitle_.isEmpty())
        html += QStringLiteral("<br><span style=\"font-size:small; font-weight:normal\">%1</span>")
                    .arg(subTitle_.toHtmlEscaped());
    chart()->setTitle(html);
}

int TestChart2D::thinningBuckets() const {
    return std::max(kMinBuckets, 2 * viewport()->width());
}

void TestChart2D::plotArrays() {
    const int buckets = thinningBuckets();
    const QList<QPointF> viscosity = PointsForDrawing(arrays_.time_min, arrays_.viscosity_cP, buckets);
    const QList<QPointF> sample = PointsForDrawing(arrays_.time_min, arrays_.sampleTemp_F, buckets);
    const QList<QPointF> bath = PointsForDrawing(arrays_.time_min, arrays_.bathTemp_F, buckets);
    thinnedBuckets_ = arrays_.size() > static_cast<std::size_t>(4 * buckets) ? buckets : 0;

    const PointBounds v = BoundsOf(viscosity);
    PointBounds temps = BoundsOf(sample);
    temps.include(BoundsOf(bath));
    PointBounds all = v;
    all.include(temps);

    if (all.empty) {
        // The empty chart: an hour of time, a plausible span of viscosity and of oven temperature.
        showRange(axisX_, 0, 60, kTimeIntervals);
        showRange(axisLeft_, 0, 500, kValueIntervals);
        showRange(axisRight_, 50, 350, kValueIntervals);
    } else {
        showRange(axisX_, std::min(0.0, all.minX), all.maxX, kTimeIntervals);
        showRange(axisLeft_, v.empty ? 0 : std::min(0.0, v.minY), v.empty ? 1 : v.maxY, kValueIntervals);
        showRange(axisRight_, temps.empty ? 0 : temps.minY, temps.empty ? 1 : temps.maxY, kValueIntervals);
    }
    // One replace per series: each redraws once, on the next paint.
    series_[Viscosity]->replace(viscosity);
    series_[SampleTemp]->replace(sample);
    series_[BathTemp]->replace(bath);
}

void TestChart2D::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    // Points thinned for a much narrower plot would show their steps once it is widened.
    if (thinnedBuckets_ > 0 && thinningBuckets() > thinnedBuckets_ * 5 / 4) plotArrays();
}
