#pragma once

#include "link/DataDownload.h"
#include "link/UnitExchange.h"
#include "testinfo/TestInfoInput.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

class clsConnection;

// What a retrieval of a unit's last test came to.
struct RetrievalResult {
    enum class Kind {
        Stored,              // the test row, its additives and its readings are stored
        NothingHeld,         // a whole transfer without one whole record: nothing stored
        CommunicationError,  // nothing came, the end byte is missing, or the port failed: nothing stored
        NotStored,           // the database refused (the name was taken meanwhile, a failure): nothing stored
    };

    Kind kind = Kind::NotStored;
    QString testName;
    double testId = 0;  // the new TEST_ID when stored
    int stored = 0;     // readings stored
    int skipped = 0;    // records of fewer than nine fields, left out
    // What the operator is told in a message box (empty: nothing to tell), and under which title: the
    // communication errors under DataDownload::kTitle, the rest under the caller's own (empty here).
    QString message;
    QString title;
    // One line saying what was stored, for the status bar and r7716-cli.
    QString summary;
};

// "Retrieve Last Result" from the data request to the stored test: the exchange of DataDownload, then,
// once the whole transfer has been checked, the new test written in one transaction (its row, its
// additives and every record as a reading, values as the unit sent them). A failed transfer stores
// nothing, so no test row is left without its readings.
class DataRetrieval : public UnitExchange {
  public:
    // info: the test's data as the operator gave it; testTime: its TEST_TIME.
    DataRetrieval(clsConnection& connection, TestInfoInput info, QDateTime testTime);

    Next start(UnitPort& port) override;
    Next step(UnitPort& port) override;
    QString progress() const override;
    // After the exchange.
    const RetrievalResult& result() const { return result_; }

    // Checks a whole transfer and stores it as the new test; what the step after the last wait does.
    static RetrievalResult store(clsConnection& connection, const TestInfoInput& info,
                                 const QDateTime& testTime, const QByteArray& transfer);

  private:
    clsConnection& connection_;
    TestInfoInput info_;
    QDateTime testTime_;
    DataDownload::Exchange download_;
    RetrievalResult result_;
};
