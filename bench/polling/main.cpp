// CPU cost of polling: the host window with eight unit windows, each polling its own simulated unit once a
// second on its real timer, for a minute of wall-clock time. Prints the program's CPU time as a share of
// one core, with and without the simulated units' own work (the firmware stands in for the instruments and
// is not part of the program in the field).
//
//   bench_polling [--seconds N] [--engines]
//
//   --seconds N   run for N seconds (default 60)
//   --engines     eight RealTimeUnit tick engines on timers, without any window (no display needed)
//
// Windows need a display; without one the offscreen platform is used. Runs in a scratch directory.

#include "UnitBench.h"
#include "common/Messenger.h"
#include "common/Settings.h"
#include "instrument/RealTimeUnit.h"
#include "instrument/ui/frmMDIRealTime.h"
#include "instrument/ui/frmRealTime.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/clsConnection.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kUnits = 8;

double processCpu_s() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

using unit_bench::CountingMessenger;
using unit_bench::threadCpu_s;

// The simulated instruments, kept on the wall clock.
class Instruments {
  public:
    Instruments() {
        for (int i = 0; i < kUnits; ++i) {
            UnitFirmware::Options options;
            options.seed = quint32(i + 1);
            options.pressure_psi = 300;
            units_.push_back(std::make_unique<UnitFirmware>(options));
        }
        clock_.start();
        timer_.setInterval(50);
        QObject::connect(&timer_, &QTimer::timeout, [this] { catchUp(); });
        timer_.start();
    }
    UnitFirmware& unit(int i) { return *units_[i]; }
    double cpu_s() const { return cpu_s_; }

  private:
    void catchUp() {
        const double start = threadCpu_s();
        const double now = clock_.elapsed() / 1000.0;
        for (auto& unit : units_) unit->advance(now - unit->now_s());
        cpu_s_ += threadCpu_s() - start;
    }
    std::vector<std::unique_ptr<UnitFirmware>> units_;
    QElapsedTimer clock_;
    QTimer timer_;
    double cpu_s_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60;
    bool engines = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (!std::strcmp(argv[i], "--engines")) {
            engines = true;
        } else {
            std::fprintf(stderr, "usage: bench_polling [--seconds N] [--engines]\n");
            return 64;
        }
    }
    if (!(seconds > 0)) seconds = 60;
    if (!engines && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    std::unique_ptr<QCoreApplication> app;
    if (engines)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);

    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());
    // Every unit on a port of its own, CGS.
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
    Instruments instruments;
    clsConnection connection;  // a new scratch database needs no announcement
    std::unique_ptr<frmMDIRealTime> host;
    std::vector<std::unique_ptr<RealTimeUnit>> units;
    std::vector<std::unique_ptr<QTimer>> timers;

    if (engines) {
        for (int i = 0; i < kUnits; ++i) {
            units.push_back(std::make_unique<RealTimeUnit>(
                std::make_unique<SimulatedUnitPort>(instruments.unit(i)), messenger));
            units.back()->openPort(i + 1);
            units.back()->jog();
            timers.push_back(std::make_unique<QTimer>());
            RealTimeUnit* unit = units.back().get();
            QObject::connect(timers.back().get(), &QTimer::timeout, [unit] { unit->tick(); });
            timers.back()->start(RealTimeUnit::kTickInterval_ms);
        }
    } else {
        connection.OpenDB();
        host = std::make_unique<frmMDIRealTime>(connection, messenger, settings);
        host->setPortFactory([&instruments](int portNumber) -> std::unique_ptr<UnitPort> {
            return std::make_unique<SimulatedUnitPort>(instruments.unit(portNumber - 1));
        });
        host->resize(1600, 1000);
        host->show();
        for (int n = 1; n <= kUnits; ++n) {
            host->MenuAdd[n]->trigger();
            if (!host->realTimeWindow(n)) {
                std::fprintf(stderr, "bench_polling: unit %d could not be added\n", n);
                return 1;
            }
        }
        host->MenuWindowVertically->trigger();
        // Turning motors and moving temperatures change every box on every tick.
        for (int n = 1; n <= kUnits; ++n) host->realTimeWindow(n)->cmdJog->click();
    }

    // Let everything settle before measuring.
    QTimer::singleShot(1500, [] { QCoreApplication::exit(0); });
    app->exec();

    const double cpu0 = processCpu_s();
    const double sim0 = instruments.cpu_s();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(int(seconds * 1000), [] { QCoreApplication::exit(0); });
    app->exec();
    const double wall_s = wall.elapsed() / 1000.0;
    const double cpu_s = processCpu_s() - cpu0;
    const double sim_s = instruments.cpu_s() - sim0;

    QString sample;
    if (host) sample = host->realTimeWindow(1)->txtSampleTemp->text();
    // A tick that fails does less work; the figure only counts when none did.
    QFile diagnosticLog(QStringLiteral("R7716-diag.log"));
    const int failedTicksLogged =
        diagnosticLog.open(QIODevice::ReadOnly) ? int(diagnosticLog.readAll().count('\n')) : 0;
    std::printf("bench_polling: %d %s polling simulated units for %.1f s of wall-clock time\n", kUnits,
                engines ? "tick engines" : "unit windows in the host", wall_s);
    std::printf("  whole process CPU:           %7.3f s  = %5.2f %% of one core\n", cpu_s,
                100.0 * cpu_s / wall_s);
    std::printf("  of which simulated units:    %7.3f s  = %5.2f %% of one core\n", sim_s,
                100.0 * sim_s / wall_s);
    std::printf("  program (process - units):   %7.3f s  = %5.2f %% of one core   (target < 2 %%)\n",
                cpu_s - sim_s, 100.0 * (cpu_s - sim_s) / wall_s);
    if (host) std::printf("  unit 1 shows a sample temperature of %s F\n", qPrintable(sample));
    if (messenger.shown > 0) std::printf("  %d message(s) were shown (see above)\n", messenger.shown);
    std::printf("  failed ticks in the diagnostic log: %d\n", failedTicksLogged);
    host.reset();
    return 0;
}
