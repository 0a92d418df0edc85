#pragma once

#include "store/NewTest.h"
#include "store/TestAudit.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <span>
#include <vector>

class clsConnection;
struct OpenedTest;

// The record of one stored test for a lab's information system: one JSON document ("r7716-test") with
// its information, additives, every reading in stored units, every model of every ramp, its criteria with
// what came of them, its excluded readings and its record of changes (see TestRecordFormat.h for the
// names, the README for what each means). No widgets and no state of its own: a worker thread may write a
// record on a connection of its own.
namespace lims {

// Who writes the document: the program, its version, the station (host name) and when.
struct RecordSource {
    QString program;
    QString version;
    QString station;
    QDateTime written;

    // This program now, on this station.
    static RecordSource current();
};

// What a record holds beyond the opened test, read from the database.
struct RecordExtras {
    // TEST_TIME is Null (a test without time): the document's time is null, not the time it was opened.
    bool noTestTime = false;
    // The additives as stored (the opened test holds their concentrations as the table shows them).
    QList<NewAdditive> additives;
    std::vector<store::audit::Entry> history;
    // The shear rates besides 40, 100 and 170 1/s at which every model gives its viscosity (rates.txt).
    std::vector<double> chosenRates_1ps;
};

// Reads the extras of an opened test; failures come out as StoreError.
RecordExtras ReadRecordExtras(clsConnection& connection, const OpenedTest& test,
                              std::span<const double> chosenRates_1ps);

// The document of an opened test (open, with its fits, exclusions and criteria as the open gives them).
QJsonObject TestRecord(const OpenedTest& test, const RecordExtras& extras,
                       const RecordSource& source = RecordSource::current());

// The document as the bytes of a file (compact UTF-8 JSON and a line end), its extras read from the
// database. Failures come out as StoreError.
QByteArray TestRecordJson(clsConnection& connection, const OpenedTest& test,
                          std::span<const double> chosenRates_1ps,
                          const RecordSource& source = RecordSource::current());

// Opens the stored test of this exact name with records of its own and writes its document; nothing when
// no such test is stored. Failures come out as StoreError.
std::optional<QByteArray> StoredTestRecordJson(clsConnection& connection, const QString& name,
                                               std::span<const double> chosenRates_1ps,
                                               const RecordSource& source = RecordSource::current());

}  // namespace lims
