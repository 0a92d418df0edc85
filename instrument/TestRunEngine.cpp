#include "instrument/TestRunEngine.h"

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
    : unit_(unit), connection_(connection), writer_(&writer), messenger_(messenger) {
    unit_.setRunStep([this] { return step(); });
    unit_.showWaitingReadingsOf(writer_);
}

TestRunEngine::~TestRunEngine() {
    unit_.setRunStep({});
    unit_.showWaitingReadingsOf(nullptr);
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
    unitNumber_ = unitNumber;
    if (!storeTest(*input)) return StartOutcome::Refused;
    lock_ = std::make_unique<store::RecordingLock>(connection_, static_cast<int>(testId_),
                                                   store::Recorder::thisProgram(unitNumber_));
    keepLock();
    if (StartTest()) return StartOutcome::Started;
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
        testId_ = StoreNewTest(connection_, info, input.additives, {});
    } catch (const StoreError& e) {
        if (e.number() == StoreError::kNameTaken)
            messenger_.info(QString::fromLatin1(TestInfoEntry::kDuplicateName), title);
        else
            messenger_.info(kNotStoredText.arg(e.report()), title, MsgIcon::Exclamation);
        return false;
    }
    testName_ = input.testName;
    bobRadius_cm_ = input.bobRadius_cm;
    bobLength_cm_ = input.bobEffLength_cm;
    results_.reset(bobRadius_cm_);
    end_ = End::None;
    return true;
}

bool TestRunEngine::StartTest() {
    shearRateFactor_ = bobs::shearRateFactor(bobRadius_cm_);
    unit_.poller().display().setFactors(shearRateFactor_,
                                        bobs::bobStressFactor(bobRadius_cm_, bobLength_cm_));
    if (running()) return false;
    sequence_ = unit_.sequence();
    if (pressureRefuses()) return false;

    phase_ = Phase::TemperatureRamp;
    rampIndex_ = 1;
    stepIndex_ = 0;
    stepTick_ = 0;
    clearSums();
    rampStart_s_ = 0;
    viscositySum_ = 0;
    viscosityCount_ = 0;
    lastStoredTime_s_ = -1;
    results_.reset(bobRadius_cm_);
    end_ = End::None;

    RealTimeUnit::RunFrame& frame = unit_.run();
    frame.phaseTick = 0;
    frame.elapsed_s = 0;
    frame.start_s = unit_.now_s();
    frame.state = RunState::TemperatureRamp;
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
    LogError(kPressureCause + vb::Str(unitNumber_), messenger_);
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
    if (rampIndex_ < 1 || rampIndex_ > sequence_.steps.size()) {
        finish(End::SequenceDone);
        return false;
    }
    return phase_ == Phase::TemperatureRamp ? temperatureStep() : shearRateStep();
}

bool TestRunEngine::temperatureStep() {
    RealTimeUnit::RunFrame& frame = unit_.run();
    frame.state = RunState::TemperatureRamp;
    const SequenceStep& ramp = sequence_.steps[rampIndex_ - 1];
    const int before = frame.phaseTick++;
    if (before == 0) return false;
    if (before == 1) {
        // A set point that does not reach the unit goes out again on the next tick.
        frame.phaseTick = before;
        sendSetPoint(ramp.temp_F, ramp.shearRate_1ps);
        frame.phaseTick = before + 1;
        return false;
    }
    unit_.setTimerInterval(RealTimeUnit::kTickInterval_ms);

    const int interval = sampleIntervalTicks();
    const int rate = sampleRateTicks();
    if (interval >= 1) {
        const int position = frame.phaseTick % interval;
        if (position != 0 && position % rate == 0 &&
            position <= rate * sequence_.settings.samplePointsAverage) {
            takeReading();
            if (averageComplete()) {
                if (!StoreReading(Phase::TemperatureRamp) || viscosityShutDown()) return false;
            }
        }
    }

    const qint64 inRamp_s = frame.elapsed_s - rampStart_s_;
    const double sample_F = unit_.readings().sampleTemp_F;
    if (inRamp_s > ramp.elapseTime_min * 60 && std::fabs(ramp.temp_F - sample_F) <= ramp.startError_F) {
        rampStart_s_ = frame.elapsed_s;
        // Without shear rates there is no ramp to run: the sequence goes on with its next ramp.
        if (ramp.runRamp == 1 && !sequence_.shearRates_1ps.isEmpty()) {
            phase_ = Phase::ShearRateRamp;
            stepIndex_ = 1;
            stepTick_ = 0;
            clearSums();
        } else {
            return nextRamp();
        }
    }
    return true;
}

bool TestRunEngine::shearRateStep() {
    RealTimeUnit::RunFrame& frame = unit_.run();
    frame.state = RunState::ShearRateRamp;
    unit_.setTimerInterval(RealTimeUnit::kTickInterval_ms);
    ++frame.phaseTick;
    const SequenceStep& ramp = sequence_.steps[rampIndex_ - 1];
    if (stepTick_ == 0) sendSetPoint(ramp.temp_F, sequence_.shearRates_1ps[stepIndex_ - 1]);
    ++stepTick_;

    const double wait = sequence_.settings.timeBeforeRead_s;
    if (stepTick_ > wait && vb::CInt(stepTick_ - wait) % sampleRateTicks() == 0) {
        takeReading();
        if (averageComplete()) {
            if (!StoreReading(Phase::ShearRateRamp)) return false;
            ++stepIndex_;
            stepTick_ = 0;
            if (stepIndex_ > sequence_.shearRates_1ps.size()) return nextRamp();
        }
    }
    return true;
}

bool TestRunEngine::nextRamp() {
    ++rampIndex_;
    stepIndex_ = 0;
    unit_.run().phaseTick = 0;
    stepTick_ = 0;
    clearSums();
    phase_ = Phase::TemperatureRamp;
    if (rampIndex_ <= sequence_.steps.size()) return true;
    finish(End::SequenceDone);
    return false;
}

void TestRunEngine::sendSetPoint(double temp_F, double shearRate_1ps) {
    unit_.port().send(UnitCommands::setPoint(temp_F, shearRate_1ps, shearRateFactor_));
    unit_.setTimerInterval(kSetPointTickInterval_ms);
}

void TestRunEngine::takeReading() {
    const UnitReadings& r = unit_.readings();
    bathSum_ += r.bathTemp_F;
    sampleSum_ += r.sampleTemp_F;
    rateSum_ += r.shearRate_1ps;
    pressureSum_ += r.pressure_psi;
    stressSum_ += r.shearStress;
    ++readingsInAverage_;
}

bool TestRunEngine::averageComplete() const {
    return readingsInAverage_ >= sequence_.settings.samplePointsAverage;
}

void TestRunEngine::clearSums() {
    bathSum_ = sampleSum_ = rateSum_ = pressureSum_ = stressSum_ = 0;
    readingsInAverage_ = 0;
}

// ---- E: StoreReading ------------------------------------------------------------------------------------

bool TestRunEngine::StoreReading(Phase phase) {
    // The average becomes the current readings, as the unit window has always shown it.
    UnitReadings& current = unit_.poller().display().readings();
    const double n = readingsInAverage_;
    current.bathTemp_F = bathSum_ / n;
    current.sampleTemp_F = sampleSum_ / n;
    current.shearRate_1ps = rateSum_ / n;
    current.pressure_psi = pressureSum_ / n;
    current.shearStress = stressSum_ / n;
    clearSums();

    Reading reading;
    reading.rampNo = rampIndex_;
    reading.rampStepNo = stepIndex_;
    // Whole seconds, and after the previous reading even when two ticks round to the same second, so that
    // the readings read back in the order they were taken.
    reading.time_s = std::max(static_cast<double>(unit_.run().elapsed_s), lastStoredTime_s_ + 1);
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
    try {
        writer_->write(testId_, reading);
    } catch (const StoreError& e) {
        if (e.number() == StoreError::kTestGone) {
            testGone(e);
            return false;
        }
        // Named in the status bar until seen and written to the diagnostic log; the run goes on.
        unit_.reportFailure(
            TickFailureKind::Storage,
            UnitWindowLogic::kNotStoredPrefix + RealTimeHost::errorText({e.description(), e.number()}));
        return true;
    }
    lastStoredTime_s_ = reading.time_s;
    results_.add(reading);
    if (stored_) stored_(reading);
    return true;
}

// ---- I: the viscosity check -----------------------------------------------------------------------------

bool TestRunEngine::viscosityShutDown() {
    // The average just stored is the current reading.
    const UnitReadings& average = unit_.readings();
    ++viscosityCount_;
    viscositySum_ += 100.0 * average.shearStress / (average.shearRate_1ps + 0.0001);
    if (viscosityCount_ * secondsPerReading() / 60.0 < sequence_.settings.shutDownATime_min) return false;
    if (viscositySum_ / viscosityCount_ < sequence_.settings.shutDownVisc_cP) {
        finish(End::ViscosityShutDown);
        return true;
    }
    viscositySum_ = 0;
    viscosityCount_ = 0;
    return false;
}

// ---- G, H: stopping and refreshing ----------------------------------------------------------------------

void TestRunEngine::finish(End why) {
    // The unit is stopped before anything is logged: a log that cannot be written must not keep it going.
    const bool wasRunning = running();
    unit_.shutDown();
    unit_.setTimerInterval(RealTimeUnit::kTickInterval_ms);
    rampStart_s_ = 0;
    lock_.reset();
    if (wasRunning) end_ = why;
    if (why == End::ViscosityShutDown) LogError(kViscosityCause + vb::Str(unitNumber_), messenger_);
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

void TestRunEngine::stopRecording() {
    if (!running()) return;
    lock_.reset();
    unit_.run().state = RunState::Idle;
    unit_.setTimerInterval(RealTimeUnit::kTickInterval_ms);
    unit_.setExitEnabled(true);
    end_ = End::RecordingStopped;
}

void TestRunEngine::refreshSequence() {
    if (unit_.run().state != RunState::TemperatureRamp) return;
    if (!unit_.selectSequence(unit_.selectedName())) return;
    sequence_ = unit_.sequence();
    stepIndex_ = 0;
    unit_.run().phaseTick = 0;
    stepTick_ = 0;
    phase_ = Phase::TemperatureRamp;
    if (rampIndex_ > sequence_.steps.size()) finish(End::SequenceShortened);
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
            return kTestGoneText.arg(testName_);
    }
    return {};
}
