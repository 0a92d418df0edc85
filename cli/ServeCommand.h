#pragma once

#include "cli/CommandTable.h"

// r7716-cli serve: the lab monitor on the command's database.
namespace cli {

extern const char* const kServeHelp;

bool serveNeedsWindowSystem(const Options& options);

// serve [--listen ADDRESS:PORT] [--token-file FILE]
int serve(const Invocation& call);

}  // namespace cli
