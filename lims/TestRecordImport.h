#pragma once

#include "store/TestAudit.h"

#include <QByteArray>
#include <QString>

class clsConnection;

// Storing a test record (a JSON document of TestRecord.h, from this station or another lab's) as a new
// test: its information, additives and readings exactly as the document holds them, its excluded readings,
// criteria and record of changes, and a row in that record saying it was imported. The fits in the
// document are not taken: the program fits the readings again when the test is opened.
namespace lims {

// A file beyond this is no test record: a test of 100,000 readings makes about 23 MB.
inline constexpr qint64 kMaxRecordBytes = 64LL * 1024 * 1024;

struct ImportResult {
    enum class Outcome {
        Stored,
        Unreadable,  // the file cannot be read, or is larger than kMaxRecordBytes
        NotRecord,   // not JSON, not following the schema, or not consistent in itself
        BadName,     // the name is empty or holds a control character
        NameTaken,   // a test of that name is stored, in any letter case
    };
    Outcome outcome = Outcome::Stored;
    QString problem;  // why nothing was stored, for the operator
    QString name;     // the new test's
    double testId = 0;
    int readings = 0;
    int additives = 0;
    int exclusions = 0;
    int criteria = 0;

    bool stored() const { return outcome == Outcome::Stored; }
};

// The bytes of a record file, read up to the cap (a larger file or a device that never ends is refused
// having read one byte beyond it); the reason in `result` when it cannot be had.
QByteArray ReadRecordFile(const QString& path, ImportResult& result);

// Checks the document - JSON, the schema (naming the paths of its first faults), ids and exclusions that fit
// its readings, criteria the program can judge - and stores it as a new test named `newName` (the
// document's name when empty), in one transaction. `origin` names where it came from in the record of
// changes (the file). Failures of the database come out as StoreError; nothing is stored then.
ImportResult ImportTestRecord(clsConnection& connection, const QByteArray& document, const QString& newName,
                              const QString& origin,
                              const store::audit::Actor& actor = store::audit::Actor::current());

}  // namespace lims
