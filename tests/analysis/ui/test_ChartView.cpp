#include "analysis/OpenTest.h"
#include "analysis/ui/ChartView.h"
#include "analysis/ui/TestChart2D.h"
#include "analysis/ui/TestChart3D.h"
#include "analysis/ui/frmOverlapTest.h"
#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QLineSeries>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// An open test of n readings: time in minutes, rates stepping 50, 100, 150, stress rising with the rate.
OpenedTest openedTest(const QString& name, int n) {
    OpenedTest test;
    test.outcome = OpenedTest::Outcome::Opened;
    test.name = name;
    for (int i = 0; i < n; ++i) {
        Reading r;
        r.time_s = 60.0 * i;
        r.sampleTemp_F = 80 + i;
        r.bathTemp_F = 82 + i;
        r.shearRate_1ps = 50.0 * (1 + i % 3);
        r.shearStress_dyncm2 = 20 + r.shearRate_1ps;
        r.typeId = i % 3 == 0 ? 0 : 1;
        test.readings.push_back(r);
    }
    test.chart = BuildChartArrays(test.readings, ChartDataOption::All);
    return test;
}

TEST(TestChart2D, ALogAxisDrawsThePositivePointsAndSaysHowManyItLeftOut) {
    Chart2D drawn;
    drawn.type = Chart2DType::StressVsRate;
    drawn.title = QStringLiteral("T");
    drawn.series.push_back({QStringLiteral("S"), {0, 1, 10, 100, 1000}, {5, 10, 0, -3, 50}, false});
    struct Case {
        AxisScale x, y;
        int drawn;
        const char* note;  // a part of it; empty for no note
    };
    const Case cases[] = {
        {AxisScale::Linear, AxisScale::Linear, 5, ""},
        {AxisScale::Log, AxisScale::Linear, 4, "1 of 5 points"},
        {AxisScale::Log, AxisScale::Log, 2, "3 of 5 points"},
        {AxisScale::Linear, AxisScale::Linear, 5, ""},
    };
    TestChart2D chart;
    chart.resize(600, 400);
    chart.Draw(drawn, AxisScale::Linear, AxisScale::Linear);
    for (const Case& c : cases) {
        chart.SetScales(c.x, c.y);
        EXPECT_EQ(chart.Series(0)->count(), c.drawn);
        EXPECT_EQ(chart.Note().isEmpty(), *c.note == 0) << chart.Note().toStdString();
        EXPECT_TRUE(chart.Note().contains(QString::fromUtf8(c.note)));
    }
    // Nothing above zero: an empty plot with its note, the axes still valid.
    drawn.series[0].y = {0, -1, 0, -2, 0};
    chart.Draw(drawn, AxisScale::Linear, AxisScale::Log);
    EXPECT_EQ(chart.Series(0)->count(), 0);
    EXPECT_TRUE(chart.Note().contains(QStringLiteral("no point")));
}

// The main window's controls, on a window never shown.
struct Controls {
    QWidget host;
    QComboBox list{&host};
    QWidget xFrame{&host}, yFrame{&host};
    QPushButton overlap{&host};
    ChartView::Controls bound() { return {&list, &xFrame, &yFrame, &overlap}; }
};

TEST(ChartView, TheControlsFollowTheDimensionAndWithoutOpenGLTheThreeDPlaceSaysWhy) {
    ScriptedMessenger messenger;
    int probes = 0;
    ChartView view(messenger, nullptr, [&] {
        ++probes;
        return OpenGLSupport{false, QStringLiteral("No GL here.")};
    });
    Controls c;
    view.BindControls(c.bound());
    int reOpened = 0;
    view.SetOpenOperation([&] { ++reOpened; });
    const OpenedTest test = openedTest(QStringLiteral("Gel"), 30);
    view.ShowOpenedTest(test, UnitSystem::CGS);
    EXPECT_EQ(c.list.count(), 6);
    EXPECT_FALSE(c.overlap.isEnabled());

    view.cmbChartType_Click(3);
    EXPECT_EQ(view.Pesgo1()->MainTitle(), QStringLiteral("Viscosity Vs. Shear Rate"));
    EXPECT_TRUE(c.overlap.isEnabled());
    view.cmbChartType_Click(0);
    EXPECT_EQ(reOpened, 1);

    view.opt3D_Click();
    EXPECT_EQ(reOpened, 2);
    EXPECT_EQ(c.list.count(), 3);
    EXPECT_EQ(c.list.currentIndex(), 0);
    EXPECT_TRUE(c.xFrame.isHidden());
    EXPECT_FALSE(c.overlap.isEnabled());
    view.cmbChartType_Click(2);
    EXPECT_EQ(view.Pe3doa1()->Shown().title, QStringLiteral("Viscosity vs. Time & Sample Temperature"));
    EXPECT_TRUE(view.Pe3doa1()->Message().contains(QStringLiteral("No GL here.")));
    EXPECT_EQ(view.Pe3doa1()->Graph(), nullptr);
    QString error;
    EXPECT_FALSE(view.RenderToFile(QStringLiteral("/tmp/never.png"), ChartView::kOffscreenSize, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("OpenGL")));
    EXPECT_EQ(probes, 1);

    view.opt2D_Click();
    EXPECT_EQ(c.list.count(), 6);
    EXPECT_FALSE(c.xFrame.isHidden());
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST(ChartView, OnThisDisplayTheThreeDChartIsDrawnWithOpenGL) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs the X display of the tests";
    ScriptedMessenger messenger;
    ChartView view(messenger);
    view.resize(800, 500);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.ShowOpenedTest(openedTest(QStringLiteral("Gel"), 60), UnitSystem::CGS);
    view.opt3D_Click();
    view.cmbChartType_Click(1);
    ASSERT_NE(view.Pe3doa1()->Graph(), nullptr) << view.Pe3doa1()->Message().toStdString();
    TempWorkDir dir;
    QString error;
    ASSERT_TRUE(view.RenderToFile(dir.file(QStringLiteral("3d.png")), {}, &error)) << error.toStdString();
    const QImage image(dir.file(QStringLiteral("3d.png")));
    // The graph's grid, labels and points mark the image below the titles (the message alone would not).
    int marked = 0;
    for (int y = image.height() / 5; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) marked += qGray(image.pixel(x, y)) < 200;
    EXPECT_GT(marked, 3000);
}

TEST(ChartView, PrintChartSendsTheChartShownWithTheTestNameToThePrinterChosen) {
    ScriptedMessenger messenger;
    ChartView view(messenger);
    view.resize(800, 500);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.ShowOpenedTest(openedTest(QStringLiteral("Borate 250F"), 40), UnitSystem::CGS);
    view.cmbChartType_Click(1);
    TempWorkDir dir;
    QString docName;
    view.SetPrintDialog([&](QPrinter& printer, QWidget*) {
        docName = printer.docName();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.file(QStringLiteral("chart.pdf")));
        return true;
    });
    view.PrintChart();
    EXPECT_TRUE(docName.contains(QStringLiteral("Borate 250F")));
    QFile pdf(dir.file(QStringLiteral("chart.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(4) == "%PDF");
    EXPECT_GT(pdf.size(), 2000);
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST(frmOverlapTest, TheListIsBuiltOnceTheCloseBoxIsRefusedAndADoubleClickHidesThenChooses) {
    TempWorkDir dir;
    ScriptedMessenger databaseMessages;  // where the new database was made
    clsConnection connection(&databaseMessages);
    connection.OpenDB();
    ScriptedMessenger messenger;
    for (const char* name : {"Gel A", "Gel B"}) {
        stored_test::Test t;
        t.name = QString::fromUtf8(name);
        t.readings = {stored_test::ordinary(1, 0), stored_test::ordinary(1, 60)};
        stored_test::store(connection, t);
    }
    frmOverlapTest dialog(connection, messenger);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Overlap Saved Test"));
    dialog.show();
    ASSERT_EQ(dialog.ListedNames().size(), 2);
    stored_test::Test later;
    later.name = QStringLiteral("Stored later");
    stored_test::store(connection, later);
    dialog.hide();
    dialog.show();
    EXPECT_FALSE(dialog.ListedNames().contains(QStringLiteral("Stored later")));
    EXPECT_FALSE(dialog.close());
    EXPECT_TRUE(dialog.isVisible());

    // Overlap through the dialog onto an open test's "Shr. Stress Vs. Shr. Rate".
    ChartView view(messenger);
    view.ShowOpenedTest(openedTest(QStringLiteral("Gel A"), 5), UnitSystem::CGS);
    view.cmbChartType_Click(1);
    QObject::connect(&dialog, &frmOverlapTest::overSelected,
                     [&] { view.fOverlap_overSelected(dialog, connection); });
    QSignalSpy chosen(&dialog, &frmOverlapTest::overSelected);
    const int row = dialog.ListedNames().indexOf(QStringLiteral("Gel B"));
    emit dialog.MSFlexGrid1->cellDoubleClicked(row, 0);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(dialog.txtSeqName->text(), QStringLiteral("Gel B"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(view.Session().overlapTestName(), QStringLiteral("Gel B"));
    EXPECT_EQ(view.Pesgo1()->SeriesCount(), 2);
    EXPECT_EQ(view.Pesgo1()->Series(1)->name(), QStringLiteral("Gel B"));
    EXPECT_TRUE(messenger.shown.isEmpty());
}

}  // namespace
