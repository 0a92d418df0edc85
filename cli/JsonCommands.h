#pragma once

#include "cli/CommandTable.h"

// The record of a test for a lab's information system: json writes a stored test as a JSON document,
// import-json stores such a document as a new test.
namespace cli::json_commands {

extern const char* const kJsonHelp;
extern const char* const kImportJsonHelp;

int json(const Invocation& call);        // json NAME [--out FILE]
int importJson(const Invocation& call);  // import-json FILE [--name NEW_NAME]

}  // namespace cli::json_commands
