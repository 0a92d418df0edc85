#pragma once

#include "cli/CommandTable.h"

// The report and export commands of r7716-cli: each opens the stored test NAME as the main window does and
// runs the same writer as the window's button. Exit statuses are those of cli/Cli.h.
namespace cli::report_commands {

inline constexpr int kWriteError = 1;  // the file could not be written

extern const char* const kBriefHelp;
extern const char* const kExcelHelp;
extern const char* const kHalliburtonHelp;
extern const char* const kDetailHelp;
extern const char* const kCsvHelp;

int brief(const Invocation& call);        // brief NAME [--printed] [--out FILE]
int excel(const Invocation& call);        // excel NAME --out FILE.xlsx [--detail]
int halliburton(const Invocation& call);  // halliburton NAME
int detail(const Invocation& call);       // detail NAME --out FILE.pdf; draws with fonts
int csv(const Invocation& call);          // csv NAME [--out FILE]

// The detail report's pages are drawn with fonts, which need the graphical application.
bool detailNeedsWindowSystem(const Options& options);

}  // namespace cli::report_commands
