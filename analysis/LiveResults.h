#pragma once

#include "analysis/OpenTest.h"
#include "analysis/RampFit.h"
#include "common/UnitSystem.h"

#include <span>
#include <vector>

// The results of a test while it runs: its readings as they are stored, the fit of every ramp and the
// results table exactly as opening the test in the main window gives them, kept up to date one reading at
// a time. A reading refits only its own ramp (a temperature-ramp reading only moves the ramp's time,
// temperature and pressure), so the cost of a reading does not grow with the length of the test.
//
// Readings come in stored order. While their ramp numbers are whole and never fall (as a live run stores
// them) the work is incremental; any other reading makes every later one refit the whole test, which
// still gives the main window's results.
class LiveResults {
  public:
    // The live graph shows this many of the latest readings.
    static constexpr int kChartReadings = 300;

    // Starts a new test: no readings, fits for a bob of this radius.
    void reset(double bobRadius_cm);
    void add(const Reading& reading);

    const std::vector<Reading>& readings() const { return readings_; }
    // The latest kChartReadings readings (all of them while there are fewer), oldest first.
    std::span<const Reading> chartReadings() const;
    // Where the test's timeline has no readings (a resumed run: the station was away), ascending.
    const std::vector<TimeGap>& gaps() const { return gaps_; }
    void setGaps(std::vector<TimeGap> gaps) { gaps_ = std::move(gaps); }
    // The number of ramps as the results table counts them: the ramp number of the last reading.
    int rampCount() const { return rampCount_; }
    // Every fit in ramp order, as FitRamps gives them for the readings so far.
    const std::vector<RampFit>& fits() const { return fits_; }
    // The fit of a ramp; null for a ramp without result. Quick for the latest ramps.
    const RampFit* fitOf(int ramp) const;
    // The ramps whose row changed with the last reading (at most two while the readings come in order).
    const std::vector<int>& changedRamps() const { return changed_; }
    // The whole results table.
    ResultsTable table(UnitSystem unitSystem) const;
    // Rows of the results table the grid has: the header and one per ramp once any ramp has a result.
    int gridRows() const;

  private:
    void addInOrder(const Reading& reading);
    void refitAll();
    void markChanged(int ramp);

    double bobRadius_cm_ = 0;
    std::vector<Reading> readings_;
    std::vector<TimeGap> gaps_;
    std::vector<RampFit> fits_;
    std::vector<int> changed_;
    int rampCount_ = 0;
    bool inOrder_ = true;

    // The ramp of the last reading and its points; whether fits_.back() is its fit.
    int ramp_ = 0;
    std::vector<double> x_, y_;
    bool rampHasFit_ = false;
    // The slope and intercept as the ramps before the current one left them, and as the current one does.
    double slopeBefore_ = 0, interceptBefore_ = 0;
    double slope_ = 0, intercept_ = 0;
};
