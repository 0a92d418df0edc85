#include "analysis/LiveResults.h"

#include "common/LinearFit.h"

#include <algorithm>
#include <cmath>

namespace {

// Ramp numbers a live run can store; anything else takes the whole-test refit.
bool isWholeRampNumber(double rampNo) {
    return rampNo >= 1 && rampNo < 1e9 && rampNo == std::floor(rampNo);
}

}  // namespace

void LiveResults::reset(double bobRadius_cm) {
    *this = LiveResults();
    bobRadius_cm_ = bobRadius_cm;
}

void LiveResults::add(const Reading& reading) {
    changed_.clear();
    if (inOrder_ && isWholeRampNumber(reading.rampNo) &&
        (readings_.empty() || reading.rampNo >= static_cast<double>(ramp_))) {
        addInOrder(reading);
        return;
    }
    inOrder_ = false;
    readings_.push_back(reading);
    refitAll();
}

void LiveResults::addInOrder(const Reading& reading) {
    const int ramp = static_cast<int>(reading.rampNo);
    if (readings_.empty() || ramp > ramp_) {
        // The previous ramp's scan now stops at this reading, the first of a later ramp.
        if (rampHasFit_) {
            SetStopReading(fits_.back(), reading);
            markChanged(ramp_);
        }
        ramp_ = ramp;
        x_.clear();
        y_.clear();
        rampHasFit_ = false;
        slopeBefore_ = slope_;
        interceptBefore_ = intercept_;
    }
    readings_.push_back(reading);
    rampCount_ = ramp;
    if (IsRampPoint(reading)) {
        x_.push_back(Log10(reading.shearRate_1ps));
        y_.push_back(Log10(reading.shearStress_dyncm2));
        if (x_.size() < static_cast<std::size_t>(kMinRampPoints)) return;
        slope_ = slopeBefore_;
        intercept_ = interceptBefore_;
        const RampFit fit = FitRampPoints(ramp_, x_, y_, reading, bobRadius_cm_, slope_, intercept_);
        if (rampHasFit_)
            fits_.back() = fit;
        else
            fits_.push_back(fit);
        rampHasFit_ = true;
        markChanged(ramp_);
    } else if (rampHasFit_) {
        // The last ramp's scan stops at the last reading of the test.
        SetStopReading(fits_.back(), reading);
        markChanged(ramp_);
    }
}

void LiveResults::refitAll() {
    fits_ = FitRamps(readings_, bobRadius_cm_);
    rampCount_ = RampCount(readings_);
    for (const RampFit& fit : fits_) markChanged(fit.RampNo);
}

void LiveResults::markChanged(int ramp) {
    if (std::find(changed_.begin(), changed_.end(), ramp) == changed_.end()) changed_.push_back(ramp);
}

std::span<const Reading> LiveResults::chartReadings() const {
    const std::size_t shown = std::min(readings_.size(), static_cast<std::size_t>(kChartReadings));
    return std::span<const Reading>(readings_).last(shown);
}

const RampFit* LiveResults::fitOf(int ramp) const {
    for (auto it = fits_.rbegin(); it != fits_.rend(); ++it) {
        if (it->RampNo == ramp) return &*it;
        if (it->RampNo < ramp) break;
    }
    return nullptr;
}

ResultsTable LiveResults::table(UnitSystem unitSystem) const {
    return BuildResultsTable(fits_, rampCount_, unitSystem);
}

int LiveResults::gridRows() const {
    const int rows = std::clamp(rampCount_, 0, OpenTest::kMaxResultRamps);
    const bool anyShown = std::any_of(fits_.begin(), fits_.end(), [rows](const RampFit& fit) {
        return fit.RampNo >= 1 && fit.RampNo <= rows;
    });
    return anyShown ? rows + 1 : 1;
}
