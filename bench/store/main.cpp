// Speed of the data store: committed single-reading inserts (the test run stores one reading per tick,
// each committed at once) and reading a whole test back, against a bare query of the same rows.
//
//   bench_store [readings]      (default 100000; run in a scratch directory that is removed afterwards)

#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"
#include "store/clsTEST_RESULT.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>

#undef EOF  // the record classes' EOF(), not the C library's macro
#endif

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct InsertRun {
    double seconds = 0;
    std::vector<double> chunkRates;  // readings/s of each tenth of the run, to show the disk's ups and downs
};

void setReading(clsTEST_RESULT& result, int testId, int i) {
    result.setTest_Id(testId);
    result.setRAMP_NO(1 + i / 1000);
    result.setRAMP_STEP_NO(i % 8);
    result.setRESULT_TIME(i);
    result.setRESULT_SAMPLE_TEMP(75 + i * 1e-3);
    result.setRESULT_PRESS(400);
    result.setRESULT_SHEAR_RATE(100 + i % 8 * 50);
    result.setRESULT_SHEAR_STRESS(35.5 + i % 13);
    result.setRESULT_TYPE_ID(i % 8 == 0 ? 0 : 1);
    result.setRESULT_BATH_TEMP(80);
}

// Stores `count` readings of test `testId` through clsTEST_RESULT, each committed on its own.
InsertRun insertReadings(clsConnection& connection, int testId, int count) {
    clsTEST_RESULT result;
    result.ConnectX(connection);
    InsertRun run;
    const int chunk = std::max(1, count / 10);
    const Clock::time_point start = Clock::now();
    Clock::time_point chunkStart = start;
    for (int i = 0; i < count; ++i) {
        setReading(result, testId, i);
        result.AddNew();
        if ((i + 1) % chunk == 0) {
            run.chunkRates.push_back(chunk / secondsSince(chunkStart));
            chunkStart = Clock::now();
        }
    }
    run.seconds = secondsSince(start);
    return run;
}

// The same inserts with nothing but a prepared query: what the engine and the disk allow at this moment.
double insertBare(const QSqlDatabase& db, int testId, int count) {
    QSqlQuery query(db);
    query.prepare(QString::fromLatin1(clsTEST_RESULT::kInsertSql));
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        const double values[] = {
            double(testId),     1.0 + i / 1000, double(i % 8),          double(i), 75 + i * 1e-3, 400,
            100.0 + i % 8 * 50, 35.5 + i % 13,  i % 8 == 0 ? 0.0 : 1.0, 80};
        for (int p = 0; p < 10; ++p) query.bindValue(p, values[p]);
        query.exec();
        query.finish();
    }
    return secondsSince(start);
}

// The way the windows read a test: lookup, then MoveFirst / All / MoveNext until EOF.
double readThroughRecord(clsTEST_RESULT& result, int testId, double& checksum, int& rows) {
    const Clock::time_point start = Clock::now();
    result.setTest_Id(testId);
    result.GetTestDetail();
    checksum = 0;
    rows = 0;
    for (result.MoveFirst(); !result.EOF(); result.MoveNext()) {
        const QVariantList all = result.All();
        for (const QVariant& value : all) checksum += value.toDouble();
        ++rows;
    }
    return secondsSince(start);
}

// The same selection with nothing but a forward-only query reading every value.
double readBare(const QSqlDatabase& db, int testId, double& checksum, int& rows) {
    const Clock::time_point start = Clock::now();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QString::fromLatin1(clsTEST_RESULT::kSelectSql));
    query.addBindValue(double(testId));
    query.exec();
    checksum = 0;
    rows = 0;
    while (query.next()) {
        for (int c = 0; c < TestResultColumn::Count; ++c) checksum += query.value(c).toDouble();
        ++rows;
    }
    return secondsSince(start);
}

// What the disk allows at this moment: 4 KiB written and flushed to the platter, `count` times. No commit
// that survives a power cut can be faster than one such flush.
double flushesPerSecond(int count) {
#ifdef Q_OS_UNIX
    QFile file(QStringLiteral("flush-probe.bin"));
    if (!file.open(QIODevice::ReadWrite)) return 0;
    const QByteArray block(4096, 'x');
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        file.seek((i % 64) * block.size());
        file.write(block);
        file.flush();
        ::fdatasync(file.handle());
    }
    const double seconds = secondsSince(start);
    file.remove();
    return count / seconds;
#else
    Q_UNUSED(count);
    return 0;
#endif
}

int newTest(clsConnection& connection, const QString& name) {
    clsTEST_INFO info;
    info.ConnectX(connection);
    info.setTEST_NAME(name);
    info.AddNew();
    info.GetTestDetail();
    return static_cast<int>(info.Test_Id());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());

    clsConnection connection;
    connection.OpenDB();
    if (!connection.IsOpen()) {
        std::fprintf(stderr, "%s\n", qPrintable(connection.LastError()));
        return 1;
    }
    std::printf("database %s, journal mode %s, synchronous FULL\n", qPrintable(connection.FilePath()),
                qPrintable(connection.JournalMode()));

    std::printf("disk flushes (4 KiB write + fdatasync) before the inserts: %.0f/s\n",
                flushesPerSecond(1000));
    const int testId = newTest(connection, QStringLiteral("bench"));
    const InsertRun inserted = insertReadings(connection, testId, count);
    std::vector<double> rates = inserted.chunkRates;
    std::sort(rates.begin(), rates.end());
    std::printf(
        "insert through clsTEST_RESULT: %d readings, each committed, in %.2f s = %.0f readings/s "
        "(tenths of the run: slowest %.0f, median %.0f, fastest %.0f readings/s)\n",
        count, inserted.seconds, count / inserted.seconds, rates.empty() ? 0.0 : rates.front(),
        rates.empty() ? 0.0 : rates[rates.size() / 2], rates.empty() ? 0.0 : rates.back());
    std::printf("disk flushes after the inserts: %.0f/s\n", flushesPerSecond(1000));
    const int compareCount = std::max(1, count / 10);
    const double bareSeconds =
        insertBare(connection.ADOConnection(), newTest(connection, "bare"), compareCount);
    std::printf(
        "insert through a bare prepared query, same settings: %d readings in %.2f s = %.0f readings/s\n",
        compareCount, bareSeconds, compareCount / bareSeconds);

    // Best of five of each, alternated, so that both read a warm file.
    clsTEST_RESULT result;
    result.ConnectX(connection);
    double bestRecord = 1e9, bestBare = 1e9, sumRecord = 0, sumBare = 0;
    int rowsRecord = 0, rowsBare = 0;
    for (int round = 0; round < 5; ++round) {
        bestRecord = std::min(bestRecord, readThroughRecord(result, testId, sumRecord, rowsRecord));
        bestBare = std::min(bestBare, readBare(connection.ADOConnection(), testId, sumBare, rowsBare));
    }
    std::printf(
        "read back through clsTEST_RESULT (GetTestDetail, MoveFirst/All/MoveNext): %d readings in %.3f s = "
        "%.0f readings/s\n",
        rowsRecord, bestRecord, rowsRecord / bestRecord);
    std::printf(
        "bare forward-only query of the same rows:                             %d readings in %.3f s = "
        "%.0f readings/s\n",
        rowsBare, bestBare, rowsBare / bestBare);
    std::printf("ratio record / bare: %.2f (target <= 2.00)%s\n", bestRecord / bestBare,
                sumRecord == sumBare ? "" : "  CHECKSUMS DIFFER");

    // For comparison only: the same committed inserts with a rollback journal instead of the log.
    QSqlQuery(connection.ADOConnection()).exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    const InsertRun journal =
        insertReadings(connection, newTest(connection, "rollback journal"), compareCount);
    std::printf(
        "for comparison, rollback journal + synchronous FULL: %d readings in %.2f s = %.0f readings/s\n",
        compareCount, journal.seconds, compareCount / journal.seconds);

    const bool ok = count / inserted.seconds >= 1000 && bestRecord / bestBare <= 2.0 && rowsRecord == count;
    std::printf("%s\n", ok ? "targets met" : "TARGETS MISSED");
    return ok ? 0 : 2;
}
