// The two engines side by side: live readings stored the way a run stores them (one call of the run's
// reading writer per reading, each committed on its own), a test of 100,000 readings stored whole, and
// that test opened the way the main window opens it. The file is "R7716.mdb" in a scratch folder; the
// server is a throwaway PostgreSQL cluster on the same disk, started for the run by scripts/pg-cluster.sh
// with its flushes to disk on (as a lab's server has them), reached through a Unix socket, and removed
// afterwards.
//
//   bench_labdb [live readings]      (default 5000)

#include "../open_test/LongTest.h"

#include "store/DatabaseLocation.h"
#include "store/NewTest.h"
#include "store/ReadingWriter.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int kOpenRounds = 5;
const QString kLiveTestName = QStringLiteral("Live readings");
const QString kDatabase = QStringLiteral("rheology");

// The throwaway cluster: started by the constructor, removed with its folder by the destructor.
class ThrowawayCluster {
  public:
    ThrowawayCluster() {
        dir_.setAutoRemove(false);  // the script removes it with the cluster
        QProcess script;
        script.start(QStringLiteral("bash"), {scriptPath(), QStringLiteral("start"), dir_.path()});
        script.waitForFinished(120000);
        if (script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0)
            uri_ = QString::fromUtf8(script.readAllStandardOutput()).trimmed().section(u'\n', -1);
        else
            error_ = QString::fromUtf8(script.readAllStandardError()).trimmed();
    }
    ~ThrowawayCluster() {
        QProcess::execute(QStringLiteral("bash"), {scriptPath(), QStringLiteral("remove"), dir_.path()});
    }
    // The maintenance database; empty when the cluster did not start (why in error()).
    const QString& uri() const { return uri_; }
    const QString& error() const { return error_; }

  private:
    static QString scriptPath() { return QStringLiteral(R7716_SOURCE_DIR "/scripts/pg-cluster.sh"); }

    QTemporaryDir dir_{QStringLiteral("/tmp/r7716-bench-pg.XXXXXX")};  // the server's user reaches /tmp
    QString uri_;
    QString error_;
};

// Creates the database on the cluster; returns its URI, or empty (with a message) when it cannot.
QString createDatabase(const QString& clusterUri) {
    QString uri;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench-admin"));
        store::dialect::configure(db, store::DatabaseLocation::parse(clusterUri),
                                  store::dialect::Access::ReadWrite, 0);
        QSqlQuery query(db);
        if (db.open() && query.exec(QStringLiteral("CREATE DATABASE ") + kDatabase))
            uri = QString(clusterUri)
                      .replace(QStringLiteral(":///postgres?"), QStringLiteral(":///%1?").arg(kDatabase));
        else
            std::fprintf(stderr, "cannot create the database: %s\n",
                         qPrintable(db.isOpen() ? query.lastError().text() : db.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
    return uri;
}

struct Figures {
    QString problem;
    int liveReadings = 0;
    double liveSeconds = 0;
    std::vector<double> liveLatencies_ms;  // sorted
    double bulk_ms = 0;
    long_test::OpenFigures open;

    double latency(double fraction) const {
        if (liveLatencies_ms.empty()) return 0;
        const auto i = static_cast<std::size_t>(fraction * double(liveLatencies_ms.size() - 1));
        return liveLatencies_ms[i];
    }
};

Reading liveReading(int i) {
    Reading r;
    r.rampNo = 1 + i / 1000;
    r.rampStepNo = i % 8;
    r.time_s = i;
    r.sampleTemp_F = 75 + i * 1e-3;
    r.pressure_psi = 400;
    r.shearRate_1ps = 100 + i % 8 * 50;
    r.shearStress_dyncm2 = 35.5 + i % 13;
    r.typeId = i % 8 == 0 ? 0 : 1;
    r.bathTemp_F = 80;
    return r;
}

int storedCount(clsConnection& connection, double testId) {
    QSqlQuery query(connection.ADOConnection());
    query.exec(QStringLiteral("SELECT COUNT(*) FROM TEST_RESULT WHERE TEST_ID = %1").arg(testId));
    return query.next() ? query.value(0).toInt() : -1;
}

// Stores `count` readings through the run's reading writer for the connection's database.
void measureLive(clsConnection& connection, int count, Figures& figures) {
    clsTEST_INFO info;
    info.ConnectX(connection);
    info.SetDefaults();
    info.setTEST_NAME(kLiveTestName);
    const double testId = StoreNewTest(connection, info, {}, {});
    const std::unique_ptr<ReadingWriter> writer = makeReadingWriter(connection);
    QElapsedTimer total, one;
    total.start();
    for (int i = 0; i < count; ++i) {
        one.start();
        writer->write(testId, liveReading(i));
        figures.liveLatencies_ms.push_back(one.nsecsElapsed() / 1e6);
    }
    figures.liveSeconds = total.nsecsElapsed() / 1e9;
    std::sort(figures.liveLatencies_ms.begin(), figures.liveLatencies_ms.end());
    figures.liveReadings = storedCount(connection, testId);
    if (writer->waiting() != 0 || figures.liveReadings != count)
        figures.problem = QStringLiteral("%1 of %2 live readings stored, %3 waiting")
                              .arg(figures.liveReadings)
                              .arg(count)
                              .arg(writer->waiting());
}

Figures measure(const std::optional<store::DatabaseLocation>& server, int liveCount) {
    Figures figures;
    long_test::SilentMessenger messenger;
    clsConnection connection(&messenger);
    if (server) connection.setLocation(*server);
    connection.OpenDB();
    if (!connection.IsOpen()) {
        figures.problem = QStringLiteral("cannot open the database: ") + connection.LastError();
        return figures;
    }
    try {
        measureLive(connection, liveCount, figures);
        QElapsedTimer timer;
        timer.start();
        long_test::store(connection);
        figures.bulk_ms = timer.nsecsElapsed() / 1e6;
    } catch (const StoreError& error) {
        figures.problem = error.report();
        return figures;
    }
    figures.open = long_test::measureOpen(connection, kOpenRounds);
    if (figures.problem.isEmpty()) figures.problem = figures.open.problem;
    return figures;
}

void row(const char* what, const QString& file, const QString& server) {
    std::printf("%-58s %18s %18s\n", what, qPrintable(file), qPrintable(server));
}

QString number(double value, int decimals = 1) {
    return QString::number(value, 'f', decimals);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int liveCount = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());  // the file, and the spool of the server's writer

    ThrowawayCluster cluster;
    if (cluster.uri().isEmpty()) {
        std::fprintf(stderr, "the PostgreSQL cluster did not start: %s\n", qPrintable(cluster.error()));
        return 1;
    }
    const QString uri = createDatabase(cluster.uri());
    if (uri.isEmpty()) return 1;

    std::printf(
        "file: %s on %s; server: %s (a Unix socket, flushes to disk on)\n",
        qPrintable(QDir(scratch.path()).absoluteFilePath(QString::fromLatin1(clsConnection::kFileName))),
        QStorageInfo(scratch.path()).fileSystemType().constData(), qPrintable(uri));
    const Figures file = measure(std::nullopt, liveCount);
    const Figures server = measure(store::DatabaseLocation::parse(uri), liveCount);
    for (const Figures* f : {&file, &server})
        if (!f->problem.isEmpty()) {
            std::fprintf(stderr, "%s: %s\n", f == &file ? "file" : "server", qPrintable(f->problem));
            return 1;
        }

    row("", QStringLiteral("SQLite file"), QStringLiteral("PostgreSQL server"));
    const QString live = QStringLiteral("live readings, each committed (%1): readings/s").arg(liveCount);
    row(qPrintable(live), number(file.liveReadings / file.liveSeconds, 0),
        number(server.liveReadings / server.liveSeconds, 0));
    for (const auto& [label, fraction] :
         {std::pair{"  one reading, median: ms", 0.5}, std::pair{"  one reading, 99th percentile: ms", 0.99},
          std::pair{"  one reading, slowest: ms", 1.0}})
        row(label, number(file.latency(fraction), 2), number(server.latency(fraction), 2));
    row("100,000 readings stored in one transaction: ms", number(file.bulk_ms, 0), number(server.bulk_ms, 0));
    const QString open = QStringLiteral("open the 100,000-reading test (median of %1): ms").arg(kOpenRounds);
    row(qPrintable(open), number(file.open.open_ms), number(server.open.open_ms));
    row("  bare read of its rows: ms", number(file.open.bare_ms), number(server.open.bare_ms));
    row("  ratio open / bare read", number(file.open.open_ms / file.open.bare_ms, 2),
        number(server.open.open_ms / server.open.bare_ms, 2));
    return 0;
}
