#pragma once

#include "link/UnitPort.h"

#include <QString>

#include <optional>

// An exchange with a unit that has to wait for the unit outside the window's tick (the sequence download,
// the data request). It never waits itself: start() and each step() do what is due at once and say how
// long to wait before the next step, or nothing once the exchange is over. A window drives it from a
// single-shot timer, so every other window keeps its ticks meanwhile; r7716-cli, which has nothing else to
// keep alive, waits on the port (runToEnd); tests advance a simulated unit between the steps.
//
// Port failures never leave an exchange: each exchange turns them into its outcome.
class UnitExchange {
  public:
    // Seconds to wait before the next step; nothing when the exchange is over.
    using Next = std::optional<double>;

    virtual ~UnitExchange() = default;
    virtual Next start(UnitPort& port) = 0;
    virtual Next step(UnitPort& port) = 0;
    // What the operator sees while it runs (empty: nothing new to show).
    virtual QString progress() const { return {}; }
};

// Runs the exchange to its end, waiting with the port's own delay (which blocks the caller).
void runToEnd(UnitExchange& exchange, UnitPort& port);
