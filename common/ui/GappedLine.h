#pragma once

#include <QList>
#include <QPointF>

#include <vector>

class QChart;
class QLineSeries;

// One curve of a chart drawn as separate stretches of line, so that a stretch of time without readings
// shows as a gap and not as a straight line across it. The first stretch is the given series (with its
// name in the legend); the others are series of the same pen on the same axes, without legend entries.
class GappedLine {
  public:
    GappedLine(QChart* chart, QLineSeries* first) : chart_(chart), first_(first) {}

    void replace(const QList<QList<QPointF>>& stretches);
    QLineSeries* first() const { return first_; }
    int stretchCount() const { return 1 + static_cast<int>(more_.size()); }

  private:
    QChart* chart_;
    QLineSeries* first_;
    std::vector<QLineSeries*> more_;
};

// Points cut at the breaks (indices of the points that begin a new stretch, ascending).
QList<QList<QPointF>> StretchesOf(const QList<QPointF>& points, const std::vector<std::size_t>& breaks);
