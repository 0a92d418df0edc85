// The live graph of a running test: its axes as the operator reads them.

#include "instrument/ui/LiveGraph.h"

#include <QChart>
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

}  // namespace
