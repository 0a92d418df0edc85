#pragma once

#include "link/UnitPort.h"

#include <functional>
#include <memory>

// Makes the port object of a unit window for a port number, not yet open. The host window and r7716-cli take
// one, so that the program talks to serial devices and the tests to simulated units. A factory that cannot
// make a port returns nothing.
using UnitPortFactory = std::function<std::unique_ptr<UnitPort>(int portNumber)>;

// The program's factory: a SerialUnitPort for every port number.
UnitPortFactory serialUnitPortFactory();
