#pragma once

#include "analysis/OpenTest.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

// The readings of the open test as the readings window lists them, so that the operator can pick those
// to leave out of the fits: one row per reading in time order, with its key and why it is excluded.
class ReadingsTable {
  public:
    enum Column {
        Key,
        Ramp,
        Step,
        TimeMin,
        SampleTemp,
        ShearRate,
        ShearStress,
        Viscosity,
        Type,
        Excluded,
        Count
    };

    static QStringList header();

    // The readings of the test; rampOnly keeps the readings of the shear-rate ramps alone.
    ReadingsTable(const OpenedTest& test, bool rampOnly);

    std::size_t rowCount() const { return rows_.size(); }
    QString cell(std::size_t row, int column) const;
    // The TEST_RESULT_ID of a row's reading, and whether it is excluded.
    double key(std::size_t row) const;
    bool excluded(std::size_t row) const;

  private:
    std::vector<Reading> readings_;
    std::vector<double> keys_;
    std::vector<QString> reasons_;   // empty when the test has no exclusion
    std::vector<std::size_t> rows_;  // reading index of each row
};
