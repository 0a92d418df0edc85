// The run engine end to end against the in-process simulator on simulated time: Start, the sampling and
// storing of readings, ramp and step ends, the pressure guard, the viscosity shut-down, Stop and Refresh.

#include "instrument/TestRunEngine.h"

#include "analysis/OpenTest.h"
#include "common/DiagnosticLog.h"
#include "common/ErrorLog.h"
#include "link/UnitCommands.h"
#include "sequence/SequenceStore.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/ReadingWriter.h"
#include "store/RecordingLock.h"
#include "store/SpoolingReadingWriter.h"
#include "store/clsConnection.h"
#include "support/PgServer.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"
#include "testinfo/BobTable.h"
#include "testinfo/TestInfoEntry.h"
#include "testinfo/TestInfoFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace {

// RAMP_NO, RAMP_STEP_NO, RESULT_TIME, RESULT_TYPE_ID of a stored reading.
using Key = std::tuple<double, double, double, double>;

// One minute at room temperature with its shear-rate ramp of three steps, then half a minute without.
StoredSequence rampAndRates(double sampleInterval_s) {
    StoredSequence s;
    s.name = QStringLiteral("Ramp and rates");
    s.settings = {3, 2, 5, 1000, 0, sampleInterval_s};  // read after 3 ticks, every 2, average 5
    s.steps = {{1, 75, 5, 100, 1}, {0.5, 75, 5, 100, 0}};
    s.shearRates_1ps = {100, 50, 25};
    return s;
}

// A unit window's logic and run engine on a simulated unit, in a working directory of its own.
struct Rig {
    explicit Rig(const StoredSequence& s, double pressure_psi = 300, const QString& databaseUri = {}) {
        if (!databaseUri.isEmpty()) connection.setLocation(store::DatabaseLocation::parse(databaseUri));
        connection.OpenDB();
        writer = makeReadingWriter(connection);
        unit.InitialInst(connection);
        unit.setClock([this] { return firmware.now_s(); });
        unit.openPort(3);
        engine = std::make_unique<TestRunEngine>(unit, connection, *writer, messenger);
        firmware.setPressure(pressure_psi);
        SequenceStore(connection).add(s);
        EXPECT_TRUE(unit.selectSequence(s.name));
        ticks(2);  // the unit has answered long before anyone presses Start
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            firmware.advance(unit.timerInterval_ms() / 1000.0);
            engine->tick();
        }
    }
    TestRunEngine::StartOutcome start(const QString& name = "Live", std::function<void()> meanwhile = {}) {
        return engine->start(
            [&](const std::optional<QString>& bob) {
                if (meanwhile) meanwhile();
                return testinfo_file::parse({}, name, bob, {}).input;
            },
            std::nullopt, 3);
    }
    void runToEnd() {
        for (int i = 0; i < 100000 && engine->running(); ++i) ticks(1);
    }
    void ticksUntilReadings(std::size_t n) {
        for (int i = 0; i < 1000 && engine->results().readings().size() < n; ++i) ticks(1);
    }
    // The times of the test's readings in the order they were stored.
    std::vector<double> timesAsStored() {
        QSqlQuery q(connection.ADOConnection());
        q.exec(
            QStringLiteral("SELECT RESULT_TIME FROM TEST_RESULT WHERE TEST_ID = %1 ORDER BY TEST_RESULT_ID")
                .arg(engine->testId()));
        std::vector<double> times;
        while (q.next()) times.push_back(q.value(0).toDouble());
        return times;
    }
    std::vector<double> timesTaken() {
        std::vector<double> times;
        for (const Reading& r : engine->results().readings()) times.push_back(r.time_s);
        return times;
    }
    std::vector<Key> storedKeys() {
        std::vector<Key> keys;
        for (const Reading& r :
             OpenStoredTest(connection, "Live", ChartDataOption::All, UnitSystem::CGS).readings)
            keys.emplace_back(r.rampNo, r.rampStepNo, r.time_s, r.typeId);
        return keys;
    }
    QStringList logLines() {
        QFile f(QString::fromLatin1(kErrorLogFileName));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts)
                                           : QStringList();
    }
    bool sent(char command) {
        return std::ranges::any_of(firmware.commandLog(),
                                   [command](auto& c) { return c.startsWith(command); });
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection;
    UnitFirmware firmware{UnitFirmware::Options{.noise = 0}};
    RealTimeUnit unit{std::make_unique<SimulatedUnitPort>(firmware), messenger};
    std::unique_ptr<ReadingWriter> writer;
    std::unique_ptr<TestRunEngine> engine;
};

TEST(TestRunEngine, ASequenceRunsToItsEndStoringTheReadingsOfTheSamplingRulesAtTheirTrueSeconds) {
    // Phase-0 readings at positions 2, 4 ... 10 of each sample interval (the set-point tick takes position
    // 2 of the first); each step of the shear-rate ramp averages its readings 5, 7 ... 13; the tick after
    // each set point lasts 4 s and counts 4 s.
    const std::vector<Key> rates = {{1, 1, 77, 1}, {1, 2, 93, 1}, {1, 3, 109, 1}};
    const std::pair<double, std::vector<Key>> cases[] = {
        {30, {{1, 0, 35, 0}}},
        // Position 10 is position 0 of the next interval: an average takes readings of two intervals.
        {10, {{1, 0, 17, 0}, {1, 0, 29, 0}, {1, 0, 41, 0}, {1, 0, 55, 0}}},
    };
    for (auto [interval, expected] : cases) {
        Rig run(rampAndRates(interval));
        ASSERT_EQ(run.start(), TestRunEngine::StartOutcome::Started);
        run.runToEnd();
        expected.insert(expected.end(), rates.begin(), rates.end());
        EXPECT_EQ(run.storedKeys(), expected) << "interval " << interval;
        EXPECT_EQ(run.engine->end(), TestRunEngine::End::SequenceDone);
        EXPECT_TRUE(run.sent(UnitCommands::kStop));
        EXPECT_EQ(run.unit.statusBar().elapsedTime, "Elapsed Time: 00:01:49");
        // The results table of the run is the one the main window shows for the stored test.
        const ResultsTable stored =
            OpenStoredTest(run.connection, "Live", ChartDataOption::All, UnitSystem::CGS).results;
        ASSERT_EQ(stored.rows.size(), 1);
        const ResultsTable live = run.engine->results().table(UnitSystem::CGS);
        EXPECT_EQ(live.rows, stored.rows);
        EXPECT_EQ(live.header, stored.header);
    }
}

TEST(TestRunEngine, AReadingThatOverflowsIsNeverStoredAndIsNamedLikeAReadingNotStored) {
    Rig run(rampAndRates(30));
    ASSERT_EQ(run.start(), TestRunEngine::StartOutcome::Started);
    // As a reply of "9E999" (read as the largest double) times a bob factor above 1: every stress overflows.
    run.unit.poller().display().setFactors(bobs::shearRateFactor(1.5987), std::numeric_limits<double>::max());
    run.runToEnd();
    EXPECT_EQ(run.engine->end(), TestRunEngine::End::SequenceDone);
    EXPECT_TRUE(run.storedKeys().empty());
    EXPECT_EQ(run.unit.failures().count(TickFailureKind::Storage), 4);
    EXPECT_TRUE(run.unit.failures().statusText().contains("RESULT_SHEAR_STRESS"))
        << run.unit.failures().statusText().toStdString();
}

TEST(TestRunEngine, APressureTooLowForARampAbove210FRefusesTheStartLogsItAndKeepsTheTestRow) {
    const std::tuple<double, double, bool> cases[] = {{211, 99, true}, {211, 100, false}, {210, 0, false}};
    for (const auto& [temp_F, pressure_psi, refused] : cases) {
        StoredSequence s = rampAndRates(30);
        s.steps[1].temp_F = temp_F;
        Rig run(s, pressure_psi);
        EXPECT_EQ(run.start(), refused ? TestRunEngine::StartOutcome::PressureRefused
                                       : TestRunEngine::StartOutcome::Started);
        EXPECT_TRUE(TestNameIsStored(run.connection, "Live"));
        EXPECT_EQ(store::RecordingLock::recorderOf(run.connection, "Live").has_value(), !refused)
            << "a run holds its test's recording lock; a refused start lets it go";
        run.ticks(5);
        EXPECT_EQ(run.sent(UnitCommands::kSetPoint), !refused)
            << temp_F << " F at " << pressure_psi << " psi";
        EXPECT_EQ(run.messenger.texts(), refused ? QStringList{TestRunEngine::kPressureText} : QStringList());
        const QStringList log = run.logLines();
        ASSERT_EQ(log.size(), refused ? 1 : 0);
        if (refused)
            EXPECT_TRUE(log[0].endsWith(
                "Cause: Pressure is not applied to perform high temperature test.  Instrument No.  3"));
    }
}

TEST(TestRunEngine, ALowAverageViscosityShutsTheUnitDownAndLogsItEvenWhenTheLogCannotBeWritten) {
    for (const bool logWritable : {true, false}) {
        StoredSequence s = rampAndRates(30);
        s.steps[0].elapseTime_min = 10;
        s.settings.shutDownATime_min = 1;  // two readings of 30 s
        s.settings.shutDownVisc_cP = 1e6;  // any fluid is thinner
        Rig run(s);
        if (!logWritable) QDir().mkdir(QString::fromLatin1(kErrorLogFileName));
        ASSERT_EQ(run.start(), TestRunEngine::StartOutcome::Started);
        run.runToEnd();
        EXPECT_EQ(run.engine->end(), TestRunEngine::End::ViscosityShutDown);
        EXPECT_TRUE(run.sent(UnitCommands::kStop));
        EXPECT_EQ(run.storedKeys(), (std::vector<Key>{{1, 0, 35, 0}, {1, 0, 65, 0}}));
        if (logWritable)
            EXPECT_TRUE(
                run.logLines().value(0).endsWith("Cause:  Shut down due to viscosity average below preset "
                                                 "shut down viscosity. Instrument No.  3"));
        else
            EXPECT_TRUE(run.messenger.texts().value(0).contains("could not be written"));
    }
}

TEST(TestRunEngine, ARampNeverAtItsTemperatureGoesOnUntilStopAndRefreshStartsItOverAsStoredNow) {
    StoredSequence s = rampAndRates(30);
    s.steps[0] = {0.5, 150, 1, 100, 1};
    Rig run(s);
    run.firmware.receive(UnitCommands::dropBath());  // the sample stays at room temperature
    ASSERT_EQ(run.start(), TestRunEngine::StartOutcome::Started);
    run.ticks(20 * 60);
    EXPECT_TRUE(run.engine->running());
    EXPECT_EQ(run.engine->rampIndex(), 1);
    EXPECT_EQ(run.storedKeys().size(), 39u) << "one reading every 30 s";
    EXPECT_EQ(run.storedKeys().back(), Key(1, 0, 1175, 0));

    StoredSequence changed = run.unit.sequence();
    changed.steps[0].temp_F = 90;
    SequenceStore(run.connection).save(changed);
    run.engine->refreshSequence();
    run.ticks(2);  // the ramp starts over: its set point goes out on its second tick
    EXPECT_EQ(run.firmware.setPoint_F(), 90);
    EXPECT_EQ(run.engine->rampIndex(), 1);
    EXPECT_TRUE(run.engine->running());

    run.engine->shutDown();
    EXPECT_EQ(run.engine->end(), TestRunEngine::End::Stopped);
    EXPECT_TRUE(run.sent(UnitCommands::kStop));
    run.ticks(60);
    EXPECT_EQ(run.storedKeys().size(), 39u) << "nothing stored after Stop";
}

TEST(TestRunEngine, ANameStoredSinceTheDialogOpenedOrAnEmptyNameIsRefusedWithTheDialogsMessage) {
    const std::tuple<QString, bool, const char*> cases[] = {{"Gel 7", true, TestInfoEntry::kDuplicateName},
                                                            {"", false, TestInfoEntry::kEmptyName}};
    for (const auto& [name, storedMeanwhile, message] : cases) {
        Rig run(rampAndRates(30));
        // Another window stores the name, in other letters, while this dialog is open.
        const auto other = [&run] { stored_test::store(run.connection, {"GEL 7"}); };
        EXPECT_EQ(run.start(name, storedMeanwhile ? std::function<void()>(other) : nullptr),
                  TestRunEngine::StartOutcome::Refused);
        EXPECT_EQ(run.messenger.texts(), QStringList{QString::fromLatin1(message)});
        EXPECT_EQ(TestInfoEntry::storedNames(run.connection).size(), storedMeanwhile ? 1 : 0);
        EXPECT_FALSE(run.engine->running());
    }
}

TEST(TestRunEngine, ElapsedTimeIsTheUnitsClockSinceTheStartShownOnlyWhileATestRuns) {
    StoredSequence day = rampAndRates(60);
    day.steps = {{1500, 75, 5, 100, 0}};
    Rig run(day);
    EXPECT_TRUE(run.unit.statusBar().elapsedTime.isEmpty());
    ASSERT_EQ(run.start(), TestRunEngine::StartOutcome::Started);
    const double start_s = run.engine->context().start_s;
    run.ticks(3);  // the set point's ticks leave the elapsed time as it was
    run.firmware.advance(start_s + 3725.4 - 1 - run.firmware.now_s());
    run.ticks(1);
    EXPECT_EQ(run.engine->context().elapsed_s, 3725);
    EXPECT_EQ(run.unit.statusBar().elapsedTime, "Elapsed Time: 01:02:05");
    run.firmware.advance(start_s + 90000 - 1 - run.firmware.now_s());
    run.ticks(1);
    EXPECT_EQ(run.unit.statusBar().elapsedTime, "Elapsed Time: 01:00:00") << "hours wrap at a day";
}

// A program that does not know the recording lock deletes the test's row in the middle of the run.
TEST(TestRunEngine, ATestDeletedUnderTheRunStopsTheUnitEndsTheRunAndLeavesNoOrphans) {
    Rig run(rampAndRates(10));
    ASSERT_EQ(run.start(), TestRunEngine::StartOutcome::Started);
    run.ticksUntilReadings(2);
    const double testId = run.engine->testId();
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other program");
        other.setDatabaseName(run.connection.FilePath());
        ASSERT_TRUE(other.open());
        ASSERT_TRUE(
            QSqlQuery(other).exec(QStringLiteral("DELETE FROM TEST_INFO WHERE TEST_ID = %1").arg(testId)));
        other.close();
    }
    QSqlDatabase::removeDatabase("other program");
    run.runToEnd();
    run.ticks(60);
    EXPECT_EQ(run.engine->end(), TestRunEngine::End::TestGone);
    EXPECT_EQ(run.timesAsStored().size(), 2u) << "nothing is stored after the test is gone";
    EXPECT_TRUE(run.sent(UnitCommands::kStop));
    EXPECT_EQ(run.messenger.texts(), QStringList{TestRunEngine::kTestGoneText.arg("Live")});
    EXPECT_EQ(run.engine->endText(), TestRunEngine::kTestGoneText.arg("Live"));
    EXPECT_FALSE(store::RecordingLock::recorderOf(run.connection, "Live"));
}

// The database server stops in the middle of a run and starts again.
TEST(TestRunEngine, ReadingsTheServerCannotTakeAreCountedInTheStatusBarAndArriveInOrderEachOnce) {
    static int argc = 1;
    static char name[] = "test_instrument";
    static char* argv[] = {name, nullptr};
    static const auto app =
        QCoreApplication::instance() ? nullptr : std::make_unique<QCoreApplication>(argc, argv);
    pg_test::Cluster server;
    if (!server.started() && server.error().isEmpty()) GTEST_SKIP() << pg_test::kNoServer;
    ASSERT_TRUE(server.started()) << server.error().toStdString();
    server.createDatabase("lab");
    Rig run(rampAndRates(10), 300, server.databaseUri("lab"));
    SpoolingReadingWriter writer(run.connection, run.dir.file("spool.db"));
    writer.setIntervals(20, 0);  // ask the server again at every reading
    run.engine->setWriter(writer);
    ASSERT_EQ(run.start(), TestRunEngine::StartOutcome::Started);
    run.ticksUntilReadings(2);
    ASSERT_TRUE(server.stop());
    run.ticksUntilReadings(4);
    EXPECT_EQ(run.unit.messagePanelText(), "server unreachable: 2 readings waiting");
    ASSERT_TRUE(server.start());
    run.runToEnd();
    EXPECT_EQ(writer.waiting(), 0);
    EXPECT_EQ(run.unit.messagePanelText(), run.unit.statusBar().message);
    const std::vector<Key> all = {{1, 0, 17, 0}, {1, 0, 29, 0}, {1, 0, 41, 0}, {1, 0, 55, 0},
                                  {1, 1, 77, 1}, {1, 2, 93, 1}, {1, 3, 109, 1}};
    EXPECT_EQ(run.storedKeys(), all);
}

// Another program holds the database's write lock for a minute of the run, far longer than every other
// operation waits for it: no tick waits longer than the short wait of a reading, and no reading is lost.
TEST(TestRunEngine, ALockHeldElsewhereNeverHoldsATickPastTheShortWaitAndNoReadingIsLost) {
    Rig run(rampAndRates(10));
    SpoolingReadingWriter writer(run.connection);
    writer.setIntervals(1000, 0);  // ask the database at every reading
    int waitedInTick_ms = 0;
    writer.setWaitFunction([&](int ms) { waitedInTick_ms += ms; });
    run.engine->setWriter(writer);
    ASSERT_EQ(run.start(), TestRunEngine::StartOutcome::Started);
    run.ticksUntilReadings(1);
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other program");
        other.setDatabaseName(run.connection.FilePath());
        ASSERT_TRUE(other.open());
        ASSERT_TRUE(QSqlQuery(other).exec("BEGIN IMMEDIATE"));
        int longestWait_ms = 0;
        for (const double until_s = run.firmware.now_s() + 60; run.firmware.now_s() < until_s;) {
            waitedInTick_ms = 0;
            run.ticks(1);
            longestWait_ms = std::max(longestWait_ms, waitedInTick_ms);
        }
        EXPECT_GT(longestWait_ms, 0) << "the lock was met";
        EXPECT_LE(longestWait_ms, SpoolingReadingWriter::kReadingLockWait_ms);
        const int kept = static_cast<int>(run.engine->results().readings().size()) - 1;
        EXPECT_GE(kept, 3);
        EXPECT_EQ(run.unit.messagePanelText(), QString("%1 readings waiting (database is locked)").arg(kept));
        QSqlQuery(other).exec("ROLLBACK");
        other.close();
    }
    QSqlDatabase::removeDatabase("other program");
    run.runToEnd();
    EXPECT_EQ(writer.waiting(), 0);
    EXPECT_EQ(run.timesAsStored(), run.timesTaken());
    EXPECT_EQ(run.storedKeys().size(), 7u);
    EXPECT_TRUE(run.unit.messagePanelText().startsWith("The waiting readings were stored at "));
}

// The disk fills in the middle of a run and has room again a while later: the readings it refused wait in
// the spool, or in memory where the spool cannot be written either, and are all stored, in order, once.
TEST(TestRunEngine, ReadingsTheDatabaseRefusesForAWhileWaitAndAreAllStoredInOrderOnce) {
    StoredSequence longRamp = rampAndRates(2);
    longRamp.settings = {3, 1, 1, 1000, 0, 2};  // a reading every other tick
    longRamp.steps = {{8, 75, 5, 100, 0}};
    for (const bool spoolWritable : {true, false}) {
        Rig run(longRamp);
        SpoolingReadingWriter writer(run.connection,
                                     run.dir.file(spoolWritable ? "spool.db" : "gone/spool.db"));
        writer.setIntervals(1000, 0);
        run.engine->setWriter(writer);
        ASSERT_EQ(run.start(), TestRunEngine::StartOutcome::Started);
        // A full disk: the file may not grow beyond the pages it has.
        const auto limitPages = [&](const QString& pages) {
            QSqlQuery q(run.connection.ADOConnection());
            ASSERT_TRUE(q.exec("PRAGMA max_page_count = " + pages));
        };
        QSqlQuery count(run.connection.ADOConnection());
        ASSERT_TRUE(count.exec("PRAGMA page_count") && count.next());
        limitPages(count.value(0).toString());
        for (int i = 0; i < 2000 && writer.waiting() == 0; ++i) run.ticks(1);
        ASSERT_EQ(writer.waiting(), 1) << "the disk is full";
        EXPECT_EQ(run.unit.messagePanelText(), spoolWritable
                                                   ? "1 readings waiting (database or disk is full)"
                                                   : "1 readings waiting, 1 only in memory (database "
                                                     "or disk is full)");
        for (int i = 0; i < 2000 && writer.waiting() < 10; ++i) run.ticks(1);
        ASSERT_EQ(writer.waiting(), 10) << "the disk stays full for a while";
        limitPages("1000000");  // room again
        run.runToEnd();
        EXPECT_EQ(writer.waiting(), 0);
        EXPECT_EQ(run.timesAsStored(), run.timesTaken());
        QFile log(DiagnosticLog::kFileName);
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(log.readAll()).count("Readings are kept"), 1)
            << "once, not every reading";
    }
}

}  // namespace
