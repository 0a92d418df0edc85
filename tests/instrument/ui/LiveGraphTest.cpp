// The live graph of a running test: its axes as the operator reads them.

#include "instrument/ui/LiveGraph.h"

#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <vector>

namespace {

QValueAxis* axisTitled(LiveGraph& graph, const QString& title) {
    for (QAbstractAxis* a : graph.chart()->axes())
        if (a->titleText() == title) return qobject_cast<QValueAxis*>(a);
    return nullptr;
}

TEST(LiveGraph, SteadyReadingsWobbleInsideAxesOfTheirMinimumSpanInsteadOfFillingThem) {
    // Half an hour held at 250 F with the rotor at rest: the sensors wobble by 0.2 F.
    std::vector<Reading> readings;
    for (int k = 0; k < 30; ++k) {
        Reading r;
        r.time_s = 60.0 * k;
        r.sampleTemp_F = k % 2 ? 250.2 : 250.0;
        r.bathTemp_F = k % 3 ? 250.1 : 250.0;
        readings.push_back(r);
    }
    LiveGraph graph;
    graph.draw(readings);

    const struct {
        const char* title;
        double lowest, minSpan;
    } axes[] = {
        {"Temperature (F)", 250.0, 10},
        {"Vsicosity (Cp)", 0, 10},  // the rotor at rest: 0 cP, at the bottom of the axis
        {"Shear Rate (1/S)", 0, 10},
    };
    for (const auto& a : axes) {
        const QValueAxis* axis = axisTitled(graph, QString::fromUtf8(a.title));
        ASSERT_NE(axis, nullptr) << a.title;
        EXPECT_GE(axis->max() - axis->min(), a.minSpan) << a.title;
        EXPECT_LE(axis->min(), a.lowest) << a.title;
        EXPECT_GE(axis->min(), a.lowest - a.minSpan) << a.title;
    }
}

TEST(LiveGraph, TheTimeAStationWasAwayShowsAsAGapInEveryCurve) {
    std::vector<Reading> readings;
    for (double t : {0.0, 30.0, 60.0, 600.0, 630.0}) {
        Reading r;
        r.time_s = t;
        r.sampleTemp_F = 100 + t / 10;
        readings.push_back(r);
    }
    LiveGraph graph;
    graph.draw(readings, std::vector<TimeGap>{{60, 590}});
    EXPECT_EQ(graph.chart()->series().size(), 8) << "each of the four curves in two stretches";
    EXPECT_EQ(graph.sampleTemp()->count(), 3) << "the stretch before the gap";
    graph.draw(readings);
    EXPECT_EQ(graph.chart()->series().size(), 4) << "a test without gaps draws whole lines again";
}

}  // namespace
