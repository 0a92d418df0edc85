#include "simulator/StandAloneRun.h"

#include "common/ApparentViscosity.h"

#include <algorithm>
#include <cmath>

namespace {

// Whole seconds or counts within what a unit can hold; odd downloads give odd runs, not overflows.
constexpr double kMaxCount = 3600;

int wholeCount(double value, double lowest) {
    if (!std::isfinite(value)) return static_cast<int>(lowest);
    return static_cast<int>(std::lround(std::clamp(value, lowest, kMaxCount)));
}

int atLeastOne(double value) {
    return wholeCount(value, 1);
}

}  // namespace

StandAloneRun::StandAloneRun(UnitSequence sequence) : seq_(std::move(sequence)) {
    finished_ = seq_.ramps.isEmpty();
}

StandAloneRun::Target StandAloneRun::target() const {
    if (finished_) return {};
    const UnitSequence::Ramp& ramp = seq_.ramps[rampIndex_];
    if (shearPhase_) return {ramp.temp_F, seq_.shearRates_1ps[stepIndex_]};
    return {ramp.temp_F, ramp.shearRate_1ps};
}

void StandAloneRun::take(const Readings& now) {
    sums_.sampleTemp_F += now.sampleTemp_F;
    sums_.bathTemp_F += now.bathTemp_F;
    sums_.pressure_psi += now.pressure_psi;
    sums_.shearRate_1ps += now.shearRate_1ps;
    sums_.shearStress += now.shearStress;
    ++count_;
}

UnitRecord StandAloneRun::average(int typeId) const {
    UnitRecord r;
    r.rampNo = rampIndex_ + 1;
    r.stepNo = shearPhase_ ? stepIndex_ + 1 : 0;
    r.time_s = elapsed_;
    r.sampleTemp_F = sums_.sampleTemp_F / count_;
    r.bathTemp_F = sums_.bathTemp_F / count_;
    r.pressure_psi = sums_.pressure_psi / count_;
    r.shearRate_1ps = sums_.shearRate_1ps / count_;
    r.shearStress = sums_.shearStress / count_;
    r.typeId = typeId;
    return r;
}

void StandAloneRun::nextRamp() {
    ++rampIndex_;
    shearPhase_ = false;
    stepIndex_ = 0;
    phaseTicks_ = 0;
    stepTicks_ = 0;
    count_ = 0;
    sums_ = {};
    rampStart_ = elapsed_;
    if (rampIndex_ >= seq_.ramps.size()) finished_ = true;
}

void StandAloneRun::second(const Readings& now, QList<UnitRecord>& records) {
    if (finished_) return;
    ++elapsed_;
    const int rate = atLeastOne(seq_.sampleRate_s);
    const int perAverage = atLeastOne(seq_.pointsAverage);
    const UnitSequence::Ramp& ramp = seq_.ramps[rampIndex_];

    if (!shearPhase_) {
        ++phaseTicks_;
        const int interval = std::max(atLeastOne(seq_.sampleInterval_s), rate * perAverage);
        const int p = phaseTicks_ % interval;
        if (p != 0 && p % rate == 0 && p <= rate * perAverage) {
            take(now);
            if (count_ >= perAverage) {
                const UnitRecord r = average(0);
                records.append(r);
                count_ = 0;
                sums_ = {};
                viscSum_ += ShutDownCheckViscosity(r.shearRate_1ps, r.shearStress);
                ++viscCount_;
                if (viscCount_ * interval / 60.0 >= seq_.shutDownATime_min) {
                    if (viscSum_ / viscCount_ < seq_.shutDownVisc_cP) {
                        finished_ = true;
                        viscosityShutDown_ = true;
                        return;
                    }
                    viscSum_ = 0;
                    viscCount_ = 0;
                }
            }
        }
        const bool timeUp = elapsed_ - rampStart_ > ramp.elapse_min * 60.0;
        const bool atTemperature = std::fabs(ramp.temp_F - now.sampleTemp_F) <= ramp.startError_F;
        if (timeUp && atTemperature) {
            if (seq_.shearRates_1ps.isEmpty()) {
                nextRamp();
            } else {
                shearPhase_ = true;
                stepIndex_ = 0;
                stepTicks_ = 0;
                count_ = 0;
                sums_ = {};
            }
        }
        return;
    }

    ++stepTicks_;
    const int wait = wholeCount(seq_.timeBeforeRead_s, 0);
    if (stepTicks_ > wait && (stepTicks_ - wait) % rate == 0) {
        take(now);
        if (count_ >= perAverage) {
            records.append(average(1));
            count_ = 0;
            sums_ = {};
            stepTicks_ = 0;
            if (++stepIndex_ >= seq_.shearRates_1ps.size()) nextRamp();
        }
    }
}
