#pragma once

#include "store/Reading.h"

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
// or throws StoreError so the caller reports it.
class ReadingWriter {
  public:
    virtual ~ReadingWriter() = default;
    virtual void write(double testId, const Reading& reading) = 0;
    // Readings accepted but not yet in the database.
    virtual int waiting() const { return 0; }
    // What the unit window's status bar says while readings wait ("server unreachable: 12 readings
    // waiting"); empty when none waits.
    virtual QString statusText() const { return {}; }
    // Tries at once to store what waits, even while a server that failed is being left alone (the end of a
    // run). True when nothing waits any more.
    virtual bool storeWaitingNow() { return true; }
};

// The writer of a live run on the connection's database: for the file, DirectReadingWriter (a failure is
// the caller's to report); for a server, SpoolingReadingWriter (store/SpoolingReadingWriter.h), which keeps
// what the server cannot take in a local spool and sends it on when the server is back.
std::unique_ptr<ReadingWriter> makeReadingWriter(clsConnection& connection);

// Stores each reading at once through the connection's TEST_RESULT record, committed on its own.
class DirectReadingWriter : public ReadingWriter {
  public:
    explicit DirectReadingWriter(clsConnection& connection);
    ~DirectReadingWriter() override;
    void write(double testId, const Reading& reading) override;

  private:
    std::unique_ptr<clsTEST_RESULT> record_;
};
