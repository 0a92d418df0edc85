#pragma once

#include <cstddef>
#include <span>
#include <vector>

// A stretch of a test's timeline without readings: the station was away while the unit went on (a run
// resumed after the program or the PC stopped). Seconds since the test's start.
struct TimeGap {
    double from_s = 0;  // the last reading before the station went away
    double to_s = 0;    // the moment recording resumed
    bool operator==(const TimeGap&) const = default;
};

// Where a line through points at these ascending times must break so that no gap is drawn across: the
// index of the first point past each gap's middle whose predecessor lies before it. Times are seconds
// multiplied by perSecond (1/60 for minutes); comparing with the middle keeps the break where it belongs
// although a reading's time went through a unit conversion. Gaps without length break nothing.
std::vector<std::size_t> LineBreaks(std::span<const double> times, std::span<const TimeGap> gaps,
                                    double perSecond = 1.0);
