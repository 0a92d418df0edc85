// The run engine end to end against the in-process simulator on simulated time: Start, the sampling and
// storing of readings, ramp and step ends, the pressure guard, the viscosity shut-down, Stop and Refresh.

#include "instrument/TestRunEngine.h"

#include "analysis/OpenTest.h"
#include "common/ErrorLog.h"
#include "instrument/UnitCommands.h"
#include "sequence/SequenceStore.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/NewTest.h"
#include "store/ReadingWriter.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"
#include "testinfo/TestInfoEntry.h"
#include "testinfo/TestInfoFile.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// RAMP_NO, RAMP_STEP_NO, RESULT_TIME, RESULT_TYPE_ID of a stored reading.
using Key = std::tuple<double, double, double, double>;

StoredSequence rampAndRates(double sampleInterval_s) {
    StoredSequence s;
    s.name = QStringLiteral("Ramp and rates");
    s.settings = {.timeBeforeRead_s = 3, .rampSampleRate_s = 2, .samplePointsAverage = 5,
                  .shutDownATime_min = 1000, .shutDownVisc_cP = 0, .sampleInterval_s = sampleInterval_s};
    // One minute at room temperature, then its shear-rate ramp; then half a minute without one.
    s.steps = {{1, 75, 5, 100, 1}, {0.5, 75, 5, 100, 0}};
    s.shearRates_1ps = {100, 50, 25};
    return s;
}

// A unit window's logic and run engine on a simulated unit, in a working directory of its own.
struct Rig {
    Rig() {
        connection.OpenDB();
        writer = std::make_unique<DirectReadingWriter>(connection);
        unit.InitialInst(connection);
        unit.setMessageTitle(QStringLiteral("Unit 3 Real Time Test"));
        unit.setClock([this] { return firmware.now_s(); });
        unit.openPort(3);
        engine = std::make_unique<TestRunEngine>(unit, connection, *writer, messenger);
    }
    static UnitFirmware::Options exact() {
        UnitFirmware::Options o;
        o.noise = 0;
        o.pressure_psi = 300;
        return o;
    }
    void select(const StoredSequence& s) {
        SequenceStore(connection).add(s);
        ASSERT_TRUE(unit.selectSequence(s.name));
    }
    void tick() {
        firmware.advance(unit.timerInterval_ms() / 1000.0);
        unit.tick();
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) tick();
    }
    static TestInfoAsker answering(const QString& name, std::function<void()> meanwhile = {}) {
        return [name, meanwhile](const std::optional<QString>& bob) {
            if (meanwhile) meanwhile();
            return testinfo_file::parse({}, name, bob, {}).input;
        };
    }
    // Polls until the unit has answered, as the window has long before Start, then starts.
    TestRunEngine::StartOutcome start(const QString& name = QStringLiteral("Live test")) {
        ticks(2);
        return engine->start(answering(name), std::nullopt, 3);
    }
    void runToEnd(int maxTicks = 100000) {
        for (int i = 0; i < maxTicks && engine->running(); ++i) tick();
        ASSERT_FALSE(engine->running());
    }
    std::vector<Key> storedKeys() {
        std::vector<Key> keys;
        for (const Reading& r : opened().readings) keys.emplace_back(r.rampNo, r.rampStepNo, r.time_s, r.typeId);
        return keys;
    }
    OpenedTest opened(const QString& name = QStringLiteral("Live test")) {
        return OpenStoredTest(connection, name, ChartDataOption::All, UnitSystem::CGS);
    }
    QStringList logLines() {
        QFile f(QString::fromLatin1(kErrorLogFileName));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    bool sent(char command) {
        for (const QByteArray& c : firmware.commandLog())
            if (c.startsWith(command)) return true;
        return false;
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection;
    UnitFirmware firmware{exact()};
    RealTimeUnit unit{std::make_unique<SimulatedUnitPort>(firmware), messenger};
    std::unique_ptr<DirectReadingWriter> writer;
    std::unique_ptr<TestRunEngine> engine;
};

TEST(TestRunEngine, ASequenceRunsToItsEndStoringTheReadingsOfTheSamplingRulesAtTheirTrueSeconds) {
    // Phase-0 readings at positions 2, 4 ... 10 of each sample interval (the set-point tick takes position
    // 2 of the first); a shear-rate step reads after 3 ticks every 2 ticks; each set point's tick lasts 4 s.
    struct Case {
        double sampleInterval_s;
        std::vector<Key> readings;
    };
    const std::vector<Key> rates = {{1, 1, 77, 1}, {1, 2, 93, 1}, {1, 3, 109, 1}};
    const Case cases[] = {
        {30, {{1, 0, 35, 0}}},
        // Position 10 is position 0 of the next interval: an average takes readings of two intervals.
        {10, {{1, 0, 17, 0}, {1, 0, 29, 0}, {1, 0, 41, 0}, {1, 0, 55, 0}}},
    };
    for (const Case& c : cases) {
        Rig run;
        run.select(rampAndRates(c.sampleInterval_s));
        ASSERT_EQ(run.start(), TestRunEngine::StartOutcome::Started);
        run.runToEnd();
        std::vector<Key> expected = c.readings;
        expected.insert(expected.end(), rates.begin(), rates.end());
        EXPECT_EQ(run.storedKeys(), expected) << "interval " << c.sampleInterval_s;
        EXPECT_EQ(run.engine->end(), TestRunEngine::End::SequenceDone);
        EXPECT_TRUE(run.sent(UnitCommands::kStop));
        EXPECT_EQ(run.unit.statusBar().elapsedTime, "Elapsed Time: 00:01:49") << "the last stored reading's";
        // The results table of the run is the one the main window shows for the stored test.
        const OpenedTest stored = run.opened();
        const ResultsTable live = run.engine->results().table(UnitSystem::CGS);
        ASSERT_EQ(stored.results.rows.size(), 1);
        EXPECT_FALSE(stored.results.rows[0].isEmpty());
        EXPECT_EQ(live.rows, stored.results.rows);
        EXPECT_EQ(live.header, stored.results.header);
    }
}

TEST(TestRunEngine, APressureTooLowForARampAbove210FRefusesTheStartLogsItAndKeepsTheTestRow) {
    struct Case {
        double temp_F;
        double pressure_psi;
        bool refused;
    };
    const Case cases[] = {{211, 99, true}, {211, 100, false}, {210, 0, false}};
    for (const Case& c : cases) {
        Rig run;
        StoredSequence s = rampAndRates(30);
        s.steps[1].temp_F = c.temp_F;
        run.firmware.setPressure(c.pressure_psi);
        run.select(s);
        const auto outcome = run.start();
        EXPECT_EQ(outcome, c.refused ? TestRunEngine::StartOutcome::PressureRefused
                                     : TestRunEngine::StartOutcome::Started)
            << c.temp_F << " F at " << c.pressure_psi << " psi";
        EXPECT_TRUE(TestNameIsStored(run.connection, "Live test"));
        const QStringList log = run.logLines();
        if (c.refused) {
            ASSERT_EQ(log.size(), 1);
            EXPECT_TRUE(log[0].endsWith("Cause: Pressure is not applied to perform high temperature test.  "
                                        "Instrument No.  3"))
                << log[0].toStdString();
            EXPECT_EQ(run.messenger.texts(), QStringList{TestRunEngine::kPressureText});
            run.ticks(5);
            EXPECT_FALSE(run.sent(UnitCommands::kSetPoint));
        } else {
            EXPECT_TRUE(log.isEmpty());
            run.ticks(5);
            EXPECT_TRUE(run.sent(UnitCommands::kSetPoint));
        }
    }
}

TEST(TestRunEngine, ALowAverageViscosityShutsTheUnitDownAndLogsItEvenWhenTheLogCannotBeWritten) {
    for (const bool logWritable : {true, false}) {
        Rig run;
        if (!logWritable) QDir().mkdir(QString::fromLatin1(kErrorLogFileName));
        StoredSequence s = rampAndRates(30);
        s.steps[0].elapseTime_min = 10;
        // Two readings of 30 s cover one minute; any fluid is thinner than this.
        s.settings.shutDownATime_min = 1;
        s.settings.shutDownVisc_cP = 1e6;
        run.select(s);
        ASSERT_EQ(run.start(), TestRunEngine::StartOutcome::Started);
        run.runToEnd(200);
        EXPECT_EQ(run.engine->end(), TestRunEngine::End::ViscosityShutDown);
        EXPECT_TRUE(run.sent(UnitCommands::kStop));
        EXPECT_EQ(run.storedKeys(), (std::vector<Key>{{1, 0, 35, 0}, {1, 0, 65, 0}}));
        if (logWritable) {
            const QStringList log = run.logLines();
            ASSERT_EQ(log.size(), 1);
            EXPECT_TRUE(log[0].endsWith("Cause:  Shut down due to viscosity average below preset shut down "
                                        "viscosity. Instrument No.  3"));
        } else {
            ASSERT_EQ(run.messenger.shown.size(), 1);
            EXPECT_TRUE(run.messenger.shown[0].text.contains("could not be written"));
        }
    }
}

TEST(TestRunEngine, ARampThatNeverReachesItsTemperatureGoesOnStoringUntilStop) {
    Rig rig;
    UnitFirmware& firmware = rig.firmware;
    TestRunEngine* engine = rig.engine.get();
    StoredSequence s = rampAndRates(30);
    s.steps[0] = {0.5, 150, 1, 100, 1};
    rig.select(s);
    firmware.receive(UnitCommands::dropBath());  // the sample stays at room temperature
    ASSERT_EQ(rig.start(), TestRunEngine::StartOutcome::Started);
    rig.ticks(20 * 60);
    EXPECT_TRUE(engine->running());
    EXPECT_EQ(engine->rampIndex(), 1);
    const std::vector<Key> keys = rig.storedKeys();
    EXPECT_EQ(keys.size(), 39u) << "one reading every 30 s";
    EXPECT_EQ(keys.back(), Key(1, 0, 1175, 0));

    engine->shutDown();
    EXPECT_FALSE(engine->running());
    EXPECT_EQ(engine->end(), TestRunEngine::End::Stopped);
    EXPECT_TRUE(rig.sent(UnitCommands::kStop));
    rig.ticks(60);
    EXPECT_EQ(rig.storedKeys().size(), 39u) << "nothing stored after Stop";
}

TEST(TestRunEngine, RefreshStartsTheCurrentRampOverWithTheSequenceAsStoredNow) {
    Rig rig;
    StoredSequence s = rampAndRates(30);
    s.steps[0].elapseTime_min = 10;
    rig.select(s);
    ASSERT_EQ(rig.start(), TestRunEngine::StartOutcome::Started);
    rig.ticks(40);
    EXPECT_EQ(rig.firmware.setPoint_F(), 75);
    StoredSequence changed = rig.unit.sequence();
    changed.steps[0].temp_F = 90;
    SequenceStore(rig.connection).save(changed);
    rig.engine->refreshSequence();
    rig.ticks(2);  // the current ramp starts over: its set point goes out on its second tick
    EXPECT_EQ(rig.firmware.setPoint_F(), 90);
    EXPECT_EQ(rig.engine->rampIndex(), 1);
    EXPECT_TRUE(rig.engine->running());
}

TEST(TestRunEngine, ANameStoredSinceTheDialogOpenedOrAnEmptyNameIsRefusedWithTheDialogsMessage) {
    struct Case {
        const char* name;
        bool storedMeanwhile;
        const char* message;
    };
    const Case cases[] = {
        {"Gel 7", true, TestInfoEntry::kDuplicateName},
        {"", false, TestInfoEntry::kEmptyName},
    };
    for (const Case& c : cases) {
        Rig run;
        run.select(rampAndRates(30));
        run.ticks(2);
        // Another window stores the name, in other letters, while this dialog is open.
        const auto other = [&run] {
            clsTEST_INFO info;
            info.ConnectX(run.connection);
            info.SetDefaults();
            info.setTEST_NAME(QStringLiteral("GEL 7"));
            StoreNewTest(run.connection, info, {}, {});
        };
        const auto outcome = run.engine->start(
            Rig::answering(QString::fromLatin1(c.name),
                           c.storedMeanwhile ? std::function<void()>(other) : std::function<void()>()),
            std::nullopt, 3);
        EXPECT_EQ(outcome, TestRunEngine::StartOutcome::Refused);
        EXPECT_EQ(run.messenger.texts(), QStringList{QString::fromLatin1(c.message)});
        EXPECT_EQ(TestInfoEntry::storedNames(run.connection).size(), c.storedMeanwhile ? 1 : 0);
        EXPECT_FALSE(run.engine->running());
    }
}

}  // namespace
