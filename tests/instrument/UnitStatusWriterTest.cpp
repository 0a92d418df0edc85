#include "instrument/UnitStatusWriter.h"

#include "instrument/RealTimeUnit.h"
#include "instrument/TestRunEngine.h"
#include "sequence/SequenceStore.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/ReadingWriter.h"
#include "support/ScriptedMessenger.h"
#include "testinfo/TestInfoFile.h"

#include "store/UnitStatusStore.h"
#include "store/clsConnection.h"
#include "support/PgServer.h"
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

TEST(UnitStatusWriterTest, OnTheLabServerTheTableIsMadeAndAStatusIsReplacedThenRemoved) {
    REQUIRE_PG_SERVER();
    TempWorkDir dir;
    pg_test::TestDatabase server;
    clsConnection connection;
    connection.setLocation(store::DatabaseLocation::parse(server.uri()));
    connection.OpenDB();
    ASSERT_TRUE(connection.IsOpen()) << qPrintable(connection.LastError());
    {
        UnitStatusWriter writer(connection.location(), QStringLiteral("r7716-cli run"),
                                DiagnosticLog(dir.path()));
        writer.offer(running(5, 150));
        ASSERT_TRUE(writer.flush());
        writer.offer(running(5, 175.5));
        ASSERT_TRUE(writer.flush());
        const QList<store::UnitStatusRow> stored = rows(connection);
        ASSERT_EQ(stored.size(), 1);
        EXPECT_DOUBLE_EQ(stored[0].sampleTemp_F, 175.5);
        EXPECT_EQ(stored[0].activity, store::UnitActivity::TemperatureRamp);
        EXPECT_TRUE(stored[0].time.isValid());
    }
    EXPECT_TRUE(rows(connection).isEmpty());
}

// What a unit window's status row says while its run goes through a temperature ramp and a shear-rate
// ramp and the unit then falls silent: a real run engine on the in-process simulator.
TEST(UnitStatusWriterTest, TheStatusOfARunningUnitFollowsItsRunAndItsSilence) {
    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection;
    connection.OpenDB();
    UnitFirmware firmware{UnitFirmware::Options{.noise = 0}};
    RealTimeUnit unit{std::make_unique<SimulatedUnitPort>(firmware), messenger};
    const std::unique_ptr<ReadingWriter> readings = makeReadingWriter(connection);
    unit.InitialInst(connection);
    unit.setClock([&] { return firmware.now_s(); });
    unit.openPort(3);
    TestRunEngine engine(unit, connection, *readings, messenger);
    StoredSequence sequence;
    sequence.name = QStringLiteral("Ramp and rates");
    sequence.settings = {3, 2, 5, 1000, 0, 30};
    sequence.steps = {{1, 75, 5, 100, 1}, {0.5, 75, 5, 100, 0}};
    sequence.shearRates_1ps = {100, 50, 25};
    SequenceStore(connection).add(sequence);
    ASSERT_TRUE(unit.selectSequence(sequence.name));
    const auto ticks = [&](int n) {
        for (int i = 0; i < n; ++i) {
            firmware.advance(unit.timerInterval_ms() / 1000.0);
            engine.tick();
        }
    };
    const auto status = [&] {
        return describeUnit(3, unit, &engine.context(), unit.selectedName(), readings.get());
    };
    ticks(2);
    EXPECT_EQ(status().activity, store::UnitActivity::Idle);
    ASSERT_EQ(
        engine.start(
            [](const std::optional<QString>& bob) { return testinfo_file::parse({}, "Live", bob, {}).input; },
            std::nullopt, 3),
        TestRunEngine::StartOutcome::Started);
    ticks(10);
    store::UnitStatusRow now = status();
    EXPECT_EQ(now.activity, store::UnitActivity::TemperatureRamp);
    EXPECT_EQ(now.testName, "Live");
    EXPECT_EQ(now.sequenceName, "Ramp and rates");
    EXPECT_EQ(now.rampNo, 1);
    EXPECT_NEAR(now.shearRate_1ps, 100, 1);
    EXPECT_GT(now.viscosity_cP, 0);
    for (int i = 0; i < 200 && engine.context().state != RunState::ShearRateRamp; ++i) ticks(1);
    now = status();
    EXPECT_EQ(now.activity, store::UnitActivity::ShearRateRamp);
    EXPECT_GE(now.stepNo, 1);
    firmware.injectFault(UnitFirmware::Fault::NoAnswer, 1000);
    ticks(12);
    EXPECT_EQ(status().activity, store::UnitActivity::NotAnswering);
    EXPECT_EQ(status().testName, "Live");

    UnitStatusWriter writer(connection.location(), QStringLiteral("r7716"), DiagnosticLog(dir.path()));
    writer.offer(status());
    ASSERT_TRUE(writer.flush());
    ASSERT_EQ(rows(connection).size(), 1);
    EXPECT_EQ(rows(connection)[0].activity, store::UnitActivity::NotAnswering);
}

}  // namespace
