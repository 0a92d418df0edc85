#pragma once

#include "store/RecordBase.h"
#include "store/RecordTable.h"

#include <vector>

// The record classes whose columns mix texts, numbers and a date (tests, additives, sequences). The
// snapshot keeps the selection as it came, Nulls included, because some windows read it whole (the list of
// tests, the list of sequence names); loading a row maps the snapshot's columns to the fields by name, so
// a list of a few columns loads into the same current row as the full lookup.
class FieldRecord : public RecordBase {
  public:
    enum class Kind { Text, Double, DateTime, Int32 };
    struct Field {
        const char* property;
        const char* column;
        Kind kind;
    };

    void SetDefaults() override;
    QVariantList All() const override;
    void setAll(const QVariantList& values) override;

  protected:
    // `spare` extra elements are appended, empty, to what All returns.
    FieldRecord(std::span<const Field> fields, int spare = 0);

    // The default of a field at this moment (the test time defaults to the current date and time).
    virtual QVariant defaultValue(int field) const = 0;
    void loadRow(int row) override;
    // Reads the rows of a selection that was just run into the snapshot, converting every non-Null value to
    // its column's kind; `columns` are the selected column names in order. A failure part-way leaves the
    // previous snapshot as it was.
    int readTable(store::Statement& statement, const QStringList& columns);

    // Converts a non-Null value to a field's kind; raises StoreError when it cannot.
    QVariant convert(int field, const QVariant& value) const;

    QString text(int field) const { return values_[field].toString(); }
    double number(int field) const { return values_[field].toDouble(); }
    int integer(int field) const { return values_[field].toInt(); }
    QDateTime time(int field) const { return values_[field].toDateTime(); }
    void set(int field, QVariant value) { values_[field] = std::move(value); }

    std::span<const Field> fields_;
    QVariantList values_;  // the current row, one typed value per field
    RecordTable snapshot_;

  private:
    std::vector<int> snapshotFields_;  // field of each snapshot column
    int spare_;
};
