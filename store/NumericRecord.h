#pragma once

#include "store/RecordBase.h"

#include <array>
#include <vector>

// The record classes whose columns are all numbers (readings, sequence steps, shear-rate ramp). Their
// snapshot is a plain array of doubles per row, so a test of many thousands of readings is read and walked
// without a variant per value. A Null read from the file takes the field's default as the row is read,
// which is what loading the row would do, since these defaults never change.
template <int N>
class NumericRecord : public RecordBase {
  public:
    using Row = std::array<double, N>;

    void SetDefaults() override { row_ = defaults_; }

    QVariantList All() const override {
        QVariantList values;
        values.reserve(N);
        for (double value : row_) values.append(QVariant(value));
        return values;
    }

    void setAll(const QVariantList& values) override {
        requireFields(values, N);
        Row row = defaults_;
        for (int i = 0; i < N; ++i) {
            if (!values[i].isNull()) row[i] = store::toDouble(values[i], names_[i]);
        }
        row_ = row;
    }

  protected:
    NumericRecord(const Row& defaults, const std::array<const char*, N>& names)
        : defaults_(defaults), names_(names), row_(defaults) {}

    void loadRow(int row) override { row_ = rows_[row]; }

    // Reads the rows of a selection that was just run into the snapshot; returns the count. The snapshot's
    // memory is reused from one selection to the next, so reading a long test again costs no allocation.
    // A failure part-way leaves an empty snapshot.
    int readRows(store::Statement& statement) {
        QSqlQuery& query = statement.query();
        rows_.clear();
        try {
            while (query.next()) {
                Row& row = rows_.emplace_back();
                for (int i = 0; i < N; ++i) {
                    const QVariant value = query.value(i);
                    row[i] = value.typeId() == QMetaType::Double
                                 ? *static_cast<const double*>(value.constData())
                                 : store::readNumber(value, defaults_[i], names_[i]);
                }
            }
            store::throwIfFailed(query);
        } catch (...) {
            statement.finish();
            rows_.clear();
            snapshotLost();
            throw;
        }
        statement.finish();
        return static_cast<int>(rows_.size());
    }

    const Row defaults_;
    const std::array<const char*, N> names_;
    Row row_;
    std::vector<Row> rows_;
};
