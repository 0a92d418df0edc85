#pragma once

#include "analysis/ChartSeries.h"
#include "analysis/ui/OpenGLProbe.h"

#include <QImage>
#include <QWidget>

#include <optional>

class QLabel;
class Q3DScatter;
class QStackedLayout;

// The 3D chart of the main window: the readings as points in a box (Qt Data Visualization) under the
// chart's title and the test's name. The graph is created the first time a chart is drawn, and only when
// OpenGL is usable; otherwise a plain message takes its place (the chart's titles stay shown).
class TestChart3D : public QWidget {
    Q_OBJECT

  public:
    // probe: asked once, when the graph would first be created.
    explicit TestChart3D(OpenGLProbe probe, QWidget* parent = nullptr);
    ~TestChart3D() override;

    void Draw(const Chart3D& chart);
    const Chart3D& Shown() const { return shown_; }

    // The message shown instead of the graph; empty while the graph is shown.
    QString Message() const;
    // The chart as shown, with its titles, at the given size; without OpenGL, the titles and the message.
    QImage Image(const QSize& size);

    Q3DScatter* Graph() const { return graph_; }

  private:
    void ensureGraph();
    void plot();

    OpenGLProbe probe_;
    std::optional<OpenGLSupport> support_;
    Chart3D shown_;
    QLabel* title_ = nullptr;
    QStackedLayout* pages_ = nullptr;
    QLabel* message_ = nullptr;
    Q3DScatter* graph_ = nullptr;
    QWidget* container_ = nullptr;
};
