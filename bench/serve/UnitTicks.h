#pragma once

#include "store/DatabaseLocation.h"

#include <atomic>
#include <vector>

// The ticks of a station's units, as the window program runs them: each unit on a simulated unit in this
// process, polled once a tick by the run engine, which stores its readings through the reading writer on
// the station's connection, and offers its status to the status writer after the tick. Runs on the calling
// thread in real time until stop. The units run a sequence of short ramps (a quarter of a minute, then a
// shear-rate ramp of three rates with its fit), storing a reading every few seconds; each run records a
// test of its own. The times of the ticks go to times[period] while period is 0 or 1, nowhere while it is
// -1.
struct TickTimes {
    std::vector<double> all_ms;      // every tick of a running test: the engine's tick and the status offer
    std::vector<double> storing_ms;  // those that stored a reading
};
void runUnitTicks(const store::DatabaseLocation& location, int units, const std::atomic<int>& period,
                  TickTimes (&times)[2], const std::atomic<bool>& stop);
