#pragma once

#include "analysis/ChartSeries.h"
#include "analysis/OpenTest.h"
#include "common/UnitSystem.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <vector>

// Comparing stored tests: their viscosity and temperature against time in one chart, each from its own
// start, and their fitted results and criteria side by side in one table.
namespace compare_tests {

// The table: a first column of what each row shows, then one column per test.
struct Table {
    QStringList header;  // "", then the tests' names
    QList<QStringList> rows;
};

// Rows: the test time, fluid, bob, readings and excluded readings; then for every ramp number any of the
// tests has, the eleven values of its results-table row (as the results table shows them, in the unit
// system of the tests' tables); then each criterion with what came of it.
Table BuildTable(std::span<const OpenedTest> tests);

// The viscosity a comparison draws: the apparent viscosity of the ordinary readings, or the viscosity
// each ramp's power-law fit gives at a shear rate. Excluded readings are left out of both.
struct Choice {
    std::optional<double> fittedAt_1ps;  // nothing: apparent
};

// The chart: one viscosity series per test on the left axis (minutes from the test's start), then one
// sample-temperature series per test on the right axis (degF), labelled with the test names.
Chart2D BuildChart(std::span<const OpenedTest> tests, const Choice& choice);

// The shear rate a comparison offers first: the first criterion's of the first test that has one, else
// 100 1/s.
double SuggestedRate(std::span<const OpenedTest> tests);

}  // namespace compare_tests
