#include "analysis/ui/TestChart2D.h"

#include "analysis/ui/OpenTestView.h"
#include "support/QStringPrinter.h"

#include <QCategoryAxis>
#include <QChart>
#include <QImage>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QTableWidget>
#include <QTest>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

ChartArrays arraysOf(int count, double minutesPerReading = 0.5) {
    ChartArrays a;
    for (int i = 0; i < count; ++i) {
        Reading r;
        r.time_s = i * minutesPerReading * 60;
        r.sampleTemp_F = 75 + std::min(175.0, i * 0.5);
        r.bathTemp_F = r.sampleTemp_F + 3;
        r.shearRate_1ps = 100;
        r.shearStress_dyncm2 = 300 - 0.002 * i;
        a.append(r);
    }
    return a;
}

double axisMin(QAbstractAxis* axis) {
    return qobject_cast<QValueAxis*>(axis)->min();
}
double axisMax(QAbstractAxis* axis) {
    return qobject_cast<QValueAxis*>(axis)->max();
}

TEST(TestChart2D, TheStartChartHasItsTitlesAxesAndThreeEmptySeries) {
    TestChart2D chart;
    EXPECT_EQ(chart.MainTitle(), QStringLiteral("Viscosity & Temperature Vs. Time"));
    EXPECT_TRUE(chart.SubTitle().isEmpty());
    EXPECT_EQ(chart.AxisX()->titleText(), QStringLiteral("Time (Min)"));
    EXPECT_EQ(chart.AxisLeft()->titleText(), QStringLiteral("Viscosity (cP)"));
    EXPECT_EQ(chart.AxisRight()->titleText(), QString::fromUtf8("Temperature (°F)"));
    ASSERT_EQ(chart.SeriesCount(), 3);
    const char* const names[] = {"Viscosity", "Sample Temp.", "Bath Temp."};
    for (int i = 0; i < 3; ++i) {
        QLineSeries* s = chart.Series(i);
        EXPECT_EQ(s->name(), QString::fromUtf8(names[i]));
        EXPECT_EQ(s->count(), 0);
        EXPECT_TRUE(s->attachedAxes().contains(chart.AxisX()));
        EXPECT_TRUE(s->attachedAxes().contains(i == 0 ? chart.AxisLeft() : chart.AxisRight()));
    }
    EXPECT_EQ(chart.AxisLeft()->alignment(), Qt::AlignLeft);
    EXPECT_EQ(chart.AxisRight()->alignment(), Qt::AlignRight);
}

TEST(TestChart2D, TheTimeChartDrawsTheArraysWithTheTestNameAsSubTitle) {
    TestChart2D chart;
    chart.resize(800, 400);
    const ChartArrays arrays = arraysOf(240);
    chart.DrawTimeChart(arrays, QStringLiteral("Gel <7> & co"));
    EXPECT_EQ(chart.SubTitle(), QStringLiteral("Gel <7> & co"));
    EXPECT_EQ(chart.MainTitle(), QStringLiteral("Viscosity & Temperature Vs. Time"));
    // The chart's title is rich text; the name must show as typed.
    EXPECT_TRUE(chart.chart()->title().contains(QStringLiteral("Gel &lt;7&gt; &amp; co")));
    EXPECT_EQ(chart.PointCount(), 240);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(chart.Series(i)->count(), 240) << i;
    EXPECT_EQ(chart.Series(TestChart2D::SampleTemp)->at(10), QPointF(5.0, 80.0));
    EXPECT_EQ(chart.Series(TestChart2D::BathTemp)->at(10), QPointF(5.0, 83.0));
    // The axes show every point.
    EXPECT_LE(axisMin(chart.AxisX()), 0.0);
    EXPECT_GE(axisMax(chart.AxisX()), 119.5);
    EXPECT_GE(axisMax(chart.AxisRight()), 75 + 119.5 + 3);
    EXPECT_LE(axisMin(chart.AxisRight()), 75.0);
    EXPECT_GE(axisMax(chart.AxisLeft()), 300.0);
}

TEST(TestChart2D, AHundredThousandReadingsDrawThinnedButKeepEveryValue) {
    TestChart2D chart;
    chart.resize(900, 400);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    chart.DrawTimeChart(arraysOf(100000, 1.0 / 60), QStringLiteral("Big"));
    EXPECT_EQ(chart.PointCount(), 100000);
    EXPECT_EQ(chart.Shown().series[0].size(), 100000u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_LE(chart.Series(i)->count(), 4 * 2 * std::max(400, chart.viewport()->width())) << i;
        EXPECT_GT(chart.Series(i)->count(), 100) << i;
    }
    // The last reading is drawn, so the line reaches the end of the test.
    EXPECT_DOUBLE_EQ(chart.Series(0)->points().last().x(), 99999.0 / 60);
}

TEST(TestChart2D, ALongTestDrawnBeforeTheChartIsLaidOutGetsMoreDetailOnceWidened) {
    TestChart2D chart;  // never shown: no width yet
    ChartArrays arrays = arraysOf(100000, 1.0 / 60);
    // A wavy line, so that every slice has its own lowest and highest point.
    for (std::size_t i = 0; i < arrays.size(); ++i) arrays.viscosity_cP[i] = 300 + 100 * std::sin(i * 0.37);
    chart.DrawTimeChart(arrays, QStringLiteral("Wide"));
    const qsizetype narrow = chart.Series(TestChart2D::Viscosity)->count();
    chart.resize(1600, 400);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    EXPECT_GT(chart.Series(TestChart2D::Viscosity)->count(), narrow * 3 / 2);
    EXPECT_EQ(chart.PointCount(), 100000);
}

TEST(TestChart2D, UnplottableValuesAreLeftOutAndEmptyArraysGiveTheEmptyChart) {
    TestChart2D chart;
    ChartArrays arrays = arraysOf(10);
    arrays.viscosity_cP[3] = std::numeric_limits<double>::infinity();
    arrays.sampleTemp_F[4] = std::numeric_limits<double>::quiet_NaN();
    chart.DrawTimeChart(arrays, QStringLiteral("Odd"));
    EXPECT_EQ(chart.Series(TestChart2D::Viscosity)->count(), 9);
    EXPECT_EQ(chart.Series(TestChart2D::SampleTemp)->count(), 9);
    EXPECT_TRUE(std::isfinite(axisMax(chart.AxisLeft())));
    chart.DrawTimeChart(ChartArrays{}, QStringLiteral("No readings"));
    EXPECT_EQ(chart.SubTitle(), QStringLiteral("No readings"));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(chart.Series(i)->count(), 0);
    chart.DrawStartChart();
    EXPECT_TRUE(chart.SubTitle().isEmpty());
}

TEST(TestChart2D, ALogAxisFitsTheDataAndLabelsValuesBetweenItsDecades) {
    TestChart2D chart;
    chart.resize(1000, 650);
    Chart2D drawn;
    drawn.type = Chart2DType::ViscVsShearRate;
    drawn.xLabel = QStringLiteral("Shear Rate (1/S)");
    drawn.yLabel = QStringLiteral("Viscosity (Cp)");
    drawn.series = {{QStringLiteral("a test"), {40, 100, 170}, {1800, 300, 60}}};
    chart.Draw(drawn, AxisScale::Log, AxisScale::Log);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    const auto* y = qobject_cast<QLogValueAxis*>(chart.AxisLeft());
    ASSERT_TRUE(y);
    EXPECT_EQ(std::pair(y->min(), y->max()), std::pair(50.0, 2000.0));
    QStringList shown;
    for (QAbstractAxis* axis : chart.chart()->axes(Qt::Vertical))
        if (auto* labels = qobject_cast<QCategoryAxis*>(axis))
            for (const QString& label : labels->categoriesLabels())
                if (!label.trimmed().remove(QChar(0x200B)).isEmpty()) shown << label;
    // On a plot of about 500 pixels a decade takes 300: room for 2, 3 and 5 times each power of ten.
    EXPECT_EQ(shown, QStringList({"50", "100", "200", "300", "500", "1000", "2000"}));
}

TEST(TestChart2D, TheChartRendersTitlesAndLines) {
    TestChart2D chart;
    chart.resize(700, 380);
    chart.DrawTimeChart(arraysOf(300), QStringLiteral("Rendered"));
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    const QImage image = chart.grab().toImage();
    // Some pixels carry each series' colour.
    int blue = 0, red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 150 && c.red() < 60) ++blue;
            if (c.red() > 150 && c.green() < 60 && c.blue() < 60) ++red;
        }
    EXPECT_GT(blue, 100);
    EXPECT_GT(red, 100);
}

TEST(OpenTestView, TheResultsTableShowsItsRowsAndKeepsTheHeaderCellsText) {
    ResultsTable table;
    table.header = QStringList{"Shear\rRamp", "n'"};
    table.rows = {QStringList{" 1", "0.5000"}, QStringList{}, QStringList{" 3", "0.7000"}};
    QTableWidget grid;
    grid.setRowCount(9);
    open_test_view::ShowResults(&grid, table);
    EXPECT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(grid.horizontalHeaderItem(0)->text(), QStringLiteral("Shear\nRamp"));
    EXPECT_EQ(grid.horizontalHeaderItem(0)->data(Qt::UserRole).toString(), QStringLiteral("Shear\rRamp"));
    EXPECT_EQ(grid.item(2, 1)->text(), QStringLiteral("0.7000"));
    EXPECT_EQ(grid.item(1, 0), nullptr);

    QTableWidget additives;
    open_test_view::ShowAdditives(&additives, {{"Guar", " 30", "lb/Mgal", "L-1"}});
    ASSERT_EQ(additives.rowCount(), 1);
    EXPECT_EQ(additives.columnCount(), 4);
    EXPECT_EQ(additives.item(0, 1)->text(), QStringLiteral(" 30"));
}

}  // namespace
