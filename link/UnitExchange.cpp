#include "link/UnitExchange.h"

void runToEnd(UnitExchange& exchange, UnitPort& port) {
    for (UnitExchange::Next wait = exchange.start(port); wait; wait = exchange.step(port)) port.delay(*wait);
}
