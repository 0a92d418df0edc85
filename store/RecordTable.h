#pragma once

#include <QList>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

// A selection read whole into memory, addressed (column, row) from 0 as the windows read it. A value may
// be Null (an invalid QVariant); text columns hold QString, number columns double, the test time QDateTime.
class RecordTable {
  public:
    RecordTable() = default;
    explicit RecordTable(QStringList columns) : columns_(std::move(columns)) {}

    int columnCount() const { return static_cast<int>(columns_.size()); }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    QString columnName(int column) const { return columns_.value(column); }
    int columnIndex(const QString& name) const { return static_cast<int>(columns_.indexOf(name)); }
    // Null outside the table as well as for a Null value.
    QVariant value(int column, int row) const {
        if (row < 0 || row >= rowCount()) return {};
        return rows_[row].value(column);
    }
    const QVariantList& row(int row) const { return rows_.at(row); }

    void appendRow(QVariantList values) { rows_.append(std::move(values)); }

  private:
    QStringList columns_;
    QList<QVariantList> rows_;
};
