#include "analysis/ui/TestChart3D.h"

#include <QLabel>
#include <QPainter>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <QtDataVisualization/Q3DCamera>
#include <QtDataVisualization/Q3DScatter>
#include <QtDataVisualization/Q3DScene>
#include <QtDataVisualization/Q3DTheme>
#include <QtDataVisualization/QScatter3DSeries>
#include <QtDataVisualization/QScatterDataProxy>
#include <QtDataVisualization/QValue3DAxis>

#include <algorithm>
#include <cmath>

namespace {

// Above this many points each is drawn as a dot: spheres would be slow and hide one another.
constexpr std::size_t kSpheresUpTo = 2000;
// The box's horizontal extent against its height (Qt's default is 2), and the camera's zoom in percent.
constexpr float kBoxAspectRatio = 3.0f;
constexpr float kFloorAspectRatio = 2.0f;
constexpr float kZoomLevel = 105.0f;
constexpr float kCameraAbove = 25.0f;
constexpr float kTargetHeight = -1.0f;
// Height of the titles above the graph in a rendered image.
constexpr int kImageTitleHeight = 56;

QString titleHtml(const Chart3D& chart) {
    QString html = QStringLiteral("<b>%1</b>").arg(chart.title.toHtmlEscaped());
    if (!chart.subTitle.isEmpty()) html += QStringLiteral("<br>%1").arg(chart.subTitle.toHtmlEscaped());
    return html;
}

// Most intervals between the labels of an axis.
constexpr int kAxisIntervals = 6;

// Round labels over the values' span, as the 2D chart has them.
void setAxis(QValue3DAxis* axis, const QString& title, const std::vector<double>& values) {
    axis->setTitle(title);
    axis->setTitleVisible(true);
    axis->setLabelFormat(QStringLiteral("%g"));
    axis->setLabelAutoRotation(60);
    double low = 0;
    double high = 1;
    bool any = false;
    for (double v : values) {
        if (!std::isfinite(v)) continue;
        low = any ? std::min(low, v) : v;
        high = any ? std::max(high, v) : v;
        any = true;
    }
    const AxisRange range = NiceRange(low, high, kAxisIntervals);
    axis->setRange(static_cast<float>(range.min), static_cast<float>(range.max));
    axis->setSegmentCount(std::max(1, range.tickCount - 1));
    axis->setSubSegmentCount(1);
}

}  // namespace

TestChart3D::TestChart3D(OpenGLProbe probe, QWidget* parent) : QWidget(parent), probe_(std::move(probe)) {
    setObjectName(QStringLiteral("Pe3doa1"));
    title_ = new QLabel(this);
    title_->setAlignment(Qt::AlignCenter);
    title_->setTextFormat(Qt::RichText);
    message_ = new QLabel(this);
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setFrameShape(QFrame::StyledPanel);
    auto* body = new QWidget(this);
    pages_ = new QStackedLayout(body);
    pages_->addWidget(message_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title_);
    layout->addWidget(body, 1);
    setAutoFillBackground(true);
    shown_ = StartChart3D();
    title_->setText(titleHtml(shown_));
    message_->setText(QStringLiteral("%1\n%2\n%3").arg(shown_.xLabel, shown_.zLabel, shown_.yLabel));
}

TestChart3D::~TestChart3D() = default;

QString TestChart3D::Message() const {
    return graph_ ? QString() : message_->text();
}

void TestChart3D::ensureGraph() {
    if (graph_ || (support_ && !support_->available)) return;
    if (!support_) support_ = probe_ ? probe_() : ProbeOpenGL();
    if (!support_->available) {
        message_->setText(
            QStringLiteral("3D charts need OpenGL, which is not available here.\n%1").arg(support_->why));
        return;
    }
    graph_ = new Q3DScatter();
    graph_->setShadowQuality(QAbstract3DGraph::ShadowQualityNone);
    graph_->activeTheme()->setType(Q3DTheme::ThemeQt);
    graph_->activeTheme()->setLabelBackgroundEnabled(false);
    graph_->setAxisX(new QValue3DAxis);
    graph_->setAxisY(new QValue3DAxis);
    graph_->setAxisZ(new QValue3DAxis);
    // Seen from above the front corner, so that all three axes and their titles can be read.
    graph_->scene()->activeCamera()->setCameraPreset(Q3DCamera::CameraPresetIsometricRight);
    graph_->scene()->activeCamera()->setYRotation(kCameraAbove);
    // The main window's chart place is about twice as wide as high: a flatter, wider box fills it, and
    // close enough that the axis labels can be read while their titles stay inside the view.
    graph_->setAspectRatio(kBoxAspectRatio);
    graph_->setHorizontalAspectRatio(kFloorAspectRatio);
    graph_->scene()->activeCamera()->setZoomLevel(kZoomLevel);
    graph_->scene()->activeCamera()->setTarget(QVector3D(0.0f, kTargetHeight, 0.0f));
    auto* series = new QScatter3DSeries;
    series->setItemLabelFormat(QStringLiteral("@xLabel, @zLabel: @yLabel"));
    graph_->addSeries(series);
    container_ = QWidget::createWindowContainer(graph_, this);
    container_->setMinimumSize(100, 100);
    pages_->addWidget(container_);
    pages_->setCurrentWidget(container_);
}

void TestChart3D::Draw(const Chart3D& chart) {
    shown_ = chart;
    title_->setText(titleHtml(shown_));
    ensureGraph();
    if (!graph_) return;
    plot();
}

void TestChart3D::plot() {
    setAxis(graph_->axisX(), shown_.xLabel, shown_.x);
    setAxis(graph_->axisY(), shown_.yLabel, shown_.y);
    setAxis(graph_->axisZ(), shown_.zLabel, shown_.z);
    QScatter3DSeries* series = graph_->seriesList().first();
    series->setName(shown_.label);
    series->setMesh(shown_.size() > kSpheresUpTo ? QAbstract3DSeries::MeshPoint
                                                 : QAbstract3DSeries::MeshSphere);
    series->setItemSize(0.06f);
    auto* points = new QScatterDataArray;
    points->reserve(static_cast<qsizetype>(shown_.size()));
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        if (!std::isfinite(shown_.x[i]) || !std::isfinite(shown_.y[i]) || !std::isfinite(shown_.z[i]))
            continue;
        points->append(
            QScatterDataItem(QVector3D(static_cast<float>(shown_.x[i]), static_cast<float>(shown_.y[i]),
                                       static_cast<float>(shown_.z[i]))));
    }
    // The whole array in one call: the graph redraws once.
    series->dataProxy()->resetArray(points);
}

QImage TestChart3D::Image(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QLabel title;
    title.setTextFormat(Qt::RichText);
    title.setAlignment(Qt::AlignCenter);
    title.setText(titleHtml(shown_));
    title.resize(size.width(), kImageTitleHeight);
    title.render(&painter, QPoint(0, 0), QRegion(), QWidget::DrawChildren);
    const QRect body(0, kImageTitleHeight, size.width(), std::max(1, size.height() - kImageTitleHeight));
    if (graph_) {
        painter.drawImage(body.topLeft(), graph_->renderToImage(4, body.size()));
    } else {
        painter.drawText(body, Qt::AlignCenter | Qt::TextWordWrap, message_->text());
    }
    return image;
}
