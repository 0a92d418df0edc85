#include "common/ui/GappedLine.h"

#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>

void GappedLine::replace(const QList<QList<QPointF>>& stretches) {
    const std::size_t wanted = stretches.isEmpty() ? 0 : static_cast<std::size_t>(stretches.size()) - 1;
    while (more_.size() > wanted) {
        chart_->removeSeries(more_.back());
        delete more_.back();
        more_.pop_back();
    }
    while (more_.size() < wanted) {
        auto* stretch = new QLineSeries(chart_);
        stretch->setPen(first_->pen());
        stretch->setPointsVisible(first_->pointsVisible());
        stretch->setMarkerSize(first_->markerSize());
        chart_->addSeries(stretch);
        for (QAbstractAxis* axis : first_->attachedAxes()) stretch->attachAxis(axis);
        for (QLegendMarker* marker : chart_->legend()->markers(stretch)) marker->setVisible(false);
        more_.push_back(stretch);
    }
    first_->replace(stretches.isEmpty() ? QList<QPointF>() : stretches.front());
    for (std::size_t k = 0; k < more_.size(); ++k) {
        more_[k]->setPointsVisible(first_->pointsVisible());
        more_[k]->replace(stretches[static_cast<qsizetype>(k + 1)]);
    }
}

QList<QList<QPointF>> StretchesOf(const QList<QPointF>& points, const std::vector<std::size_t>& breaks) {
    QList<QList<QPointF>> stretches;
    qsizetype from = 0;
    for (std::size_t at : breaks) {
        const auto to = static_cast<qsizetype>(at);
        if (to <= from || to >= points.size()) continue;
        stretches.append(points.mid(from, to - from));
        from = to;
    }
    stretches.append(points.mid(from));
    return stretches;
}
