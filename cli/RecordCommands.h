#pragma once

#include "cli/CommandTable.h"

// The commands of r7716-cli on what the operator keeps about a stored test beyond its readings: the
// readings with their keys, excluded readings, acceptance criteria, comparing tests and the record of
// changes. Each runs the same store and analysis code as the main window's.
namespace cli::record_commands {

extern const char* const kReadingsHelp;
extern const char* const kExcludeHelp;
extern const char* const kIncludeHelp;
extern const char* const kCriteriaHelp;
extern const char* const kCompareHelp;
extern const char* const kHistoryHelp;

int readings(const Invocation& call);  // readings NAME
int exclude(const Invocation& call);   // exclude NAME RESULT_ID... --reason TEXT
int include(const Invocation& call);   // include NAME RESULT_ID...
int criteria(
    const Invocation& call);  // criteria NAME [--add R:CP:MIN[:TEMP]]... [--max] [--fitted] [--clear] ...
int compare(const Invocation& call);  // compare NAME NAME... [--csv | --out FILE.xlsx]
int history(const Invocation& call);  // history NAME

}  // namespace cli::record_commands
