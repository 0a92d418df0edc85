// A run whose program stopped in the middle (its station crashed), resumed by another program on the same
// simulated unit and database after a gap, as the journal allows.

#include "instrument/TestRunEngine.h"

#include "analysis/ChartSession.h"
#include "analysis/OpenTest.h"
#include "common/VbFormat.h"
#include "link/UnitCommands.h"
#include "sequence/SequenceStore.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/ReadingWriter.h"
#include "store/RecordingLock.h"
#include "store/RunJournal.h"
#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"
#include "testinfo/TestInfoFile.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

namespace {

using Key = std::tuple<double, double, double>;  // RAMP_NO, RAMP_STEP_NO, RESULT_TIME

// Ramp 1: three minutes with its shear-rate ramp of three steps; ramp 2: six minutes without.
StoredSequence twoRamps(double temp_F = 75) {
    StoredSequence s;
    s.name = QStringLiteral("Two ramps");
    s.settings = {3, 2, 3, 1000, 0, 30};  // read after 3 ticks, every 2, average 3; a reading every 30 s
    s.steps = {{3, temp_F, 5, 100, 1}, {6, temp_F, 5, 100, 0}};
    s.shearRates_1ps = {100, 50, 25};
    return s;
}

// One program: its connection, the unit window's logic, the writer and the engine, on the unit that
// outlives it.
struct Station {
    explicit Station(UnitFirmware& unitFirmware) : firmware(unitFirmware) {
        connection.OpenDB();
        writer = makeReadingWriter(connection);
        unit.InitialInst(connection);
        unit.setClock([this] { return firmware.now_s(); });
        unit.openPort(3);
        engine = std::make_unique<TestRunEngine>(unit, connection, *writer, messenger);
        engine->setWallClock([this] { return static_cast<qint64>(firmware.now_s() * 1000); });
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            firmware.advance(unit.timerInterval_ms() / 1000.0);
            engine->tick();
        }
    }
    void runToEnd() {
        for (int i = 0; i < 100000 && engine->running(); ++i) ticks(1);
    }
    std::vector<Key> stored() {
        QSqlQuery q(connection.ADOConnection());
        q.exec("SELECT RAMP_NO, RAMP_STEP_NO, RESULT_TIME FROM TEST_RESULT ORDER BY TEST_RESULT_ID");
        std::vector<Key> keys;
        while (q.next())
            keys.emplace_back(q.value(0).toDouble(), q.value(1).toDouble(), q.value(2).toDouble());
        return keys;
    }
    std::optional<run_journal::Run> interrupted() { return run_journal::interrupted(connection, "Live", 3); }

    UnitFirmware& firmware;
    ScriptedMessenger messenger;
    clsConnection connection;
    RealTimeUnit unit{std::make_unique<SimulatedUnitPort>(firmware), messenger};
    std::unique_ptr<ReadingWriter> writer;
    std::unique_ptr<TestRunEngine> engine;
};

struct StationRun {
    StationRun(const StoredSequence& sequence = twoRamps()) {
        firmware.setPressure(300);
        first = std::make_unique<Station>(firmware);
        SequenceStore(first->connection).add(sequence);
        EXPECT_TRUE(first->unit.selectSequence(sequence.name));
        first->ticks(2);
        EXPECT_EQ(first->engine->start(
                      [](const std::optional<QString>& bob) {
                          return testinfo_file::parse({}, "Live", bob, {}).input;
                      },
                      std::nullopt, 3),
                  TestRunEngine::StartOutcome::Started);
    }
    // The first station dies; the unit goes on at its set point for gap_s; a second station polls it.
    Station& crashAndRestart(double gap_s) {
        first.reset();
        firmware.advance(gap_s);
        second = std::make_unique<Station>(firmware);
        second->ticks(3);
        return *second;
    }

    TempWorkDir dir;
    UnitFirmware firmware{UnitFirmware::Options{.noise = 0}};
    std::unique_ptr<Station> first, second;
};

TEST(RunResume, ARunStoppedInATemperatureOrAShearRateRampGoesOnOnTheTrueTimelineAndEndsAsDesigned) {
    struct Case {
        const char* what;
        RunState stopIn;
        std::vector<double> stepsAfterResume;  // the RAMP_STEP_NOs of ramp 1 stored after the resumption
    };
    const Case cases[] = {
        {"in the temperature ramp", RunState::TemperatureRamp, {1, 2, 3}},
        {"in the shear-rate ramp", RunState::ShearRateRamp, {1, 2, 3}},  // started again at its first step
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StationRun run;
        Station& first = *run.first;
        for (int i = 0;
             i < 2000 &&
             !(first.engine->context().state == c.stopIn && first.engine->results().readings().size() >= 2 &&
               (c.stopIn != RunState::ShearRateRamp || first.engine->stepIndex() == 2));
             ++i)
            first.ticks(1);
        const std::vector<Key> before = first.stored();
        ASSERT_GE(before.size(), 2u);
        const double lastBefore = std::get<2>(before.back());

        constexpr double kGap_s = 150;
        Station& second = run.crashAndRestart(kGap_s);
        const std::optional<run_journal::Run> interrupted = second.interrupted();
        ASSERT_TRUE(interrupted);
        const QString question = TestRunEngine::resumeQuestion(*interrupted);
        EXPECT_TRUE(question.startsWith("Unit 3 was recording \"Live\" (s")) << question.toStdString();
        // The last reading's time, not the last sign of life (moments after the start on this clock).
        EXPECT_TRUE(question.endsWith("last reading " +
                                      vb::ShortTime(interrupted->started.addSecs(lastBefore).time()) +
                                      "). Resume recording?"))
            << question.toStdString();
        ASSERT_EQ(second.engine->resume(*interrupted).outcome, TestRunEngine::ResumeOutcome::Resumed);
        EXPECT_FALSE(second.interrupted()) << "its lock is held again";
        second.runToEnd();
        EXPECT_EQ(second.engine->end(), TestRunEngine::End::SequenceDone);

        const std::vector<Key> all = second.stored();
        ASSERT_GT(all.size(), before.size());
        EXPECT_TRUE(std::equal(before.begin(), before.end(), all.begin())) << "what was stored stays";
        for (std::size_t i = 1; i < all.size(); ++i)
            EXPECT_LT(std::get<2>(all[i - 1]), std::get<2>(all[i])) << "times keep rising, none twice: " << i;
        const Key& firstAfter = all[before.size()];
        EXPECT_GE(std::get<2>(firstAfter), lastBefore + kGap_s) << "the gap is real time that passed";
        std::vector<double> ramp1Steps;
        for (std::size_t i = before.size(); i < all.size(); ++i)
            if (std::get<0>(all[i]) == 1 && std::get<1>(all[i]) > 0)
                ramp1Steps.push_back(std::get<1>(all[i]));
        EXPECT_EQ(ramp1Steps, c.stepsAfterResume);
        EXPECT_EQ(std::get<0>(all.back()), 2) << "the sequence went on to its last ramp";

        const std::optional<run_journal::Run> journal =
            run_journal::run(second.connection, interrupted->runId);
        ASSERT_TRUE(journal);
        EXPECT_EQ(journal->endReason, run_journal::EndReason::SequenceEnd);
        ASSERT_EQ(journal->gaps.size(), 1u);
        EXPECT_EQ(journal->gaps[0].from_s, lastBefore);
        EXPECT_GE(journal->gaps[0].to_s, lastBefore + kGap_s);

        // The charts draw the gap as a gap: the main window's lines and the live graph's break there.
        const OpenedTest opened =
            OpenStoredTest(second.connection, "Live", ChartDataOption::All, UnitSystem::CGS);
        ChartSession session;  // what the main window and r7716-cli chart draw
        session.showOpenedTest(opened, UnitSystem::CGS);
        const Chart2D& chart = session.chart2D();
        EXPECT_EQ(chart.series[0].breaks, std::vector<std::size_t>{before.size()});
        EXPECT_EQ(second.engine->results().gaps(), journal->gaps);
    }
}

// Three ramps of 3 minutes at their own temperatures (a start band wide enough not to wait for the oven),
// stopped 70 s into the first: the ramp goes on for the time it had left, or ends at once when that passed
// while away; its set point is sent again first either way, and the next ramp gets its whole time.
TEST(RunResume, TheCurrentRampKeepsTheTimeItHadLeftOrEndsAtOnceAfterItsSetPointIsSentAgain) {
    StoredSequence three = twoRamps();
    three.name = "Three ramps";
    three.steps = {{3, 75, 50, 100, 0}, {3, 80, 50, 100, 0}, {3, 85, 50, 100, 0}};
    for (const double gap_s : {60.0, 300.0}) {
        SCOPED_TRACE(gap_s);
        StationRun run(three);
        while (run.first->engine->context().elapsed_s < 70) run.first->ticks(1);
        Station& second = run.crashAndRestart(gap_s);
        const qsizetype sentBefore = run.firmware.commandLog().size();
        ASSERT_EQ(second.engine->resume(*second.interrupted()).outcome,
                  TestRunEngine::ResumeOutcome::Resumed);
        const qint64 resumedAt = second.engine->context().elapsed_s;
        std::vector<qint64> rampStarts;  // of ramps 2 and 3
        while (second.engine->running()) {
            const int ramp = second.engine->rampIndex();
            second.ticks(1);
            if (second.engine->rampIndex() != ramp && second.engine->running())
                rampStarts.push_back(second.engine->context().rampStart_s);
        }
        ASSERT_EQ(rampStarts.size(), 2u);
        EXPECT_GE(rampStarts[0], std::max<qint64>(181, resumedAt)) << "resumed at " << resumedAt;
        EXPECT_LE(rampStarts[0], std::max<qint64>(181, resumedAt) + 10) << "resumed at " << resumedAt;
        EXPECT_GE(rampStarts[1] - rampStarts[0], 181);
        EXPECT_LE(rampStarts[1] - rampStarts[0], 191);
        const QList<QByteArray> sent = run.firmware.commandLog().mid(sentBefore);
        const auto setPoint = std::find_if(sent.begin(), sent.end(), [](const QByteArray& c) {
            return c.startsWith(UnitCommands::kSetPoint);
        });
        ASSERT_NE(setPoint, sent.end());
        // The log keeps a command without its terminator.
        EXPECT_EQ(*setPoint,
                  UnitCommands::setPoint(75, 100, second.engine->context().shearRateFactor).chopped(1));
    }
}

TEST(RunResume, AUnitThatDoesNotAnswerAColdOvenOrAnotherRecorderRefusesAndTheRunCanBeEndedAsItIs) {
    struct Case {
        const char* what;
        TestRunEngine::ResumeOutcome outcome;
    };
    const Case cases[] = {{"silent unit", TestRunEngine::ResumeOutcome::NotAnswering},
                          {"cold oven", TestRunEngine::ResumeOutcome::OvenCold},
                          {"recorded elsewhere", TestRunEngine::ResumeOutcome::Locked}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StationRun run(twoRamps(180));
        run.first->ticks(20);
        if (c.outcome == TestRunEngine::ResumeOutcome::NotAnswering)
            run.firmware.injectFault(UnitFirmware::Fault::NoAnswer, UnitFirmware::kForever);
        if (c.outcome == TestRunEngine::ResumeOutcome::OvenCold) run.firmware.receive(UnitCommands::stop());
        const qint64 runId = run.first->engine->journalRunId();
        Station& second = run.crashAndRestart(3600);
        std::optional<run_journal::Run> interrupted = run_journal::run(second.connection, runId);
        ASSERT_TRUE(interrupted);
        std::unique_ptr<store::RecordingLock> elsewhere;
        if (c.outcome == TestRunEngine::ResumeOutcome::Locked)
            elsewhere = store::RecordingLock::take(second.connection, static_cast<int>(interrupted->testId),
                                                   {.station = "lab-pc-9", .unit = 5});
        const TestRunEngine::ResumeResult result = second.engine->resume(*interrupted);
        EXPECT_EQ(result.outcome, c.outcome) << result.text.toStdString();
        EXPECT_FALSE(result.text.isEmpty());
        EXPECT_FALSE(second.engine->running());
        if (elsewhere) {
            // Nor is it ended under the program that records it.
            EXPECT_THROW(TestRunEngine::endWithoutResuming(second.connection, *interrupted), StoreError);
            EXPECT_FALSE(run_journal::run(second.connection, runId)->isEnded());
        }
        elsewhere.reset();
        TestRunEngine::endWithoutResuming(second.connection, *interrupted);
        EXPECT_EQ(run_journal::run(second.connection, runId)->endReason, run_journal::EndReason::NotResumed);
        EXPECT_FALSE(second.interrupted());
    }
}

}  // namespace
