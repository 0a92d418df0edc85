// CPU cost of live test runs: the host window with eight unit windows, each running a 24-hour test on its
// own simulated unit, a reading stored every sample interval of 10 s and a shear-rate ramp every hour.
// Time is simulated (each unit's clock is its firmware's), so the day passes in minutes; each window's tick
// runs when its timer would fire. Prints, side by side for the first and the last hour, the program's CPU
// time (ticks with their storing, fitting and window updates, and the repaints, one per simulated second;
// the firmware's own work is left out) as a share of one core, and the cost of a tick.
//
//   bench_live_run [--hours N]     (default 24)
//
// Windows need a display; without one the offscreen platform is used. Runs in a scratch directory.

#include "../polling/UnitBench.h"
#include "common/Messenger.h"
#include "common/Settings.h"
#include "instrument/TestRunEngine.h"
#include "instrument/ui/frmMDIRealTime.h"
#include "instrument/ui/frmRealTime.h"
#include "sequence/SequenceStore.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/clsConnection.h"
#include "testinfo/TestInfoFile.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kUnits = 8;
constexpr double kHour_s = 3600;

using unit_bench::CountingMessenger;
using unit_bench::threadCpu_s;

// A day of hour-long ramps: heat up, then hold, each ending in a four-rate shear-rate ramp.
StoredSequence dayLong(int hours) {
    StoredSequence s;
    s.name = QStringLiteral("Day at temperature");
    s.settings = {.timeBeforeRead_s = 10,
                  .rampSampleRate_s = 1,
                  .samplePointsAverage = 5,
                  .shutDownATime_min = 30,
                  .shutDownVisc_cP = 0,
                  .sampleInterval_s = 10};
    // One ramp more than the hours, so that every test still runs in the last hour measured.
    for (int h = 0; h <= hours; ++h) {
        const double temp_F = std::min(250.0, 100.0 + 50.0 * h);
        s.steps.append({59, temp_F, 10, 100, 1});
    }
    s.shearRates_1ps = {170, 128, 85, 42};
    return s;
}

struct Period {
    double cpu_s = 0;
    long ticks = 0;
    double worstTick_s = 0;
    std::size_t readingsAtEnd = 0;
};

}  // namespace

int main(int argc, char** argv) {
    int hours = 24;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--hours") && i + 1 < argc) {
            hours = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: bench_live_run [--hours N]\n");
            return 64;
        }
    }
    if (hours < 2) hours = 2;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());
    Settings settings;
    InitialSettings ports;
    ports.ports = {1, 2, 3, 4, 5, 6, 7, 8};
    settings.save(ports);
    {
        QFile bobs(QStringLiteral("BOBINFO.TXT"));
        bobs.open(QIODevice::WriteOnly);
        bobs.write("B5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\n");
    }

    CountingMessenger messenger;
    std::vector<std::unique_ptr<UnitFirmware>> units;
    for (int i = 0; i < kUnits; ++i) {
        UnitFirmware::Options options;
        options.seed = quint32(i + 1);
        options.pressure_psi = 300;
        units.push_back(std::make_unique<UnitFirmware>(options));
    }
    clsConnection connection;
    connection.OpenDB();
    const StoredSequence sequence = dayLong(hours);
    SequenceStore(connection).add(sequence);

    frmMDIRealTime host(connection, messenger, settings);
    host.setPortFactory([&units](int portNumber) -> std::unique_ptr<UnitPort> {
        return std::make_unique<SimulatedUnitPort>(*units[portNumber - 1]);
    });
    host.resize(1600, 1000);
    host.show();
    std::vector<frmRealTime*> windows;
    for (int n = 1; n <= kUnits; ++n) {
        host.MenuAdd[n]->trigger();
        frmRealTime* w = host.realTimeWindow(n);
        if (!w) {
            std::fprintf(stderr, "bench_live_run: unit %d could not be added\n", n);
            return 1;
        }
        // The bench fires the timers itself, on the units' simulated time.
        w->Timer1->stop();
        UnitFirmware* unit = units[n - 1].get();
        w->unit().setClock([unit] { return unit->now_s(); });
        w->setTestInfoAsker([n](const std::optional<QString>& bob) {
            return testinfo_file::parse({}, QStringLiteral("Day run %1").arg(n), bob, {}).input;
        });
        w->unit().selectSequence(sequence.name);
        windows.push_back(w);
    }
    host.MenuWindowVertically->trigger();
    QApplication::processEvents();

    std::vector<double> nextTick(kUnits, 1.0);
    double now = 0;
    const auto runUntil = [&](double end_s, Period* period) {
        double nextRepaint = std::floor(now) + 1;
        while (true) {
            const auto soonest = std::min_element(nextTick.begin(), nextTick.end());
            if (*soonest >= end_s) break;
            const int i = int(soonest - nextTick.begin());
            now = *soonest;
            units[i]->advance(now - units[i]->now_s());
            const double before = threadCpu_s();
            windows[i]->Timer1_Timer();
            const double tick_s = threadCpu_s() - before;
            if (period) {
                period->cpu_s += tick_s;
                period->worstTick_s = std::max(period->worstTick_s, tick_s);
                ++period->ticks;
            }
            nextTick[i] = now + windows[i]->Timer1->interval() / 1000.0;
            // One repaint a simulated second, as the windows' own timers would let the event loop run;
            // between the hours measured, once a minute (what is drawn does not depend on the hour).
            if (now >= nextRepaint) {
                nextRepaint = std::floor(now) + (period ? 1 : 60);
                const double paintStart = threadCpu_s();
                QApplication::processEvents();
                if (period) period->cpu_s += threadCpu_s() - paintStart;
            }
        }
        now = end_s;
    };

    runUntil(3, nullptr);
    for (frmRealTime* w : windows) w->cmdStart_Stop->click();
    const double start = now;
    Period first, last;
    runUntil(start + kHour_s, &first);
    for (frmRealTime* w : windows) first.readingsAtEnd += w->engine()->results().readings().size();
    std::fprintf(stderr, "hour 1 done; running to hour %d ...\n", hours);
    for (int h = 1; h < hours - 1; ++h) runUntil(start + (h + 1) * kHour_s, nullptr);
    runUntil(start + hours * kHour_s, &last);
    for (frmRealTime* w : windows) last.readingsAtEnd += w->engine()->results().readings().size();

    int running = 0;
    for (frmRealTime* w : windows) running += w->engine()->running() ? 1 : 0;
    std::printf("bench_live_run: %d units, a reading every 10 s, %d simulated hours, offscreen=%s\n", kUnits,
                hours, qgetenv("QT_QPA_PLATFORM") == "offscreen" ? "yes" : "no");
    std::printf("%-34s %14s %14s\n", "", "hour 1",
                QStringLiteral("hour %1").arg(hours).toLatin1().constData());
    std::printf("%-34s %14zu %14zu\n", "readings stored (all units)", first.readingsAtEnd,
                last.readingsAtEnd);
    std::printf("%-34s %13.2f%% %13.2f%%\n", "CPU, share of one core", 100 * first.cpu_s / kHour_s,
                100 * last.cpu_s / kHour_s);
    std::printf("%-34s %14.1f %14.1f\n", "mean cost of a tick (us)", 1e6 * first.cpu_s / first.ticks,
                1e6 * last.cpu_s / last.ticks);
    std::printf("%-34s %14.2f %14.2f\n", "worst tick (ms)", 1e3 * first.worstTick_s, 1e3 * last.worstTick_s);
    std::printf("tests still running at the end: %d of %d; messages shown: %d\n", running, kUnits,
                messenger.shown);
    return 0;
}
