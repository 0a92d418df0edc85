#pragma once

#include "cli/CommandTable.h"

// r7716-cli chart: one chart of a stored test, drawn into a file as the main window shows it or printed as
// its series.
namespace cli {

extern const char* const kChartHelp;

// Exit status of an overlap refused ("Test can not overlap itself!", the time chart).
inline constexpr int kOverlapRefused = 1;

// Drawing into a file (--out) needs the window system.
bool chartNeedsWindowSystem(const Options& options);

// chart NAME TYPE [--overlap NAME]... [--xlog] [--ylog] [--no-ramp] (--out FILE | --csv)
int chart(const Invocation& call);

}  // namespace cli
