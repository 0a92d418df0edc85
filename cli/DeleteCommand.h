#pragma once

#include "cli/CommandTable.h"

namespace cli {

extern const char* const kDeleteHelp;

// r7716-cli delete NAME: the stored test NAME deleted as the open-test dialog's Delete deletes it. Exit
// status 0 when deleted, 1 when it is being recorded (the message names the unit and station) or the
// database fails, 2 when no test of that exact name is stored.
int deleteTest(const Invocation& call);

}  // namespace cli
