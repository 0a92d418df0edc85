#pragma once

#include "store/Reading.h"
#include "store/RunJournal.h"

#include <QString>

#include <array>
#include <memory>

class clsConnection;
class clsTEST_RESULT;

// Fills the record's row (all but TEST_ID) from a reading.
void SetReading(clsTEST_RESULT& record, const Reading& reading);
// The reading of a row of clsTEST_RESULT::rTestResult().
Reading ReadingOfRow(const std::array<double, 11>& row);

// Where the readings of a live run go, one call per reading. A reading handed over is never silently lost:
// write() either stores it (committed when it returns), keeps it to store later (waiting() counts those),
// or throws StoreError so the caller reports it. The run's journal save that goes with a reading is stored
// in the same transaction as the reading; a save without a reading follows the readings handed over before
// it.
class ReadingWriter {
  public:
    virtual ~ReadingWriter() = default;
    virtual void write(double testId, const Reading& reading, const run_journal::Save* save = nullptr) = 0;
    // A save of the run without a reading (a ramp or step change, a sign of life, the run's end).
    virtual void saveRun(const run_journal::Save& save) = 0;
    // Readings accepted but not yet in the database.
    virtual int waiting() const { return 0; }
    // Of those, the ones that only memory holds: lost if the program ends before they are stored.
    virtual int waitingInMemory() const { return 0; }
    // What the unit window's status bar says while readings wait ("server unreachable: 12 readings
    // waiting"); empty when none waits.
    virtual QString statusText() const { return {}; }
    // Tries at once to store what waits, even while a database that refused is being left alone (the end
    // of a run). True when nothing waits any more.
    virtual bool storeWaitingNow() { return true; }
};

// The writer of a live run on the connection's database, the file or a server alike:
// SpoolingReadingWriter (store/SpoolingReadingWriter.h), which keeps what the database cannot take and
// stores it as soon as the database takes readings again.
std::unique_ptr<ReadingWriter> makeReadingWriter(clsConnection& connection);
