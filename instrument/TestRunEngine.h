#pragma once

#include "analysis/LiveResults.h"
#include "instrument/RealTimeUnit.h"
#include "instrument/RunContext.h"
#include "instrument/RunEvents.h"
#include "instrument/RunJournalKeeper.h"
#include "sequence/SequenceData.h"
#include "testinfo/TestInfoInput.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Messenger;
class ReadingWriter;
class StoreError;
class clsConnection;
namespace store {
class RecordingLock;
}

// The test run of a sequence-test unit, without the window: Start with the test's data and the pressure
// guard, the run step of every tick (set points, sampling, averaging, storing, ramp and step ends), Stop,
// the refresh of the sequence, and the shut-down on low viscosity. The window's timer (or r7716-cli run)
// calls tick(), which polls the unit as the run stands and takes the run's step; the caller then shows what
// the unit and the engine hold.
//
// The engine owns the run's context (RunContext: state, ramp and step, counters, sums, times, the test and
// its bob factors) and alone changes it; context() reads it whole.
//
// Every reading goes to the database only through the ReadingWriter, and is kept in the live results as it
// is stored. A reading that cannot be stored is reported in the status bar (and the diagnostic log) and
// the run goes on: the unit keeps running its sequence either way. Only a test that is no longer stored
// ends the run (End::TestGone): its readings would have nowhere to go.
//
// While it records, the run holds the test's recording lock (store/RecordingLock.h), so that no program
// deletes the test meanwhile.
class TestRunEngine {
  public:
    static inline const QString kPressureText =
        QStringLiteral("Pressure not enough for your test.  Please add more pressure.");
    static inline const QString kPressureCause =
        QStringLiteral("Pressure is not applied to perform high temperature test.  Instrument No. ");
    static inline const QString kViscosityCause = QStringLiteral(
        " Shut down due to viscosity average below preset shut down viscosity. Instrument No. ");
    static inline const QString kNoRampsText =
        QStringLiteral("The sequence \"%1\" has no temperature step; there is nothing to run.");
    static inline const QString kNotStoredText = QStringLiteral("The test could not be stored.\n\n%1");
    static inline const QString kTestGoneText = QStringLiteral(
        "The test \"%1\" was deleted from the database while it was being recorded. The unit was stopped "
        "and recording has ended.");
    static inline const QString kNotLockedPrefix =
        QStringLiteral("The test is not protected against deletion: ");
    static inline const QString kJournalNotSavedPrefix = QStringLiteral("Run journal not saved: ");
    static inline const QString kNotFiniteText = QStringLiteral(
        "%1 of the averaged readings is not a finite number (the unit sent an overflowing value)");

    // Raise Bath is enabled again once a run is this far in.
    static constexpr qint64 kRaiseBathAfter_s = 3;
    // Resuming an interrupted run.
    static inline const QString kResumeQuestion = QStringLiteral(
        "%1 was recording \"%2\" (sequence \"%3\", started %4, last reading %5). Resume recording?");
    static inline const QString kResumeQuestionTitle = QStringLiteral("Interrupted run");
    static inline const QString kResumeSilentText = QStringLiteral(
        "%1 does not answer, so the run of \"%2\" cannot be resumed. Check the unit and its cable and try "
        "again, or end the run as it is.");
    static inline const QString kResumeColdText = QStringLiteral(
        "%1 is inactive at %2 F, far from the %3 F of ramp %4 (more than its start error band of %5 F): the "
        "oven was off, so the run of \"%6\" cannot be resumed. End the run as it is and start a new test.");
    static inline const QString kResumeUnusableText =
        QStringLiteral("The journal of the run of \"%1\" cannot be read, so it cannot be resumed.");
    static inline const QString kResumeBusyText =
        QStringLiteral("A test runs on this unit; the run of \"%1\" cannot be resumed on it now.");
    static inline const QString kResumeEndedText =
        QStringLiteral("The run of \"%1\" was ended meanwhile (%2), so it cannot be resumed.");

    // A ramp above this needs pressure: (temperature / 212)^2 x 100 psi.
    static constexpr double kPressureFreeUpTo_F = 210;
    static constexpr double kBoilingPoint_F = 212;
    static constexpr double kPressureAtBoilingPoint_psi = 100;
    // The tick after a set point is this long, so the unit can settle on it.
    static constexpr int kSetPointTickInterval_ms = 4000;

    enum class StartOutcome {
        NotReady,         // a test runs already, no sequence is selected, or it has no step
        Cancelled,        // the operator cancelled the test information
        Refused,          // the name or geometry was refused, or the test could not be stored (shown)
        PressureRefused,  // the test row is stored, the unit is not started (logged and shown)
        Started,
    };
    // Why a run is over.
    enum class End {
        None,               // not started, or still running
        SequenceDone,       // after its last ramp
        Stopped,            // the Stop button (or r7716-cli run interrupted)
        ViscosityShutDown,  // the average viscosity fell below the shut-down viscosity
        SequenceShortened,  // a refreshed sequence has fewer ramps than the run had reached
        RecordingStopped,   // the window closed while the unit goes on
        TestGone,           // the test's row was deleted under the run; the unit was stopped
    };

    // Drives unit; readings go through writer; the test row through connection.
    TestRunEngine(RealTimeUnit& unit, clsConnection& connection, ReadingWriter& writer, Messenger& messenger);
    ~TestRunEngine();
    TestRunEngine(const TestRunEngine&) = delete;
    TestRunEngine& operator=(const TestRunEngine&) = delete;

    // Start: asks for the test information (the bob preset as given), stores the test row and its
    // additives (refusing a name stored since the question with the dialog's duplicate message), then
    // StartTest. unitNumber: the unit as the error log names it.
    StartOutcome start(const TestInfoAsker& ask, const std::optional<QString>& presetBob, int unitNumber);
    // Resuming an interrupted run of the journal (its program stopped): the run goes on with the same test.
    // The unit must have answered (the caller polls it first); an inactive unit whose sample is further
    // from the current ramp's temperature than its start error band (the oven was off) is refused, so is a
    // test another program records. Elapsed time goes on on the true timeline since the test's start (the
    // time away has passed: a ramp whose time ran out meanwhile ends at once); the current ramp's set
    // point is sent again; an interrupted shear-rate ramp starts again at its first step. The journal row
    // gets the gap between the last reading and now; no reading of the time away is made up.
    enum class ResumeOutcome { Resumed, NotAnswering, OvenCold, Locked, Unusable, Failed };
    struct ResumeResult {
        ResumeOutcome outcome = ResumeOutcome::Failed;
        QString text;  // why it was refused; empty when resumed
    };
    ResumeResult resume(const run_journal::Run& run);
    // The question that offers an interrupted run ("Unit 1 was recording ... Resume recording?").
    static QString resumeQuestion(const run_journal::Run& run);
    // The operator ends an interrupted run as it is ("not resumed"), holding the test's recording lock
    // meanwhile; raises StoreError kBeingRecorded when a program records the test (a resumption began).
    static void endWithoutResuming(clsConnection& connection, const run_journal::Run& run);

    // One timer tick of the unit: the poll as the run stands, then, while it runs, the run's step. Never
    // throws: a failure is the unit's to report (its status bar, the diagnostic log).
    void tick();
    // Where the run's events go (none until told); raising one never waits for its delivery.
    void setEventSink(EventSink* sink) { events_.setSink(sink); }
    // The wall clock of the journal's saves (ms; the system's clock unless told): a resumed run's elapsed
    // time goes on by the time it shows passed since the run's last save. A program that runs its units
    // faster than real time (r7716-cli run --tick-ms) gives it the same scale.
    void setWallClock(std::function<qint64()> now_ms) { wallClock_ms_ = std::move(now_ms); }
    // Where readings go from now on; the unit's status bar shows the readings that wait in it.
    void setWriter(ReadingWriter& writer);
    // Stop: the stop command, and the run is over. The readings stored stay the test's results.
    void shutDown() { finish(End::Stopped); }
    // Recording ends while the unit is left running its sequence: its window closes, or the program ends.
    enum class RecordingEnd { WindowClosed, Exit };
    void stopRecording(RecordingEnd why = RecordingEnd::WindowClosed);
    // Refresh Test Sequence: in a temperature ramp, reads the selected sequence again and starts the
    // current ramp over with its new values. Nothing in a shear-rate ramp or while idle.
    void refreshSequence();

    bool running() const { return ctx_.running(); }
    // Where the run stands, whole.
    const RunContext& context() const { return ctx_; }
    End end() const { return end_; }
    // Why the run ended, in words; empty while it runs or before a start.
    QString endText() const;
    const QString& testName() const { return ctx_.testName; }
    double testId() const { return ctx_.testId; }
    // The readings stored in this test, its fits and results table.
    const LiveResults& results() const { return results_; }
    // Told of every reading once it is stored.
    void setStoredListener(std::function<void(const Reading&)> listener) { stored_ = std::move(listener); }

    // The sequence the run follows (the selected one as it was at Start or the last refresh).
    const StoredSequence& sequence() const { return sequence_; }
    int rampIndex() const { return ctx_.rampIndex; }
    int stepIndex() const { return ctx_.stepIndex; }
    // The viscosity check counts each stored temperature-ramp reading as this many seconds: one sample
    // interval, the time between two such readings.
    double secondsPerReading() const { return sampleIntervalTicks(); }
    // The run's row in the run journal; 0 when it has none.
    qint64 journalRunId() const { return journal_.runId(); }
    // How the journal names an end.
    static run_journal::EndReason journalReason(End why);

  private:
    using Phase = RunContext::Phase;

    bool StartTest();
    bool storeTest(const TestInfoInput& input);
    bool pressureRefuses();
    // The tick's part of the run: the elapsed time, then the step, then what it stored and saved.
    void runTick();
    // The end of a tick: the reading it took goes to the writer with the run's context as the tick leaves
    // it; without one, a save of the context when one is due.
    void flushTick();
    // Hands a reading (with its save) or a save alone to the writer; false when it was refused (reported).
    bool handOver(const Reading* reading, const run_journal::Save* save);
    void beginJournal();
    static ResumeResult refuseResume(ResumeOutcome outcome, const QString& text);
    // The saved context c of the run as it goes on now: on the true timeline, its average dropped, the
    // current ramp's set point due again (a shear-rate ramp from its first step).
    RunContext resumedContext(RunContext c, const run_journal::Run& run,
                              const std::vector<Reading>& stored) const;
    void journalEnd(run_journal::EndReason reason);
    // The run step of a tick; false ends the tick.
    bool step();
    bool temperatureStep();
    bool shearRateStep();
    // Ramp end: the next ramp, or the end of the run (false) after the last.
    bool nextRamp();
    void sendSetPoint(double temp_F, double shearRate_1ps);
    void takeReading();
    bool averageComplete() const;
    // False when the run ended because the test is gone.
    bool StoreReading(Phase phase);
    // After a stored temperature-ramp reading; true when it shut the run down.
    bool viscosityShutDown();
    void clearSums();
    void finish(End why);
    // The recording lock, taken or checked before a reading is stored; a failure is reported, the run goes
    // on.
    void keepLock();
    // The writer found the test's row gone: the unit is stopped and the operator told.
    void testGone(const StoreError& e);
    int sampleIntervalTicks() const;
    int sampleRateTicks() const;

    RealTimeUnit& unit_;
    clsConnection& connection_;
    ReadingWriter* writer_;
    Messenger& messenger_;
    std::function<void(const Reading&)> stored_;
    std::function<qint64()> wallClock_ms_;

    StoredSequence sequence_;
    RunContext ctx_;
    RunJournalKeeper journal_;
    // The reading the tick took, until the tick ends.
    std::optional<Reading> pending_;
    LiveResults results_;
    End end_ = End::None;
    std::unique_ptr<store::RecordingLock> lock_;
    RunEvents events_;
};
