// Opening a stored test of 100,000 readings: the whole open operation of the main window without its
// widgets (list check, test row, one read of the readings, every ramp fitted, results cells and chart
// arrays, every ramp's models) against a bare read of the same rows with the same statement. Target: under
// 300 ms and within twice the bare read.

#include "LongTest.h"

#include "store/clsConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kRepeats = 7;

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    long_test::SilentMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();
    if (!connection.IsOpen()) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(connection.LastError()));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    long_test::store(connection);
    std::printf("stored %d readings in %.0f ms\n", long_test::kReadings, double(timer.elapsed()));

    const long_test::OpenFigures figures = long_test::measureOpen(connection, kRepeats);
    if (!figures.problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(figures.problem));
        return 1;
    }
    std::printf("open (read, fit %zu ramps, %d result rows, %zu chart points): %.1f ms (median of %d)\n",
                figures.fits, figures.resultRows, figures.chartPoints, figures.open_ms, kRepeats);
    std::printf("bare SQLite read of the same %d rows:                            %.1f ms\n",
                long_test::kReadings, figures.bare_ms);
    std::printf("ratio open / bare read: %.2f  (target: open < 300 ms, ratio <= 2)\n",
                figures.open_ms / figures.bare_ms);
    std::printf(
        "of the open, every model of the %zu ramps (points, power law, Bingham, Herschel-Bulkley; %zu\n"
        "Herschel-Bulkley fits): %.1f ms (median of %d)\n",
        figures.fits, figures.hbFitted, figures.models_ms, kRepeats);
    return 0;
}
