#pragma once

#include "sequence/SequenceData.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// What the test run is doing, as the tick sees it.
enum class RunState : int {
    Idle = 0,
    TemperatureRamp = 1,
    ShearRateRamp = 6,
};

// Where a test run stands: everything the run engine needs to go on with it, as one value. The engine owns
// it and changes it; the window, r7716-cli run and the run journal read it whole.
//
// Times: the sampling positions count ticks (phaseTick, stepTick), as the unit's own sequence does;
// RESULT_TIME, the elapsed display and the ramp ends use whole seconds of the unit's clock since the start,
// so a long tick after a set point or a late tick counts as the time it took.
struct RunContext {
    enum class Phase : int { TemperatureRamp = 0, ShearRateRamp = 1 };

    RunState state = RunState::Idle;
    Phase phase = Phase::TemperatureRamp;
    int rampIndex = 1;  // 1 ... N
    int stepIndex = 0;  // 1 ... M in a shear-rate ramp, else 0
    int phaseTick = 0;  // ticks since the current ramp's temperature phase began
    int stepTick = 0;   // ticks since the current shear-rate step began

    // The average being taken.
    int readingsInAverage = 0;
    double bathSum = 0, sampleSum = 0, rateSum = 0, pressureSum = 0, stressSum = 0;
    // The low-viscosity check: the apparent viscosities of the temperature-ramp readings since it last
    // looked.
    double viscositySum = 0;
    int viscosityCount = 0;

    double start_s = 0;  // the run's start on the unit's clock
    // The wall clock (the engine's, ms) when the context was last saved to the journal: a resumed run's
    // elapsed time goes on from elapsed_s by the time that has passed since.
    qint64 savedAt_ms = 0;
    qint64 elapsed_s = 0;          // whole seconds since the start, as of the last tick
    qint64 rampStart_s = 0;        // elapsed_s when the current ramp's timing began
    double lastStoredTime_s = -1;  // RESULT_TIME of the last reading stored

    // The test the readings go to, and the bob they are measured with.
    double testId = 0;
    QString testName;
    int unitNumber = 0;
    double bobRadius_cm = 0, bobLength_cm = 0;
    double shearRateFactor = 0, bobStressFactor = 0;

    bool running() const { return state != RunState::Idle; }
    bool operator==(const RunContext&) const = default;
};

// A run as the journal keeps it: its context and the sequence it follows (as it was at the start or the last
// refresh), in a text of the engine's own (JSON). Read back, nothing when the text is not one of ours.
QString journalText(const RunContext& context, const StoredSequence& sequence);
struct JournaledRun {
    RunContext context;
    StoredSequence sequence;
};
std::optional<JournaledRun> journaledRun(const QString& text);
