// Drawing the charts of a test of 100,000 readings in the main window's chart area: the time chart (as the
// open operation draws it), "Visc. Vs. Shear Rate" (every reading, sorted by shear rate), and switching
// that chart's X axis to log and back. Each figure includes the repaint of the chart. Target: under 300 ms
// each. Run under a display (xvfb-run -a) or with QT_QPA_PLATFORM=offscreen.

#include "analysis/OpenTest.h"
#include "analysis/ui/ChartView.h"
#include "analysis/ui/TestChart2D.h"
#include "common/Messenger.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineSeries>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kReadings = 100000;
constexpr int kRepeats = 5;

class SilentMessenger : public Messenger {
  public:
    void info(const QString&, const QString&, MsgIcon) override {}
    bool okCancel(const QString&, const QString&, MsgIcon) override { return true; }
    bool yesNo(const QString&, const QString&, MsgIcon) override { return true; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return {}; }
};

// A long test as a run stores it: temperature steps of 1,000 readings one second apart, each ending with
// an eight-rate shear ramp; the gel thins with temperature and time, with a little noise.
OpenedTest longTest() {
    OpenedTest test;
    test.outcome = OpenedTest::Outcome::Opened;
    test.name = QStringLiteral("Bench 100k");
    const double rates[] = {511, 340, 170, 100, 75, 50, 25, 170};
    for (int i = 0; i < kReadings; ++i) {
        const int within = i % 1000;
        const bool ramp = within >= 992;
        Reading r;
        r.rampNo = 1 + i / 1000;
        r.time_s = i;
        r.sampleTemp_F = 75 + std::min(275.0, (i / 1000) * 3.0) + 0.3 * std::sin(i * 0.1);
        r.bathTemp_F = r.sampleTemp_F + 4;
        r.shearRate_1ps = ramp ? rates[within - 992] : 100.0;
        const double k = 40 * std::exp(-(r.sampleTemp_F - 75) / 150) * (1 + 0.02 * std::sin(i * 0.37));
        r.shearStress_dyncm2 = k * std::pow(r.shearRate_1ps, 0.55);
        r.typeId = ramp ? 1 : 0;
        test.readings.push_back(r);
    }
    test.chart = BuildChartArrays(test.readings, ChartDataOption::All);
    return test;
}

// Milliseconds to sort X values as the charts do.
double sortMs(const std::vector<double>& x) {
    QElapsedTimer clock;
    clock.start();
    const std::vector<std::size_t> order = ExchangeSortOrder(x);
    return order.size() == x.size() ? clock.nsecsElapsed() / 1e6 : -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds of one action and the repaint that shows it, median of kRepeats.
double timed(ChartView& view, const std::function<void()>& before, const std::function<void()>& action) {
    std::vector<double> ms;
    for (int i = 0; i < kRepeats; ++i) {
        if (before) before();
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        action();
        view.repaint();
        QApplication::processEvents();
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    return median(ms);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SilentMessenger messenger;
    const OpenedTest test = longTest();
    ChartView view(messenger);
    view.resize(1000, 480);
    view.show();
    QApplication::processEvents();

    const double timeChart = timed(view, {}, [&] { view.ShowOpenedTest(test, UnitSystem::CGS); });
    const int timePoints = static_cast<int>(view.Pesgo1()->Series(0)->count());
    const double viscRate = timed(
        view, [&] { view.ShowOpenedTest(test, UnitSystem::CGS); },
        [&] { view.cmbChartType_Click(static_cast<int>(Chart2DType::ViscVsShearRate)); });
    const double toLog = timed(
        view, [&] { view.SetXScale(AxisScale::Linear); }, [&] { view.SetXScale(AxisScale::Log); });
    const double toNormal = timed(
        view, [&] { view.SetXScale(AxisScale::Log); }, [&] { view.SetXScale(AxisScale::Linear); });

    std::printf("charts of a %d-reading test, %s platform, chart %dx%d px, median of %d\n", kReadings,
                qPrintable(QGuiApplication::platformName()), view.width(), view.height(), kRepeats);
    std::printf(
        "  \"Visc, Temp Vs Time\" drawn (open):          %7.1f ms  (%d points drawn per series of %d)\n",
        timeChart, timePoints, kReadings);
    std::printf("  \"Visc. Vs. Shear Rate\" drawn (sorted):      %7.1f ms  (%d points drawn of %d)\n",
                viscRate, static_cast<int>(view.Pesgo1()->Series(0)->count()), kReadings);
    std::printf("  X axis to log:                              %7.1f ms\n", toLog);
    std::printf("  X axis back to normal:                      %7.1f ms\n", toNormal);
    std::printf("  target: under 300 ms each\n");

    // The sort by X alone on inputs that are hard for it: runs of equal values interleaved with smaller ones.
    std::vector<double> rates, falling, blocks;
    for (const Reading& r : test.readings) rates.push_back(r.shearRate_1ps);
    for (int i = 0; i < kReadings; ++i) falling.push_back(350 - (i / 300));  // a cooling test, 0.1 degF steps
    for (int i = 0; i < kReadings; ++i) blocks.push_back((i * 7919) % 317);  // 317 values, each 315 times
    std::printf(
        "sort by X of %d points: shear rates %.1f ms, falling temperatures %.1f ms, 317 interleaved "
        "values %.1f ms\n",
        kReadings, sortMs(rates), sortMs(falling), sortMs(blocks));
    return 0;
}
