#pragma once

#include "cli/CommandTable.h"

namespace cli {

extern const char* const kCalibrateHelp;

// r7716-cli calibrate UNIT --visc CP [--bob NAME] [--change CP] [--report FILE] [--timeout S]: one torque
// calibration of the unit, run by the calibration window's own engine. Exit status 0 when the result was
// sent and judged good, 1 on a port failure, a silent unit, a result not sent, a calibration judged poor
// (its result is sent) or a report not written, 64 for a wrong command line.
int calibrate(const Invocation& call);

}  // namespace cli
