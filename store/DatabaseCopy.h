#pragma once

#include <QString>

#include <functional>

class clsConnection;

// Moves data between databases of either engine (a station's file into the lab's server, the server into
// a file): every test with its readings, additives, excluded readings, criteria and record of changes (to
// which the copy adds a row), and every sequence with its steps, shear-rate ramp and criteria, that the
// target does not hold yet by name, in any letter case. What the target holds is never
// changed, so a copy can be run again: it copies only what is new. Each test and each sequence is copied
// in one transaction of the target, with its own new keys; the values are copied as they are stored.
namespace store {

struct CopyStep {
    enum class Kind { Test, Sequence };
    Kind kind;
    QString name;
    bool copied = false;  // false: skipped, the target holds that name
    int rows = 0;         // readings of a test, steps of a sequence
    int moreRows = 0;     // additives of a test, shear rates of a sequence
};

struct CopyTotals {
    int testsCopied = 0;
    int testsSkipped = 0;
    int sequencesCopied = 0;
    int sequencesSkipped = 0;
    int calibrationsCopied = 0;  // unit calibrations the target did not hold
};

// Copies from `from` (which may be open read-only) into `to`, tests oldest first, then sequences in name
// order, then the units' calibrations the target lacks; report hears of each test and sequence as it is
// done. Failures come out as StoreError; what was
// copied before one stays copied.
CopyTotals CopyDatabase(clsConnection& from, clsConnection& to,
                        const std::function<void(const CopyStep&)>& report);

}  // namespace store
