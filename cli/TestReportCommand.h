#pragma once

#include "cli/CommandTable.h"

// r7716-cli report: the test report labs send (PDF), made by the same code as the window's Reports >
// "Test Report...".
namespace cli {

extern const char* const kTestReportHelp;

// The report's chart is drawn by the main window's chart view, which needs the window system.
bool testReportNeedsWindowSystem(const Options& options);

// report NAME --out FILE.pdf [--units cgs|ei|si] [--models]
int testReport(const Invocation& call);

}  // namespace cli
