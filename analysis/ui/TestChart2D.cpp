#include "analysis/ui/TestChart2D.h"

#include "common/VbFormat.h"

#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsSimpleTextItem>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPen>
#include <QResizeEvent>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

// One slice of the X range per pixel column; never fewer slices than this, whatever the width.
constexpr int kMinBuckets = 400;
// Series drawn with this few points also show them, small, so that readings at one X (a line's vertical
// strokes) and sparse tests read as points.
constexpr int kMarkedPointsUpTo = 300;
constexpr qreal kMarkerSize = 3;
// Readings excluded from the fits: rings of this size and colour around their points.
constexpr qreal kExcludedMarkSize = 11;
const QColor kExcludedColour(220, 0, 0);

// The open test's colours first (viscosity, sample and bath temperature), then those of overlaps.
const QColor kSeriesColours[] = {QColor(0, 70, 190),  QColor(200, 30, 30),  QColor(230, 140, 0),
                                 QColor(0, 140, 70),  QColor(140, 40, 170), QColor(0, 150, 170),
                                 QColor(120, 90, 40), QColor(90, 90, 90)};

// Most intervals between the ticks of the X axis and of the value axes.
constexpr int kXIntervals = 10;
constexpr int kValueIntervals = 8;

QColor colourOf(std::size_t index) {
    return kSeriesColours[index % std::size(kSeriesColours)];
}

// Axis labels: "%g" of the value, on every axis and the labels of a log axis alike.
constexpr const char* kLabelFormat = "%g";
// A log axis' labels stay this far apart (centre to centre) along the axis.
constexpr double kLogLabelSpacingX_px = 48;
constexpr double kLogLabelSpacingY_px = 22;
// Lines at 2 to 9 times each power of ten while a decade is this long on screen.
constexpr double kMinorLinesFrom_px = 60;

QAbstractAxis* makeAxis(const QString& title, AxisScale scale, QChart* chart) {
    QAbstractAxis* axis = nullptr;
    if (scale == AxisScale::Log) {
        auto* log = new QLogValueAxis(chart);
        log->setBase(10);
        log->setLabelFormat(QString::fromLatin1(kLabelFormat));
        axis = log;
    } else {
        auto* value = new QValueAxis(chart);
        value->setLabelFormat(QString::fromLatin1(kLabelFormat));
        axis = value;
    }
    axis->setTitleText(title);
    return axis;
}

// A log axis labels only its powers of ten, and Qt draws its minor lines only up to its last one. Its
// labels, title, line and minor lines are left to a companion axis beside it, which marks every whole
// multiple of a power of ten where the decades are long enough and labels those LogAxisLabels picks; the
// log axis keeps the decades' grid lines and maps the points.
QCategoryAxis* makeLabelAxis(QAbstractAxis* log, QChart* chart) {
    auto* labels = new QCategoryAxis(chart);
    labels->setTitleText(log->titleText());
    labels->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    labels->setGridLinePen(log->minorGridLinePen());
    labels->setMinorGridLineVisible(false);
    log->setLabelsVisible(false);
    log->setTitleVisible(false);
    log->setLineVisible(false);
    return labels;
}

// Shows [low, high] on the axis: round ticks on a linear axis, a fitting range on a log axis.
// Each stretch of a series between its breaks, thinned on its own, so that no line crosses a gap.
QList<QList<QPointF>> stretchesForDrawing(const ChartSeries2D& s, int buckets, AxisScale x, AxisScale y) {
    QList<QList<QPointF>> stretches;
    std::vector<std::size_t> ends = s.breaks;
    ends.push_back(s.size());
    std::size_t from = 0;
    for (std::size_t to : ends) {
        if (to <= from || to > s.size()) continue;
        stretches.append(PointsForDrawing(std::span(s.x).subspan(from, to - from),
                                          std::span(s.y).subspan(from, to - from), buckets, x, y));
        from = to;
    }
    if (stretches.isEmpty()) stretches.append(QList<QPointF>());
    return stretches;
}

void showRange(QAbstractAxis* axis, double low, double high, int maxIntervals) {
    if (auto* value = qobject_cast<QValueAxis*>(axis)) {
        const AxisRange range = NiceRange(low, high, maxIntervals);
        value->setRange(range.min, range.max);
        value->setTickCount(range.tickCount);
    } else if (auto* log = qobject_cast<QLogValueAxis*>(axis)) {
        const AxisRange range = LogRange(low, high);
        log->setRange(range.min, range.max);
    }
}

// Marks and labels the log axis' range on its companion for the axis' length on screen.
void labelLogAxis(QLogValueAxis* log, QCategoryAxis* labels, double length_px, double spacing_px) {
    const double min = log->min(), max = log->max();
    const std::vector<double> labelled = LogAxisLabels(min, max, length_px, spacing_px);
    const bool minorLines = length_px / std::log10(max / min) >= kMinorLinesFrom_px;
    std::vector<double> marks = minorLines ? LogAxisLabels(min, max, length_px, 0) : labelled;
    marks.insert(marks.end(), labelled.begin(), labelled.end());
    std::sort(marks.begin(), marks.end());
    const auto same = [](double a, double b) { return std::fabs(a - b) <= 1e-9 * std::fabs(b); };
    marks.erase(std::unique(marks.begin(), marks.end(), same), marks.end());
    QStringList texts;
    for (double mark : marks) {
        const bool shown =
            std::any_of(labelled.begin(), labelled.end(), [&](double v) { return same(v, mark); });
        // A category needs a label of its own: an unlabelled mark gets one of zero-width spaces.
        texts << (shown ? QString::asprintf(kLabelFormat, mark) : QString(texts.size() + 1, QChar(0x200B)));
    }
    const double from = std::log10(min), to = std::log10(max);
    if (texts == labels->categoriesLabels() && labels->min() == from && labels->max() == to) return;
    for (const QString& old : labels->categoriesLabels()) labels->remove(old);
    // A category ends at each mark; the first begins just below the range, so that one at its start has
    // width.
    labels->setStartValue(from - 1e-9 * std::max(1.0, std::fabs(from)));
    for (std::size_t k = 0; k < marks.size(); ++k) labels->append(texts[qsizetype(k)], std::log10(marks[k]));
    labels->setRange(from, to);
}

struct AxisSpan {
    double low;
    double high;
};

// Room beyond the outermost points, so that a point on a round value is not drawn on the plot's edge.
constexpr double kMargin = 0.02;

// The span an axis shows for the drawn points; a linear axis starts at 0 when asked to.
AxisSpan spanOf(double minValue, double maxValue, bool fromZero, AxisScale scale) {
    if (scale == AxisScale::Log) return {minValue / (1 + 2 * kMargin), maxValue * (1 + 2 * kMargin)};
    const double pad = (maxValue - minValue) * kMargin;
    if (!fromZero) return {minValue - pad, maxValue + pad};
    return {minValue >= 0 ? 0.0 : minValue - pad, std::max(0.0, maxValue + pad)};
}

}  // namespace

TestChart2D::TestChart2D(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("Pesgo1"));
    setRenderHint(QPainter::Antialiasing);
    DrawStartChart();
}

TestChart2D::~TestChart2D() = default;

void TestChart2D::DrawStartChart() {
    Draw(StartChart2D(), xScale_, yScale_);
}

void TestChart2D::DrawTimeChart(const ChartArrays& arrays, const QString& subTitle) {
    Chart2D chart = StartChart2D();
    chart.subTitle = subTitle;
    const std::vector<double>* values[] = {&arrays.viscosity_cP, &arrays.sampleTemp_F, &arrays.bathTemp_F};
    for (int i = 0; i < 3; ++i) {
        chart.series[i].x = arrays.time_min;
        chart.series[i].y = *values[i];
    }
    chart.pointCount = static_cast<int>(arrays.size());
    Draw(std::move(chart), xScale_, yScale_);
}

void TestChart2D::Draw(Chart2D chart, AxisScale xScale, AxisScale yScale) {
    shown_ = std::move(chart);
    xScale_ = xScale;
    yScale_ = yScale;
    build();
    plot();
}

void TestChart2D::SetScales(AxisScale xScale, AxisScale yScale) {
    if (xScale == xScale_ && yScale == yScale_) return;
    xScale_ = xScale;
    yScale_ = yScale;
    build();
    plot();
}

void TestChart2D::setSubTitle(const QString& subTitle) {
    shown_.subTitle = subTitle;
    updateTitle();
}

int TestChart2D::SeriesCount() const {
    // The series shown, not their stretches.
    return chart() ? static_cast<int>(series_.size()) : 0;
}

QLineSeries* TestChart2D::Series(int index) const {
    return qobject_cast<QLineSeries*>(SeriesShown(index));
}

QXYSeries* TestChart2D::SeriesShown(int index) const {
    return index >= 0 && index < static_cast<int>(series_.size()) ? series_[index] : nullptr;
}

QString TestChart2D::Note() const {
    return note_ && note_->isVisible() ? note_->text() : QString();
}

void TestChart2D::build() {
    auto* chart = new QChart();
    // The right axis (temperatures) stays linear: the Y options scale the viscosity axis.
    axisX_ = makeAxis(shown_.xLabel, xScale_, chart);
    axisLeft_ = makeAxis(shown_.yLabel, yScale_, chart);
    axisRight_ =
        shown_.rightLabel.isEmpty() ? nullptr : makeAxis(shown_.rightLabel, AxisScale::Linear, chart);
    chart->addAxis(axisX_, Qt::AlignBottom);
    chart->addAxis(axisLeft_, Qt::AlignLeft);
    // The companions go outside their log axes (an axis added later lies further out).
    labelX_ = xScale_ == AxisScale::Log ? makeLabelAxis(axisX_, chart) : nullptr;
    labelLeft_ = yScale_ == AxisScale::Log ? makeLabelAxis(axisLeft_, chart) : nullptr;
    if (labelX_) chart->addAxis(labelX_, Qt::AlignBottom);
    if (labelLeft_) chart->addAxis(labelLeft_, Qt::AlignLeft);
    if (axisRight_) {
        chart->addAxis(axisRight_, Qt::AlignRight);
        // One set of grid lines: those of the X and left axes.
        axisRight_->setGridLineVisible(false);
    }
    series_.clear();
    lines_.clear();
    for (std::size_t i = 0; i < shown_.series.size(); ++i) {
        const ChartSeries2D& wanted = shown_.series[i];
        QXYSeries* series = nullptr;
        if (wanted.marks) {
            // A ring around each excluded reading's point, so that the point itself stays visible.
            auto* marks = new QScatterSeries(chart);
            marks->setMarkerShape(QScatterSeries::MarkerShapeCircle);
            marks->setMarkerSize(kExcludedMarkSize);
            marks->setColor(Qt::transparent);
            marks->setBorderColor(kExcludedColour);
            marks->setPen(QPen(kExcludedColour, 1.8));
            series = marks;
        } else {
            auto* line = new QLineSeries(chart);
            // Thin lines: a thousand points per pixel column are still cheap to stroke.
            line->setPen(QPen(colourOf(i), 1.2));
            line->setMarkerSize(kMarkerSize);
            series = line;
            lines_.emplace(i, GappedLine(chart, line));
        }
        series->setName(wanted.label);
        chart->addSeries(series);
        series->attachAxis(axisX_);
        series->attachAxis(wanted.onRightAxis && axisRight_ ? axisRight_ : axisLeft_);
        series_.push_back(series);
        // The empty series a refused overlap leaves has no name: no legend entry for it.
        for (QLegendMarker* marker : chart->legend()->markers(series)) {
            if (wanted.label.isEmpty()) marker->setVisible(false);
            // The ring's colour, not its transparent fill.
            if (wanted.marks) marker->setPen(QPen(kExcludedColour, 1.8));
        }
    }
    if (!series_.empty())
        (labelLeft_ ? static_cast<QAbstractAxis*>(labelLeft_) : axisLeft_)->setTitleBrush(colourOf(0));
    if (axisRight_) axisRight_->setTitleBrush(colourOf(TimeSeries::SampleTemp));
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(6, 4, 6, 4));

    note_ = new QGraphicsSimpleTextItem(chart);
    note_->setBrush(QColor(170, 0, 0));
    note_->setZValue(10);
    note_->hide();
    connect(chart, &QChart::plotAreaChanged, this, &TestChart2D::placeNote);
    connect(chart, &QChart::plotAreaChanged, this, &TestChart2D::labelLogAxes);

    QChart* old = this->chart();
    setChart(chart);
    delete old;
    updateTitle();
}

void TestChart2D::updateTitle() {
    if (!chart()) return;
    // The chart's title is rich text: the sub-title goes on a second, smaller line.
    QString html = shown_.title.toHtmlEscaped();
    if (!shown_.subTitle.isEmpty())
        html += QStringLiteral("<br><span style=\"font-size:small; font-weight:normal\">%1</span>")
                    .arg(shown_.subTitle.toHtmlEscaped());
    chart()->setTitle(html);
}

void TestChart2D::labelLogAxes() {
    if (!chart() || labelling_ || (!labelX_ && !labelLeft_)) return;
    labelling_ = true;
    // Before the first layout the plot area is empty: the view's size stands in for it.
    const QRectF plot = chart()->plotArea();
    const double width = plot.width() > 1 ? plot.width() : viewport()->width() * 0.8;
    const double height = plot.height() > 1 ? plot.height() : viewport()->height() * 0.6;
    if (labelX_) labelLogAxis(static_cast<QLogValueAxis*>(axisX_), labelX_, width, kLogLabelSpacingX_px);
    if (labelLeft_)
        labelLogAxis(static_cast<QLogValueAxis*>(axisLeft_), labelLeft_, height, kLogLabelSpacingY_px);
    labelling_ = false;
}

void TestChart2D::placeNote() {
    if (!chart() || !note_) return;
    const QRectF plot = chart()->plotArea();
    note_->setPos(plot.left() + 6, plot.top() + 4);
}

int TestChart2D::thinningBuckets() const {
    return std::max(kMinBuckets, viewport()->width());
}

void TestChart2D::plot() {
    const int buckets = thinningBuckets();
    thinnedBuckets_ = 0;
    PointBounds x;
    PointBounds left;
    PointBounds right;
    std::size_t total = 0;
    std::size_t hidden = 0;
    for (std::size_t i = 0; i < shown_.series.size(); ++i) {
        const ChartSeries2D& wanted = shown_.series[i];
        const bool onRight = wanted.onRightAxis && axisRight_;
        const AxisScale yScale = onRight ? AxisScale::Linear : yScale_;
        const QList<QList<QPointF>> stretches = stretchesForDrawing(wanted, buckets, xScale_, yScale);
        QList<QPointF> points;
        for (const QList<QPointF>& stretch : stretches) points += stretch;
        if (wanted.size() > static_cast<std::size_t>(4 * buckets)) thinnedBuckets_ = buckets;
        total += wanted.size();
        hidden += HiddenByLogAxes(wanted.x, wanted.y, xScale_, yScale);
        const PointBounds bounds = BoundsOf(points);
        x.include(bounds);
        (onRight ? right : left).include(bounds);
        if (!wanted.marks)
            series_[i]->setPointsVisible(shown_.type != Chart2DType::ViscTempVsTime && !points.isEmpty() &&
                                         points.size() <= kMarkedPointsUpTo);
        // One replace per series: each redraws once, on the next paint. Marks have no line to break.
        if (const auto line = lines_.find(i); line != lines_.end())
            line->second.replace(stretches);
        else
            series_[i]->replace(points);
    }

    const bool time = shown_.type == Chart2DType::ViscTempVsTime;
    if (x.empty) {
        // Nothing to draw: an hour of time or a plausible span of values, a plausible oven range.
        const bool xLog = xScale_ == AxisScale::Log;
        const bool yLog = yScale_ == AxisScale::Log;
        showRange(axisX_, xLog ? 1 : 0, xLog ? 100 : (time ? 60 : 100), kXIntervals);
        showRange(axisLeft_, yLog ? 1 : 0, yLog ? 1000 : 500, kValueIntervals);
    } else {
        const AxisSpan xs = spanOf(x.minX, x.maxX, shown_.xFromZero, xScale_);
        showRange(axisX_, xs.low, xs.high, kXIntervals);
        const AxisSpan ys =
            left.empty ? AxisSpan{1, 10} : spanOf(left.minY, left.maxY, shown_.yFromZero, yScale_);
        showRange(axisLeft_, ys.low, ys.high, kValueIntervals);
    }
    if (axisRight_) {
        if (right.empty)
            showRange(axisRight_, 50, 350, kValueIntervals);
        else
            showRange(axisRight_, spanOf(right.minY, right.maxY, false, AxisScale::Linear).low,
                      spanOf(right.minY, right.maxY, false, AxisScale::Linear).high, kValueIntervals);
    }

    labelLogAxes();

    QString note;
    if (hidden > 0 && hidden == total)
        note = QStringLiteral("Log scale: no point lies above zero, so none can be drawn.");
    else if (hidden > 0)
        note = QStringLiteral("Log scale: %1 of %2 points at or below zero are not drawn.")
                   .arg(vb::Format(static_cast<double>(hidden), QStringLiteral("0")),
                        vb::Format(static_cast<double>(total), QStringLiteral("0")));
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
    placeNote();
}

void TestChart2D::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    // Points thinned for a much narrower plot would show their steps once it is widened.
    if (thinnedBuckets_ > 0 && thinningBuckets() > thinnedBuckets_ * 5 / 4) plot();
}
