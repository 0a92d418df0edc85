// The lab monitor under load: 50 clients, each asking again as soon as it has its answer, for the board's
// data (/api/units) and for the page of a stored 100,000-reading test with its chart (/tests/<name>, then
// its chart.png), against the server of r7716-cli serve on a real database file. Meanwhile a unit's run
// stores into a test of its own (one committed reading per tick, on a connection of its own, as a unit
// window stores); that store is timed, and timed again without the load. A second argument "live" makes
// the run store into the 100,000-reading test instead: the page then follows a running test. Targets: the
// board under 50 ms, a test page with its chart under 500 ms, the ticks' store not slowed.

#include "../open_test/LongTest.h"

#include "monitor/MonitorPages.h"
#include "monitor/MonitorServer.h"
#include "monitor/ui/MonitorChart.h"
#include "store/NewTest.h"
#include "store/ReadingWriter.h"
#include "store/UnitStatusStore.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"

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
constexpr int kTick_ms = 1000;     // a unit stores at most a reading a second, into the test being watched

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

// A reading committed every tick on a connection of its own; the time each store took.
std::vector<double> ticks(const store::DatabaseLocation& location, double testId, int seconds) {
    clsConnection connection;
    connection.setLocation(location);
    connection.OpenDB();
    const std::unique_ptr<ReadingWriter> writer = makeReadingWriter(connection);
    std::vector<double> store_ms;
    QElapsedTimer timer;
    Reading reading;
    reading.rampNo = 99;
    for (int i = 0; i < seconds * 1000 / kTick_ms; ++i) {
        reading.time_s = 1e6 + i;
        timer.start();
        writer->write(testId, reading);
        store_ms.push_back(timer.nsecsElapsed() / 1e6);
        std::this_thread::sleep_for(std::chrono::milliseconds(kTick_ms));
    }
    return store_ms;
}

void printFigure(const char* what, const std::vector<double>& values) {
    std::printf("%-42s n=%6zu  median %8.1f ms  99th percentile %8.1f ms\n", what, values.size(),
                percentile(values, 0.5), percentile(values, 0.99));
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
    // The running unit's own test, which its ticks store into.
    clsTEST_INFO running;
    running.ConnectX(connection);
    running.SetDefaults();
    running.setTEST_NAME(QStringLiteral("Running meanwhile"));
    const double testId = StoreNewTest(connection, running, {}, std::span<const Reading>());
    for (int unit = 1; unit <= 8; ++unit) {
        store::UnitStatusRow status;
        status.station = QStringLiteral("bench");
        status.unit = unit;
        status.testName = long_test::kName;
        status.time = QDateTime::currentDateTimeUtc();
        store::unit_status::upsert(connection, status);
    }
    std::printf("stored a test of %d readings and 8 unit statuses\n", long_test::kReadings);

    std::printf("the ticks' store without load (%d s, a reading every %d ms):\n", kSeconds / 2, kTick_ms);
    printFigure("  store of a reading", ticks(connection.location(), testId, kSeconds / 2));

    monitor::ServerOptions options;
    options.listen = *monitor::parseListen(QStringLiteral("127.0.0.1:0"), nullptr);
    options.database = connection.location();
    options.paintChart = monitor::paintChartPng;
    monitor::MonitorServer server(options);
    QString problem;
    if (!server.start(&problem)) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    const QByteArray page = monitor::pages::testHref(long_test::kName).toUtf8();
    const QByteArray chart =
        monitor::pages::testHref(long_test::kName, QStringLiteral("/chart.png")).toUtf8() + "?type=0";

    // The first load reads and draws the test; every later one finds it kept while it is unchanged.
    {
        std::atomic<bool> done{false};
        QElapsedTimer first;
        first.start();
        std::thread warm([&] {
            get(server.port(), page);
            get(server.port(), chart);
            done = true;
        });
        while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        warm.join();
        std::printf("first load of the test page and its chart (the test read, fitted and drawn): %.0f ms\n",
                    first.nsecsElapsed() / 1e6);
    }

    Samples samples;
    std::atomic<bool> stop{false};
    std::vector<double> loadedTicks;
    const double watched = live ? longTestId : testId;
    std::thread tickThread([&] { loadedTicks = ticks(connection.location(), watched, kSeconds); });
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back(client, server.port(), i < kBoardClients, page, chart, std::ref(samples),
                             std::cref(stop));
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < kSeconds * 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    stop = true;
    // Each client ends after its request in flight, which the server answers on this thread meanwhile.
    while (finished < kClients) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    for (std::thread& t : clients) t.join();
    tickThread.join();
    std::printf("%d clients for %d s (%d on the board's data, %d on the test page and its chart):\n",
                kClients, kSeconds, kBoardClients, kClients - kBoardClients);
    printFigure("  /api/units", samples.board_ms);
    printFigure("  test page + its chart (two requests)", samples.page_ms);
    std::printf("  failed requests: %d\n", samples.failures);
    std::printf("the ticks' store under that load:\n");
    printFigure("  store of a reading", loadedTicks);
    return 0;
}
