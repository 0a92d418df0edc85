#pragma once

#include "store/RunJournal.h"

#include <vector>

class clsConnection;

// The interrupted runs this station left (its host name in the journal), newest first: what the host and
// the main window offer to resume at start-up. Raises StoreError when the journal cannot be read.
std::vector<run_journal::Run> interruptedRunsOfThisStation(clsConnection& connection);
