// Resuming a run of the run journal whose program stopped in the middle (a crash, a power cut of the PC):
// the run goes on with the same test on the true timeline since its start.

#include "instrument/TestRunEngine.h"

#include "common/VbFormat.h"
#include "instrument/RealTimeHost.h"
#include "store/ReadingWriter.h"
#include "store/RecordingLock.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"
#include "store/clsTEST_RESULT.h"

#include <QDateTime>

#include <cmath>

namespace {

// The readings the test holds, in the order they are read back.
std::vector<Reading> storedReadings(clsConnection& connection, double testId) {
    clsTEST_RESULT result;
    result.setTest_Id(static_cast<int>(testId));
    result.ConnectX(connection);
    std::vector<Reading> readings;
    readings.reserve(result.rTestResult().size());
    for (const clsTEST_RESULT::Row& row : result.rTestResult()) readings.push_back(ReadingOfRow(row));
    return readings;
}

// The time of the run's last stored reading: its RESULT_TIME, as the context saved with it keeps it, after
// the start. Not the journal's last-seen time, which the run's signs of life move on without a reading.
QString lastReadingTime(const run_journal::Run& run) {
    const std::optional<JournaledRun> journaled = journaledRun(run.context);
    if (!journaled || !run.started.isValid()) return QStringLiteral("?");
    const double time_s = journaled->context.lastStoredTime_s;
    if (time_s < 0) return QStringLiteral("none");
    return vb::ShortTime(run.started.addMSecs(std::llround(time_s * 1000)).time());
}

}  // namespace

QString TestRunEngine::resumeQuestion(const run_journal::Run& run) {
    const QString lastReading = lastReadingTime(run);
    return kResumeQuestion.arg(RealTimeHost::unitText(run.unit).trimmed(), run.testName, run.sequenceName,
                               vb::ShortTime(run.started.time()), lastReading);
}

TestRunEngine::ResumeResult TestRunEngine::refuseResume(ResumeOutcome outcome, const QString& text) {
    return {outcome, text};
}

RunContext TestRunEngine::resumedContext(RunContext c, const run_journal::Run& run,
                                         const std::vector<Reading>& stored) const {
    c.testId = run.testId;
    c.testName = run.testName;
    c.unitNumber = run.unit;
    // The true timeline: the time the station was away has passed for the test as for the fluid.
    const double since_s = c.elapsed_s + std::max<double>(0, (wallClock_ms_() - c.savedAt_ms) / 1000.0);
    c.start_s = unit_.now_s() - since_s;
    c.elapsed_s = std::llround(since_s);
    if (!stored.empty()) c.lastStoredTime_s = std::max(c.lastStoredTime_s, stored.back().time_s);
    // An average begun before the stop is not finished with readings taken after it.
    c.readingsInAverage = 0;
    c.bathSum = c.sampleSum = c.rateSum = c.pressureSum = c.stressSum = 0;
    if (c.phase == Phase::ShearRateRamp) {
        // An interrupted shear-rate ramp starts again at its first step, its set point sent at once.
        c.state = RunState::ShearRateRamp;
        c.stepIndex = 1;
        c.stepTick = 0;
    } else {
        // The current ramp's set point goes out on the next tick; the ramp keeps the time it had left.
        c.state = RunState::TemperatureRamp;
        c.stepIndex = 0;
        c.phaseTick = RealTimeUnit::kSetPointTick;
    }
    return c;
}

TestRunEngine::ResumeResult TestRunEngine::resume(const run_journal::Run& run) {
    if (running()) return refuseResume(ResumeOutcome::Failed, kResumeBusyText.arg(run.testName));
    const std::optional<JournaledRun> journaled = journaledRun(run.context);
    if (!journaled || journaled->sequence.steps.isEmpty())
        return refuseResume(ResumeOutcome::Unusable, kResumeUnusableText.arg(run.testName));
    const QString unitName = RealTimeHost::unitText(run.unit).trimmed();
    if (unit_.poller().completeReplies() == 0 || unit_.texts().activeFlag == UnitPoller::kNoResponseText)
        return refuseResume(ResumeOutcome::NotAnswering, kResumeSilentText.arg(unitName, run.testName));

    const StoredSequence& sequence = journaled->sequence;
    const int rampIndex =
        std::clamp(journaled->context.rampIndex, 1, static_cast<int>(sequence.steps.size()));
    const SequenceStep& ramp = sequence.steps[rampIndex - 1];
    const double sample_F = unit_.readings().sampleTemp_F;
    if (unit_.poller().display().unitState() == UnitStatus::Inactive &&
        std::fabs(sample_F - ramp.temp_F) > ramp.startError_F)
        return refuseResume(
            ResumeOutcome::OvenCold,
            kResumeColdText.arg(unitName, vb::Format(sample_F, QStringLiteral("0")),
                                vb::Format(ramp.temp_F, QStringLiteral("0")),
                                vb::Format(rampIndex, QStringLiteral("0")),
                                vb::Format(ramp.startError_F, QStringLiteral("0.#")), run.testName));
    std::unique_ptr<store::RecordingLock> lock;
    std::optional<run_journal::Run> current;
    std::vector<Reading> stored;
    try {
        lock = store::RecordingLock::take(connection_, static_cast<int>(run.testId),
                                          store::Recorder::thisProgram(run.unit));
        // Read again under the lock: an end-run that held it a moment ago may have ended the run.
        current = run_journal::run(connection_, run.runId);
        stored = storedReadings(connection_, run.testId);
    } catch (const StoreError& e) {
        return refuseResume(
            e.number() == StoreError::kBeingRecorded ? ResumeOutcome::Locked : ResumeOutcome::Failed,
            e.description());
    }
    if (!current || current->isEnded())
        return refuseResume(
            ResumeOutcome::Failed,
            kResumeEndedText.arg(run.testName, current ? run_journal::reasonText(current->endReason)
                                                       : QStringLiteral("removed")));

    RunContext where = journaled->context;
    where.rampIndex = rampIndex;
    const RunContext c = resumedContext(where, run, stored);
    const run_journal::Gap gap{c.lastStoredTime_s, static_cast<double>(c.elapsed_s)};
    try {
        run_journal::resumed(connection_, run.runId, gap, QDateTime::currentDateTime());
    } catch (const StoreError& e) {
        return refuseResume(ResumeOutcome::Failed, e.description());
    }

    ctx_ = c;
    sequence_ = sequence;
    lock_ = std::move(lock);
    journal_.adopt(run.runId, ctx_);
    pending_.reset();
    end_ = End::None;
    results_.reset(ctx_.bobRadius_cm);
    for (const Reading& r : stored) results_.add(r);
    std::vector<TimeGap> gaps = current->gaps;
    gaps.push_back(gap);
    results_.setGaps(std::move(gaps));
    unit_.poller().display().setFactors(ctx_.shearRateFactor, ctx_.bobStressFactor);
    unit_.setRunActive(true);
    unit_.setRaiseBathEnabled(false);
    unit_.setExitEnabled(false);
    unit_.setTimerInterval(RealTimeUnit::kTickInterval_ms);
    unit_.setStartTimeText(RealTimeUnit::kStartTimePrefix + vb::ShortTime(run.started.time()));
    events_.begin(run.unit, run.testName, run.sequenceName, unit_.now_s());
    events_.resumed();
    return {ResumeOutcome::Resumed, {}};
}

void TestRunEngine::endWithoutResuming(clsConnection& connection, const run_journal::Run& run) {
    // A resumption starting at the same moment takes this lock too: it either finds the run ended or
    // makes this end refused, never goes on with a run ended under it.
    const std::unique_ptr<store::RecordingLock> lock = store::RecordingLock::take(
        connection, static_cast<int>(run.testId), store::Recorder::thisProgram(run.unit));
    run_journal::end(connection, run.runId, run_journal::EndReason::NotResumed, QDateTime::currentDateTime());
}
