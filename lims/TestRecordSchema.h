#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

#include <vector>

// The JSON Schema of the test record (draft-07, lims/schema/r7716-test.schema.json, carried as a Qt
// resource) and the check of a document against it, with valijson.
namespace lims {

// Where a document breaks the schema: the JSON Pointer of the value ("/readings/3/time_s", "" for the whole
// document) and what is wrong with it.
struct SchemaFault {
    QString path;
    QString problem;

    bool operator==(const SchemaFault&) const = default;
};

// The schema's text.
QByteArray SchemaText();

// The faults of a document, innermost first (a value's own fault, not again the objects that hold it), at
// most `limit` of them; none for a document that follows the schema.
std::vector<SchemaFault> SchemaFaults(const QJsonDocument& document, int limit = 3);

}  // namespace lims
