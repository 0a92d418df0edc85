// The lab monitor under load: 50 clients, each asking again as soon as it has its answer, for the board's
// data (/api/units) and for the page of a stored 100,000-reading test with its chart (/tests/<name>, then
// its chart.png), against the server of r7716-cli serve on a real database file. Meanwhile a station's
// eight units run tests on simulated units, ticking as the window program ticks them (the run engine's
// tick, storing its readings through the reading writer and fitting its shear-rate ramps, and the status
// offered to the status writer, which keeps the board's rows); each tick is timed, without the load and
// under it. A second argument "live" also stores a reading a second into the 100,000-reading test (with a
// status row naming it): the page then follows a running test. Targets: the board under 50 ms, a test page
// with its chart under 500 ms, the ticks not slowed.
//
//   bench_serve [SECONDS] [live]     (default 30 s of load, half that without)

#include "../open_test/LongTest.h"
#include "UnitTicks.h"

#include "monitor/MonitorPages.h"
#include "monitor/MonitorServer.h"
#include "monitor/ui/MonitorChart.h"
#include "store/ReadingWriter.h"
#include "store/UnitStatusStore.h"
#include "store/clsConnection.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kClients = 50;
constexpr int kBoardClients = 25;  // the others ask for the test page and its chart
int kSeconds = 30;                 // the load; the first argument sets it
constexpr int kUnits = 8;
constexpr int kWarmUp_s = 8;         // the units' runs start (a status reply, the first set point)
constexpr int kLiveStore_ms = 1000;  // "live": a reading a second into the test being watched

struct Samples {
    std::mutex mutex;
    std::vector<double> board_ms, page_ms;
    int failures = 0;
};

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * (values.size() - 1) + 0.5))];
}

// One request on a fresh connection, blocking (the client's own thread); false on a failure.
bool get(quint16 port, const QByteArray& path) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(10000)) return false;
    socket.write("GET " + path + " HTTP/1.1\r\nHost: bench\r\nConnection: close\r\n\r\n");
    QByteArray reply;
    while (socket.waitForReadyRead(30000)) reply += socket.readAll();
    return reply.startsWith("HTTP/1.1 200");
}

std::atomic<int> finished{0};

void client(quint16 port, bool board, const QByteArray& page, const QByteArray& chart, Samples& samples,
            const std::atomic<bool>& stop) {
    QElapsedTimer timer;
    while (!stop) {
        timer.start();
        const bool ok = board ? get(port, "/api/units") : get(port, page) && get(port, chart);
        const double ms = timer.nsecsElapsed() / 1e6;
        std::lock_guard lock(samples.mutex);
        if (!ok) ++samples.failures;
        (board ? samples.board_ms : samples.page_ms).push_back(ms);
    }
    ++finished;
}

// "live": a reading committed every second into the watched test on a connection of its own, its unit's
// status naming that test so that its page follows it.
void storeIntoWatched(const store::DatabaseLocation& location, double testId, const std::atomic<bool>& stop) {
    clsConnection connection;
    connection.setLocation(location);
    connection.OpenDB();
    const std::unique_ptr<ReadingWriter> writer = makeReadingWriter(connection);
    Reading reading;
    reading.rampNo = 99;
    store::UnitStatusRow status;
    status.station = QStringLiteral("bench-live");
    status.unit = 1;
    status.testName = long_test::kName;
    for (int i = 0; !stop; ++i) {
        reading.time_s = 1e6 + i;
        writer->write(testId, reading);
        status.time = QDateTime::currentDateTimeUtc();
        store::unit_status::upsert(connection, status);
        std::this_thread::sleep_for(std::chrono::milliseconds(kLiveStore_ms));
    }
}

// The units' ticks on a thread of their own (the station's program is another process) while the caller
// goes on; record(period) says where their times go from now on.
class TickThread {
  public:
    explicit TickThread(const store::DatabaseLocation& location)
        : thread_([this, location] { runUnitTicks(location, kUnits, period_, times_, stop_); }) {}
    void record(int period) { period_ = period; }
    // The times once the thread has ended.
    const TickTimes& finish(int period) {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return times_[period];
    }

  private:
    std::atomic<bool> stop_{false};
    std::atomic<int> period_{-1};
    TickTimes times_[2];
    std::thread thread_;
};

void printFigure(const char* what, const std::vector<double>& values) {
    std::printf("%-42s n=%6zu  median %8.1f ms  99th percentile %8.1f ms\n", what, values.size(),
                percentile(values, 0.5), percentile(values, 0.99));
}

void printTicks(const TickTimes& ticks) {
    printFigure("  a tick (engine and status offer)", ticks.all_ms);
    printFigure("  a tick that stored a reading", ticks.storing_ms);
}

// The first load reads and draws the test; every later one finds it kept while it is unchanged. The server
// answers on this thread meanwhile.
void firstLoad(quint16 port, const QByteArray& page, const QByteArray& chart) {
    std::atomic<bool> done{false};
    QElapsedTimer first;
    double page_ms = 0;
    first.start();
    std::thread warm([&] {
        get(port, page);
        page_ms = first.nsecsElapsed() / 1e6;
        get(port, chart);
        done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    warm.join();
    const double total_ms = first.nsecsElapsed() / 1e6;
    std::printf(
        "first load of the test page and its chart (the test read, fitted and drawn): %.0f ms "
        "(the page %.0f ms, then the chart %.0f ms)\n",
        total_ms, page_ms, total_ms - page_ms);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1) kSeconds = std::max(2, std::atoi(argv[1]));
    const bool live = argc > 2 && std::string(argv[2]) == "live";
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    long_test::SilentMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();
    const double longTestId = long_test::store(connection);
    std::printf("stored a test of %d readings\n", long_test::kReadings);

    // The units start their runs, then their ticks are timed without the load.
    TickThread units(connection.location());
    std::this_thread::sleep_for(std::chrono::seconds(kWarmUp_s));
    units.record(0);
    std::this_thread::sleep_for(std::chrono::seconds(kSeconds / 2));
    units.record(-1);

    monitor::ServerOptions options;
    options.listen = *monitor::parseListen(QStringLiteral("127.0.0.1:0"), nullptr);
    options.database = connection.location();
    options.paintChart = monitor::paintChartPng;
    // The clients stand for browsers on many desks; from one address the server would keep most out.
    options.limits.perPeer = options.limits.total;
    monitor::MonitorServer server(options);
    QString problem;
    if (!server.start(&problem)) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    const QByteArray page = monitor::pages::testHref(long_test::kName).toUtf8();
    const QByteArray chart =
        monitor::pages::testHref(long_test::kName, QStringLiteral("/chart.png")).toUtf8() + "?type=0";

    firstLoad(server.port(), page, chart);

    Samples samples;
    std::atomic<bool> stop{false};
    units.record(1);
    std::thread liveThread;
    if (live) liveThread = std::thread(storeIntoWatched, connection.location(), longTestId, std::cref(stop));
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back(client, server.port(), i < kBoardClients, page, chart, std::ref(samples),
                             std::cref(stop));
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < kSeconds * 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    stop = true;
    units.record(-1);
    // Each client ends after its request in flight, which the server answers on this thread meanwhile.
    while (finished < kClients) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    for (std::thread& t : clients) t.join();
    if (liveThread.joinable()) liveThread.join();
    std::printf("%d clients for %d s (%d on the board's data, %d on the test page and its chart):\n",
                kClients, kSeconds, kBoardClients, kClients - kBoardClients);
    printFigure("  /api/units", samples.board_ms);
    printFigure("  test page + its chart (two requests)", samples.page_ms);
    std::printf("  failed requests: %d\n", samples.failures);
    std::printf("%d units' ticks without the load (%d s):\n", kUnits, kSeconds / 2);
    printTicks(units.finish(0));
    std::printf("%d units' ticks under that load:\n", kUnits);
    printTicks(units.finish(1));
    return 0;
}
