// Live readings on a database server that goes away: kept in the local spool, sent on in order, each once.
#include "StoreFixture.h"
#include "common/DiagnosticLog.h"
#include "store/ReadingSpool.h"
#include "store/SpoolingReadingWriter.h"
#include "store/clsTEST_RESULT.h"
#include "support/StoredTestBuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

Reading readingAt(double time_s) {
    return stored_test::ordinary(1, time_s);
}

// The times of a test's readings in the order they were stored.
std::vector<double> storedTimes(clsConnection& connection, double testId) {
    QSqlQuery query(connection.ADOConnection());
    query.exec(
        QStringLiteral("SELECT RESULT_TIME FROM TEST_RESULT WHERE TEST_ID = %1 ORDER BY TEST_RESULT_ID")
            .arg(testId));
    std::vector<double> times;
    while (query.next()) times.push_back(query.value(0).toDouble());
    return times;
}

std::vector<double> oneTo(int n) {
    std::vector<double> times;
    for (int i = 1; i <= n; ++i) times.push_back(i);
    return times;
}

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "test_store";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

enum class SentOnBy { NextReading, Timer };

class ServerRestart : public ::testing::TestWithParam<SentOnBy> {};

TEST_P(ServerRestart, ReadingsTakenWhileTheServerIsStoppedArriveInOrderEachOnceWhenItIsBack) {
    application();
    pg_test::Cluster server;
    if (!server.started() && server.error().isEmpty()) GTEST_SKIP() << pg_test::kNoServer;
    ASSERT_TRUE(server.started()) << server.error().toStdString();
    server.createDatabase("lab");
    TempWorkDir dir;
    QFile config(dir.file("database.txt"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(server.databaseUri("lab").toUtf8());
    config.close();
    ScriptedMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();
    ASSERT_TRUE(connection.IsOpen()) << connection.LastError().toStdString();
    const double testId = stored_test::store(connection, {.name = "Overnight"});

    SpoolingReadingWriter writer(connection);
    writer.setIntervals(20, 0);  // ask the server again at every chance, without waiting
    for (int t = 1; t <= 30; ++t) writer.write(testId, readingAt(t));
    ASSERT_TRUE(server.stop());
    for (int t = 31; t <= 60; ++t) writer.write(testId, readingAt(t));
    EXPECT_EQ(writer.waiting(), 30);
    EXPECT_EQ(writer.statusText(), "server unreachable: 30 readings waiting");

    ASSERT_TRUE(server.start());
    int last = 60;
    if (GetParam() == SentOnBy::NextReading) {
        for (; last < 70; ++last) writer.write(testId, readingAt(last + 1));
    } else {
        QElapsedTimer waited;
        waited.start();
        while (writer.waiting() > 0 && waited.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_EQ(writer.waiting(), 0);
    EXPECT_EQ(writer.statusText(), "");
    EXPECT_EQ(storedTimes(connection, testId), oneTo(last));
}

INSTANTIATE_TEST_SUITE_P(Ways, ServerRestart, ::testing::Values(SentOnBy::NextReading, SentOnBy::Timer),
                         [](const auto& info) {
                             return std::string(info.param == SentOnBy::NextReading ? "NextReading"
                                                                                    : "Timer");
                         });

class SpoolOnEngine : public EngineStore {};

// The program stopped (or the connection broke) after the server committed a batch but before the spool
// heard of it: the batch is found on the server and not sent again; what followed it is.
TEST_P(SpoolOnEngine, ABatchTheServerTookWithoutAnsweringIsNotStoredTwice) {
    const double testId = stored_test::store(connection, {.name = "Interrupted"});
    const QString spoolPath = dir.file(SpoolingReadingWriter::kSpoolFileName);
    {
        ReadingSpool spool(spoolPath, connection.displayName());
        for (int t = 1; t <= 3; ++t) spool.append({testId, readingAt(t)}, "earlier run");
        bool unanswered = true;
        ASSERT_EQ(spool.nextBatch(2, &unanswered).size(), 2u);  // claimed, then sent...
        EXPECT_FALSE(unanswered);
    }
    clsTEST_RESULT result;
    result.ConnectX(connection);
    result.setTest_Id(static_cast<int>(testId));
    for (int t = 1; t <= 2; ++t) {  // ...and committed by the server, unbeknown to the spool
        SetReading(result, readingAt(t));
        result.AddNew();
    }
    SpoolingReadingWriter writer(connection, spoolPath);
    EXPECT_TRUE(writer.deliverWaiting());
    writer.write(testId, readingAt(4));
    EXPECT_EQ(storedTimes(connection, testId), oneTo(4));
}

// A test deleted while it is recorded (by a program that did not know): its next reading is refused, its
// waiting readings are dropped and the log says how many; nothing is stored as an orphan.
TEST_P(SpoolOnEngine, AReadingOfADeletedTestIsRefusedAndItsWaitingReadingsAreDropped) {
    const double gone = stored_test::store(connection, {.name = "Deleted"});
    const double kept = stored_test::store(connection, {.name = "Kept"});
    const QString spoolPath = dir.file(SpoolingReadingWriter::kSpoolFileName);
    {
        ReadingSpool spool(spoolPath, connection.displayName());
        for (int t = 1; t <= 3; ++t) spool.append({gone, readingAt(t)}, "earlier run");
        spool.append({kept, readingAt(4)}, "earlier run");
    }
    sql("DELETE FROM TEST_INFO WHERE TEST_NAME = 'Deleted'");
    SpoolingReadingWriter writer(connection, spoolPath);
    try {
        writer.write(gone, readingAt(5));
        ADD_FAILURE() << "the reading was taken";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.number(), StoreError::kTestGone);
    }
    EXPECT_EQ(count("TEST_RESULT"), 1);
    EXPECT_EQ(storedTimes(connection, kept), std::vector<double>{4});
    QFile log(DiagnosticLog::kFileName);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("3 waiting readings were dropped"));
}

INSTANTIATE_ON_BOTH_ENGINES(SpoolOnEngine);

}  // namespace
