#pragma once

#include "simulator/SequenceReader.h"

#include <QList>

// One record of the unit's stored test, sent back in answer to the data request.
struct UnitRecord {
    int rampNo = 0;
    int stepNo = 0;
    int time_s = 0;
    double sampleTemp_F = 0;
    double bathTemp_F = 0;
    double pressure_psi = 0;
    double shearRate_1ps = 0;
    double shearStress = 0;
    int typeId = 0;  // 0 temperature ramp, 1 shear-rate ramp
};

// The unit running a downloaded sequence by itself, one second at a time: each temperature ramp holds its
// set point and shear rate for its time and until the sample is within the start error, storing an average
// every sample interval; then the shear-rate ramp steps through its rates, each read after the wait before
// reading and stored as an average. It stops after the last ramp, or when the average viscosity over the
// shut-down time falls below the shut-down viscosity.
class StandAloneRun {
  public:
    struct Readings {
        double sampleTemp_F = 0;
        double bathTemp_F = 0;
        double pressure_psi = 0;
        double shearRate_1ps = 0;
        double shearStress = 0;
    };
    struct Target {
        double temp_F = 0;
        double shearRate_1ps = 0;
    };

    explicit StandAloneRun(UnitSequence sequence);

    // One second of the run with the readings of that second; stored averages are appended to records.
    void second(const Readings& now, QList<UnitRecord>& records);

    bool finished() const { return finished_; }
    bool shutDownForViscosity() const { return viscosityShutDown_; }
    bool inShearRamp() const { return shearPhase_; }
    int elapsed_s() const { return elapsed_; }
    // The set point the unit should hold now (meaningless once finished).
    Target target() const;

  private:
    void take(const Readings& now);
    UnitRecord average(int typeId) const;
    void nextRamp();

    UnitSequence seq_;
    int rampIndex_ = 0;  // 0-based
    int stepIndex_ = 0;  // 0-based, in the shear-rate ramp
    bool shearPhase_ = false;
    bool finished_ = false;
    bool viscosityShutDown_ = false;
    int elapsed_ = 0;
    int rampStart_ = 0;
    int phaseTicks_ = 0;
    int stepTicks_ = 0;
    int count_ = 0;
    Readings sums_;
    double viscSum_ = 0;
    int viscCount_ = 0;
};
