#include "instrument/TestRunEngine.h"

#include "common/ApparentViscosity.h"
#include "common/ErrorLog.h"
#include "common/Messenger.h"
#include "common/VbFormat.h"
#include "instrument/RealTimeHost.h"
#include "link/UnitCommands.h"
#include "store/NewTest.h"
#include "store/ReadingWriter.h"
#include "store/RecordingLock.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"
#include "testinfo/BobTable.h"
#include "testinfo/TestInfoEntry.h"

#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <cmath>

TestRunEngine::TestRunEngine(RealTimeUnit& unit, clsConnection& connection, ReadingWriter& writer,
                             Messenger& messenger)
    : unit_(unit),
      connection_(connection),
      writer_(&writer),
      messenger_(messenger),
      wallClock_ms_([] { return QDateTime::currentMSecsSinceEpoch(); }),
      journal_(connection) {
    unit_.showWaitingReadingsOf(writer_);
}

TestRunEngine::~TestRunEngine() {
    unit_.showWaitingReadingsOf(nullptr);
    unit_.setRunActive(false);
}

void TestRunEngine::tick() {
    unit_.tick(ctx_, [this] { runTick(); });
    if (running())
        events_.watch(unit_.now_s(), unit_.poller().completeReplies(), unit_.port().isDeviceLost(),
                      writer_->waiting());
}

void TestRunEngine::runTick() {
    ctx_.elapsed_s = std::max<qint64>(0, std::llround(unit_.now_s() - ctx_.start_s));
    if (ctx_.elapsed_s > kRaiseBathAfter_s) unit_.setRaiseBathEnabled(true);
    const bool stepped = step();
    // A step that throws leaves its reading for the next tick's end: it is not lost.
    flushTick();
    if (stepped)
        unit_.setElapsedText(RealTimeUnit::kElapsedPrefix + StatusDisplay::elapsedText(ctx_.elapsed_s));
}

void TestRunEngine::setWriter(ReadingWriter& writer) {
    writer_ = &writer;
    unit_.showWaitingReadingsOf(writer_);
}

// ---- B, C: starting -------------------------------------------------------------------------------------

TestRunEngine::StartOutcome TestRunEngine::start(const TestInfoAsker& ask,
                                                 const std::optional<QString>& presetBob, int unitNumber) {
    if (running() || unit_.selectedName().isEmpty()) return StartOutcome::NotReady;
    if (unit_.sequence().steps.isEmpty()) {
        messenger_.info(kNoRampsText.arg(unit_.selectedName()), unit_.messageTitle(), MsgIcon::Exclamation);
        return StartOutcome::NotReady;
    }
    const std::optional<TestInfoInput> input = ask(presetBob);
    if (!input) return StartOutcome::Cancelled;
    ctx_.unitNumber = unitNumber;
    if (!storeTest(*input)) return StartOutcome::Refused;
    events_.begin(ctx_.unitNumber, ctx_.testName, unit_.selectedName(), unit_.now_s());
    lock_ = std::make_unique<store::RecordingLock>(connection_, static_cast<int>(ctx_.testId),
                                                   store::Recorder::thisProgram(ctx_.unitNumber));
    keepLock();
    const bool started = StartTest();
    beginJournal();
    if (started) {
        events_.started();
        return StartOutcome::Started;
    }
    journalEnd(run_journal::EndReason::PressureRefusal);
    lock_.reset();
    return StartOutcome::PressureRefused;
}

bool TestRunEngine::storeTest(const TestInfoInput& input) {
    const QString& title = unit_.messageTitle();
    // The dialog checked the name against the list it showed; a file given to r7716-cli was not checked.
    if (const auto problem = TestInfoEntry::nameProblem({}, input.testName)) {
        messenger_.info(*problem, title);
        return false;
    }
    if (const auto problem = bobs::geometryProblem(input.bobRadius_cm, input.bobEffLength_cm)) {
        messenger_.info(*problem, title);
        return false;
    }
    try {
        clsTEST_INFO info;
        info.ConnectX(connection_);
        info.SetDefaults();
        input.fill(info, QDateTime::currentDateTime());
        // Checks the name again under the write lock: another window may have stored it since the dialog.
        ctx_.testId = StoreNewTest(connection_, info, input.additives, {});
    } catch (const StoreError& e) {
        if (e.number() == StoreError::kNameTaken)
            messenger_.info(QString::fromLatin1(TestInfoEntry::kDuplicateName), title);
        else
            messenger_.info(kNotStoredText.arg(e.report()), title, MsgIcon::Exclamation);
        return false;
    }
    ctx_.testName = input.testName;
    ctx_.bobRadius_cm = input.bobRadius_cm;
    ctx_.bobLength_cm = input.bobEffLength_cm;
    results_.reset(ctx_.bobRadius_cm);
    end_ = End::None;
    return true;
}

bool TestRunEngine::StartTest() {
    ctx_.shearRateFactor = bobs::shearRateFactor(ctx_.bobRadius_cm);
    ctx_.bobStressFactor = bobs::bobStressFactor(ctx_.bobRadius_cm, ctx_.bobLength_cm);
    unit_.poller().display().setFactors(ctx_.shearRateFactor, ctx_.bobStressFactor);
    if (running()) return false;
    sequence_ = unit_.sequence();
    if (pressureRefuses()) return false;

    ctx_.phase = Phase::TemperatureRamp;
    ctx_.rampIndex = 1;
    ctx_.stepIndex = 0;
    ctx_.stepTick = 0;
    clearSums();
    ctx_.rampStart_s = 0;
    ctx_.viscositySum = 0;
    ctx_.viscosityCount = 0;
    ctx_.lastStoredTime_s = -1;
    results_.reset(ctx_.bobRadius_cm);
    end_ = End::None;

    ctx_.phaseTick = 0;
    ctx_.elapsed_s = 0;
    ctx_.start_s = unit_.now_s();
    ctx_.state = RunState::TemperatureRamp;
    unit_.setRunActive(true);
    unit_.setRaiseBathEnabled(false);
    unit_.setTimerInterval(RealTimeUnit::kTickInterval_ms);
    unit_.setExitEnabled(false);
    unit_.setStartTimeText(RealTimeUnit::kStartTimePrefix + vb::ShortTime(QTime::currentTime()));
    return true;
}

bool TestRunEngine::pressureRefuses() {
    const double pressure_psi = unit_.readings().pressure_psi;
    const bool refused =
        std::any_of(sequence_.steps.begin(), sequence_.steps.end(), [&](const SequenceStep& s) {
            const double ratio = s.temp_F / kBoilingPoint_F;
            return s.temp_F > kPressureFreeUpTo_F &&
                   ratio * ratio * kPressureAtBoilingPoint_psi > pressure_psi;
        });
    if (!refused) return false;
    // A log that cannot be written has said so itself; the refusal stands all the same.
    LogError(kPressureCause + vb::Str(ctx_.unitNumber), messenger_);
    events_.pressureRefused(pressure_psi);
    messenger_.info(kPressureText, unit_.messageTitle(), MsgIcon::Exclamation);
    return true;
}

// ---- D: the run step ------------------------------------------------------------------------------------

int TestRunEngine::sampleIntervalTicks() const {
    return vb::CInt(sequence_.settings.sampleInterval_s);
}

int TestRunEngine::sampleRateTicks() const {
    // A rate below one tick would divide by zero: every tick is a position then.
    return std::max(1, vb::CInt(sequence_.settings.rampSampleRate_s));
}

bool TestRunEngine::step() {
    if (ctx_.rampIndex < 1 || ctx_.rampIndex > sequence_.steps.size()) {
        finish(End::SequenceDone);
        return false;
    }
    return ctx_.phase == Phase::TemperatureRamp ? temperatureStep() : shearRateStep();
}

bool TestRunEngine::temperatureStep() {
    ctx_.state = RunState::TemperatureRamp;
    const SequenceStep& ramp = sequence_.steps[ctx_.rampIndex - 1];
    const int before = ctx_.phaseTick++;
    if (before == 0) return false;
    if (before == 1) {
        // A set point that does not reach the unit goes out again on the next tick.
        ctx_.phaseTick = before;
        sendSetPoint(ramp.temp_F, ramp.shearRate_1ps);
        ctx_.phaseTick = before + 1;
        return false;
    }
    unit_.setTimerInterval(RealTimeUnit::kTickInterval_ms);

    const int interval = sampleIntervalTicks();
    const int rate = sampleRateTicks();
    if (interval >= 1) {
        const int position = ctx_.phaseTick % interval;
        if (position != 0 && position % rate == 0 &&
            position <= rate * sequence_.settings.samplePointsAverage) {
            takeReading();
            if (averageComplete()) {
                if (!StoreReading(Phase::TemperatureRamp) || viscosityShutDown()) return false;
            }
        }
    }

    const qint64 inRamp_s = ctx_.elapsed_s - ctx_.rampStart_s;
    const double sample_F = unit_.readings().sampleTemp_F;
    if (inRamp_s > ramp.elapseTime_min * 60)
        events_.rampTimePassed(ctx_.rampIndex, ramp.temp_F, ramp.startError_F, sample_F);
    if (inRamp_s > ramp.elapseTime_min * 60 && std::fabs(ramp.temp_F - sample_F) <= ramp.startError_F) {
        ctx_.rampStart_s = ctx_.elapsed_s;
        // Without shear rates there is no ramp to run: the sequence goes on with its next ramp.
        if (ramp.runRamp == 1 && !sequence_.shearRates_1ps.isEmpty()) {
            ctx_.phase = Phase::ShearRateRamp;
            ctx_.stepIndex = 1;
            ctx_.stepTick = 0;
            clearSums();
        } else {
            return nextRamp();
        }
    }
    return true;
}

bool TestRunEngine::shearRateStep() {
    ctx_.state = RunState::ShearRateRamp;
    unit_.setTimerInterval(RealTimeUnit::kTickInterval_ms);
    ++ctx_.phaseTick;
    const SequenceStep& ramp = sequence_.steps[ctx_.rampIndex - 1];
    if (ctx_.stepTick == 0) sendSetPoint(ramp.temp_F, sequence_.shearRates_1ps[ctx_.stepIndex - 1]);
    ++ctx_.stepTick;

    const double wait = sequence_.settings.timeBeforeRead_s;
    if (ctx_.stepTick > wait && vb::CInt(ctx_.stepTick - wait) % sampleRateTicks() == 0) {
        takeReading();
        if (averageComplete()) {
            if (!StoreReading(Phase::ShearRateRamp)) return false;
            ++ctx_.stepIndex;
            ctx_.stepTick = 0;
            if (ctx_.stepIndex > sequence_.shearRates_1ps.size()) return nextRamp();
        }
    }
    return true;
}

bool TestRunEngine::nextRamp() {
    ++ctx_.rampIndex;
    ctx_.stepIndex = 0;
    ctx_.phaseTick = 0;
    ctx_.stepTick = 0;
    clearSums();
    ctx_.phase = Phase::TemperatureRamp;
    if (ctx_.rampIndex <= sequence_.steps.size()) return true;
    finish(End::SequenceDone);
    return false;
}

void TestRunEngine::sendSetPoint(double temp_F, double shearRate_1ps) {
    unit_.port().send(UnitCommands::setPoint(temp_F, shearRate_1ps, ctx_.shearRateFactor));
    unit_.setTimerInterval(kSetPointTickInterval_ms);
}

void TestRunEngine::takeReading() {
    const UnitReadings& r = unit_.readings();
    ctx_.bathSum += r.bathTemp_F;
    ctx_.sampleSum += r.sampleTemp_F;
    ctx_.rateSum += r.shearRate_1ps;
    ctx_.pressureSum += r.pressure_psi;
    ctx_.stressSum += r.shearStress;
    ++ctx_.readingsInAverage;
}

bool TestRunEngine::averageComplete() const {
    return ctx_.readingsInAverage >= sequence_.settings.samplePointsAverage;
}

void TestRunEngine::clearSums() {
    ctx_.bathSum = ctx_.sampleSum = ctx_.rateSum = ctx_.pressureSum = ctx_.stressSum = 0;
    ctx_.readingsInAverage = 0;
}

// ---- E: StoreReading ------------------------------------------------------------------------------------

bool TestRunEngine::StoreReading(Phase phase) {
    const double n = ctx_.readingsInAverage;
    UnitReadings current = unit_.readings();
    current.bathTemp_F = ctx_.bathSum / n;
    current.sampleTemp_F = ctx_.sampleSum / n;
    current.shearRate_1ps = ctx_.rateSum / n;
    current.pressure_psi = ctx_.pressureSum / n;
    current.shearStress = ctx_.stressSum / n;
    clearSums();
    // The average becomes the current readings until the next reply, as the unit window has always shown it.
    unit_.poller().display().showAverage(current);

    Reading reading;
    reading.rampNo = ctx_.rampIndex;
    reading.rampStepNo = ctx_.stepIndex;
    // Whole seconds, and after the previous reading even when two ticks round to the same second, so that
    // the readings read back in the order they were taken.
    reading.time_s = std::max(static_cast<double>(ctx_.elapsed_s), ctx_.lastStoredTime_s + 1);
    reading.sampleTemp_F = current.sampleTemp_F;
    reading.pressure_psi = current.pressure_psi;
    reading.shearRate_1ps = current.shearRate_1ps;
    reading.shearStress_dyncm2 = current.shearStress;
    reading.typeId = static_cast<double>(phase);
    reading.bathTemp_F = current.bathTemp_F;
    keepLock();
    // An overflowing reply or average is no measurement: it stays out of the test, where it would turn
    // fits and charts into nonsense, and is named like a reading that could not be stored.
    if (const char* column = nonFiniteColumn(reading)) {
        unit_.reportFailure(TickFailureKind::Storage,
                            UnitWindowLogic::kNotStoredPrefix + kNotFiniteText.arg(QLatin1String(column)));
        return true;
    }
    // Handed to the writer at the end of the tick, with the run's context as the tick leaves it.
    ctx_.lastStoredTime_s = reading.time_s;
    pending_ = reading;
    return true;
}

void TestRunEngine::flushTick() {
    ctx_.savedAt_ms = wallClock_ms_();
    if (!pending_) {
        if (const std::optional<run_journal::Save> save = journal_.due(ctx_, sequence_))
            handOver(nullptr, &*save);
        return;
    }
    const Reading reading = *std::exchange(pending_, std::nullopt);
    const std::optional<run_journal::Save> save = journal_.withReading(ctx_, sequence_);
    if (!handOver(&reading, save ? &*save : nullptr)) return;
    results_.add(reading);
    if (stored_) stored_(reading);
}

bool TestRunEngine::handOver(const Reading* reading, const run_journal::Save* save) {
    try {
        if (reading)
            writer_->write(ctx_.testId, *reading, save);
        else
            writer_->saveRun(*save);
        return true;
    } catch (const StoreError& e) {
        if (reading && e.number() == StoreError::kTestGone) {
            testGone(e);
            return false;
        }
        // Named in the status bar until seen and written to the diagnostic log; the run goes on.
        unit_.reportFailure(TickFailureKind::Storage,
                            (reading ? UnitWindowLogic::kNotStoredPrefix : kJournalNotSavedPrefix) +
                                RealTimeHost::errorText({e.description(), e.number()}));
        return false;
    }
}

void TestRunEngine::beginJournal() {
    ctx_.savedAt_ms = wallClock_ms_();
    try {
        journal_.begin(ctx_, sequence_);
    } catch (const StoreError& e) {
        // The test records all the same; only its resumption after a stop of the program is lost.
        unit_.reportFailure(TickFailureKind::Other,
                            kJournalNotSavedPrefix + RealTimeHost::errorText({e.description(), e.number()}));
    }
}

void TestRunEngine::journalEnd(run_journal::EndReason reason) {
    ctx_.savedAt_ms = wallClock_ms_();
    if (const std::optional<run_journal::Save> save = journal_.ending(ctx_, sequence_, reason))
        handOver(nullptr, &*save);
}

// ---- I: the viscosity check -----------------------------------------------------------------------------

bool TestRunEngine::viscosityShutDown() {
    // The average just stored is the current reading.
    const UnitReadings& average = unit_.readings();
    ++ctx_.viscosityCount;
    ctx_.viscositySum += ShutDownCheckViscosity(average.shearRate_1ps, average.shearStress);
    if (ctx_.viscosityCount * secondsPerReading() / 60.0 < sequence_.settings.shutDownATime_min) return false;
    if (ctx_.viscositySum / ctx_.viscosityCount < sequence_.settings.shutDownVisc_cP) {
        finish(End::ViscosityShutDown);
        return true;
    }
    ctx_.viscositySum = 0;
    ctx_.viscosityCount = 0;
    return false;
}

// ---- G, H: stopping and refreshing ----------------------------------------------------------------------

void TestRunEngine::finish(End why) {
    // The unit is stopped before anything is logged: a log that cannot be written must not keep it going.
    const bool wasRunning = running();
    unit_.shutDown();
    if (wasRunning && why != End::TestGone) flushTick();
    ctx_.state = RunState::Idle;
    unit_.setRunActive(false);
    if (wasRunning) journalEnd(journalReason(why));
    unit_.setTimerInterval(RealTimeUnit::kTickInterval_ms);
    ctx_.rampStart_s = 0;
    lock_.reset();
    if (wasRunning) end_ = why;
    if (why == End::ViscosityShutDown) LogError(kViscosityCause + vb::Str(ctx_.unitNumber), messenger_);
    if (!wasRunning) return;
    if (why == End::SequenceDone)
        events_.ended();
    else if (why == End::ViscosityShutDown)
        events_.viscosityShutDown(sequence_.settings.shutDownVisc_cP);
    else
        events_.stopped(endText());
}

void TestRunEngine::keepLock() {
    if (!lock_) return;
    try {
        lock_->keep();
    } catch (const StoreError& e) {
        unit_.reportFailure(TickFailureKind::Other,
                            kNotLockedPrefix + RealTimeHost::errorText({e.description(), e.number()}));
    }
}

void TestRunEngine::testGone(const StoreError& e) {
    finish(End::TestGone);
    const QString text = endText();
    DiagnosticLog log = unit_.failures().log();
    log.append(unit_.failures().where(), text + u' ' + e.description());
    messenger_.info(text, unit_.messageTitle(), MsgIcon::Exclamation);
}

void TestRunEngine::stopRecording(RecordingEnd why) {
    if (!running()) return;
    flushTick();
    lock_.reset();
    ctx_.state = RunState::Idle;
    journalEnd(why == RecordingEnd::Exit ? run_journal::EndReason::Exit
                                         : run_journal::EndReason::WindowClosed);
    unit_.setRunActive(false);
    unit_.setTimerInterval(RealTimeUnit::kTickInterval_ms);
    unit_.setExitEnabled(true);
    end_ = End::RecordingStopped;
    events_.stopped(endText());
}

void TestRunEngine::refreshSequence() {
    if (ctx_.state != RunState::TemperatureRamp) return;
    if (!unit_.selectSequence(unit_.selectedName())) return;
    sequence_ = unit_.sequence();
    ctx_.stepIndex = 0;
    ctx_.phaseTick = 0;
    ctx_.stepTick = 0;
    ctx_.phase = Phase::TemperatureRamp;
    if (ctx_.rampIndex > sequence_.steps.size()) finish(End::SequenceShortened);
}

run_journal::EndReason TestRunEngine::journalReason(End why) {
    using R = run_journal::EndReason;
    switch (why) {
        case End::None:
        case End::Stopped:
            return R::Stop;
        case End::SequenceDone:
            return R::SequenceEnd;
        case End::ViscosityShutDown:
            return R::ViscosityShutDown;
        case End::SequenceShortened:
            return R::SequenceShortened;
        case End::RecordingStopped:
            return R::WindowClosed;
        case End::TestGone:
            return R::TestDeleted;
    }
    return R::Stop;
}

QString TestRunEngine::endText() const {
    switch (end_) {
        case End::None:
            return {};
        case End::SequenceDone:
            return QStringLiteral("The sequence has ended.");
        case End::Stopped:
            return QStringLiteral("The test was stopped.");
        case End::ViscosityShutDown:
            return QStringLiteral(
                "Shut down: the average viscosity fell below the sequence's shut-down viscosity.");
        case End::SequenceShortened:
            return QStringLiteral(
                "Shut down: the refreshed sequence has fewer temperature steps than the run had "
                "reached.");
        case End::RecordingStopped:
            return QStringLiteral("Recording stopped; the unit goes on with its sequence.");
        case End::TestGone:
            return kTestGoneText.arg(ctx_.testName);
    }
    return {};
}
