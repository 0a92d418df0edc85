#include "lims/TestRecordSchema.h"

#include "lims/TestRecordFormat.h"

#include <QFile>
#include <QJsonObject>

#include <valijson/adapters/qtjson_adapter.hpp>
#include <valijson/schema.hpp>
#include <valijson/schema_parser.hpp>
#include <valijson/validation_results.hpp>
#include <valijson/validator.hpp>

#include <algorithm>
#include <stdexcept>

namespace lims {

namespace {

using Context = std::vector<std::string>;

// valijson names a place as "<root>", "[readings]", "[3]", "[time_s]": as a JSON Pointer,
// "/readings/3/time_s".
QString pointerOf(const Context& context) {
    QString pointer;
    for (const std::string& part : context) {
        if (part.size() < 2 || part.front() != '[' || part.back() != ']') continue;
        QString name = QString::fromStdString(part.substr(1, part.size() - 2));
        name.replace(u'~', QStringLiteral("~0")).replace(u'/', QStringLiteral("~1"));
        pointer += u'/' + name;
    }
    return pointer;
}

// True when `outer` is a place that holds `inner` (or the same place).
bool holds(const Context& outer, const Context& inner) {
    return outer.size() <= inner.size() && std::equal(outer.begin(), outer.end(), inner.begin());
}

}  // namespace

QByteArray SchemaText() {
    QFile file(QString::fromLatin1(kSchemaResource));
    if (!file.open(QIODevice::ReadOnly))
        throw std::logic_error("the test record's schema is not in the program");
    return file.readAll();
}

std::vector<SchemaFault> SchemaFaults(const QJsonDocument& document, int limit) {
    using valijson::adapters::QtJsonAdapter;
    const QJsonDocument schemaDocument = QJsonDocument::fromJson(SchemaText());
    valijson::Schema schema;
    valijson::SchemaParser(valijson::SchemaParser::kDraft7)
        .populateSchema(QtJsonAdapter(schemaDocument.object()), schema);

    const QJsonValue root = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    const QtJsonAdapter target(root);
    valijson::Validator validator(valijson::Validator::kStrongTypes);
    // Without results the check stops at the first fault; the faults are collected only for a document
    // that has one.
    if (validator.validate(schema, target, nullptr)) return {};
    valijson::ValidationResults results;
    validator.validate(schema, target, &results);

    // valijson reports a value's fault and then, again, each object and array that holds it.
    std::vector<Context> places;
    std::vector<SchemaFault> faults;
    valijson::ValidationResults::Error error;
    while (results.popError(error) && static_cast<int>(faults.size()) < limit) {
        const bool holdsEarlier = std::any_of(
            places.begin(), places.end(), [&](const Context& place) { return holds(error.context, place); });
        if (holdsEarlier) continue;
        places.push_back(error.context);
        faults.push_back({pointerOf(error.context), QString::fromStdString(error.description)});
    }
    return faults;
}

}  // namespace lims
