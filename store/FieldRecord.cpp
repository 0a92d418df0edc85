#include "store/FieldRecord.h"

FieldRecord::FieldRecord(std::span<const Field> fields, int spare) : fields_(fields), spare_(spare) {
    values_.resize(static_cast<qsizetype>(fields.size()));
}

QVariant FieldRecord::convert(int field, const QVariant& value) const {
    const Field& f = fields_[field];
    switch (f.kind) {
        case Kind::Text:
            return store::toText(value, f.property);
        case Kind::Double:
            return store::toDouble(value, f.property);
        case Kind::DateTime:
            return store::toDateTime(value, f.property);
        case Kind::Int32:
            return store::toInt32(store::toDouble(value, f.property), f.property);
    }
    return {};
}

QVariantList FieldRecord::All() const {
    QVariantList all = values_;
    for (int i = 0; i < spare_; ++i) all.append(QVariant());
    return all;
}

void FieldRecord::SetDefaults() {
    for (int i = 0; i < static_cast<int>(fields_.size()); ++i) values_[i] = defaultValue(i);
}

void FieldRecord::setAll(const QVariantList& values) {
    requireFields(values, static_cast<int>(fields_.size()));
    // Convert everything first, so that a value that does not fit changes nothing. A Null element gives
    // the field its default, as a Null read from the file does.
    QVariantList converted = values_;
    for (int i = 0; i < static_cast<int>(fields_.size()); ++i)
        converted[i] = values[i].isNull() ? defaultValue(i) : convert(i, values[i]);
    values_ = std::move(converted);
}

void FieldRecord::loadRow(int row) {
    SetDefaults();
    for (int column = 0; column < snapshot_.columnCount(); ++column) {
        const QVariant value = snapshot_.value(column, row);
        if (!value.isNull()) values_[snapshotFields_[column]] = convert(snapshotFields_[column], value);
    }
}

int FieldRecord::readTable(store::Statement& statement, const QStringList& columns) {
    std::vector<int> fieldOf;
    std::vector<Kind> kinds;
    for (const QString& column : columns) {
        int found = -1;
        for (int i = 0; i < static_cast<int>(fields_.size()); ++i)
            if (column == QLatin1String(fields_[i].column)) found = i;
        if (found < 0)
            throw StoreError(StoreError::kEngine,
                             QStringLiteral("No field reads the column %1.").arg(column));
        fieldOf.push_back(found);
        kinds.push_back(fields_[found].kind);
    }
    QSqlQuery& query = statement.query();
    RecordTable table(columns);
    try {
        while (query.next()) {
            QVariantList row;
            row.reserve(columns.size());
            for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
                const QVariant value = query.value(c);
                const char* name = fields_[fieldOf[c]].column;
                if (value.isNull())
                    row.append(QVariant());
                else if (kinds[c] == Kind::Text)
                    row.append(store::toText(value, name));
                else if (kinds[c] == Kind::DateTime)
                    row.append(store::toDateTime(value, name));
                else
                    row.append(store::toDouble(value, name));  // Int32 fields are stored as numbers
            }
            table.appendRow(std::move(row));
        }
        store::throwIfFailed(query);
    } catch (...) {
        statement.finish();
        throw;
    }
    statement.finish();
    snapshot_ = std::move(table);
    snapshotFields_ = std::move(fieldOf);
    return snapshot_.rowCount();
}
