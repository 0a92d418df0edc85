#include "instrument/UnitStatusWriter.h"

#include "store/UnitStatusStore.h"
#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/TempWorkDir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QList<store::UnitStatusRow> rows(clsConnection& connection) {
    return store::unit_status::all(connection);
}

store::UnitStatusRow running(int unit, double sample_F) {
    store::UnitStatusRow status;
    status.unit = unit;
    status.activity = store::UnitActivity::TemperatureRamp;
    status.testName = QStringLiteral("Gel 1");
    status.rampNo = 2;
    status.sampleTemp_F = sample_F;
    return status;
}

TEST(UnitStatusWriterTest, AStatusIsUpsertedAtMostEveryFiveSecondsPerUnitAndRemovedWhenReleased) {
    TempWorkDir dir;
    clsConnection connection;
    connection.OpenDB();
    qint64 now_ms = 0;
    {
        UnitStatusWriter writer(connection.location(), QStringLiteral("r7716"), DiagnosticLog(dir.path()));
        writer.setClock([&] { return now_ms; });
        writer.offer(running(1, 150));
        writer.offer(running(2, 80));
        ASSERT_TRUE(writer.flush());
        ASSERT_EQ(rows(connection).size(), 2);
        EXPECT_EQ(rows(connection)[0].station, UnitStatusWriter::station());
        EXPECT_EQ(rows(connection)[0].program, "r7716");
        EXPECT_EQ(rows(connection)[0].testName, "Gel 1");

        // Within the interval a newer status waits; once it has passed, the row is replaced, not added.
        writer.offer(running(1, 151));
        now_ms = UnitStatusWriter::kWriteInterval_ms - 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // the thread has looked twice
        EXPECT_DOUBLE_EQ(rows(connection)[0].sampleTemp_F, 150);
        now_ms = UnitStatusWriter::kWriteInterval_ms;
        for (int i = 0; i < 50 && rows(connection)[0].sampleTemp_F != 151; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_DOUBLE_EQ(rows(connection)[0].sampleTemp_F, 151);
        EXPECT_EQ(rows(connection).size(), 2);

        writer.release(2);
        writer.flush();
        ASSERT_EQ(rows(connection).size(), 1);
        EXPECT_EQ(rows(connection)[0].unit, 1);
    }
    EXPECT_TRUE(rows(connection).isEmpty());  // the program ended: it serves no unit
}

TEST(UnitStatusWriterTest, AFailedWriteIsLoggedOnceAndTriedAgainUntilItSucceeds) {
    TempWorkDir dir;
    const store::DatabaseLocation location = store::DatabaseLocation::file(dir.file("R7716.mdb"));
    UnitStatusWriter writer(location, QStringLiteral("r7716"), DiagnosticLog(dir.path()));
    writer.offer(running(1, 150));
    EXPECT_FALSE(writer.flush());  // no database yet
    EXPECT_FALSE(writer.flush());
    QFile log(dir.file(DiagnosticLog::kFileName));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().count("could not be written"), 1);
    log.close();

    clsConnection connection;
    connection.OpenDB();
    EXPECT_TRUE(writer.flush());
    ASSERT_EQ(rows(connection).size(), 1);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("written again (2 writes had failed)"));
}

}  // namespace
