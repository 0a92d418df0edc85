#pragma once

#include "common/TextGrid.h"
#include "sequence/SequenceData.h"

#include <QStringList>

// The step grid (MSFlexGrid1 of the setup window): row 0 the header, then one row per temperature step;
// column 0 the step number, then time, temperature, temperature error, shear rate and the ramp flag.
namespace StepGrid {

constexpr int kColStepNo = 0;
constexpr int kColTime = 1;
constexpr int kColTemp = 2;
constexpr int kColTempError = 3;
constexpr int kColShearRate = 4;
constexpr int kColRunRamp = 5;
constexpr int kCols = 6;

// Inserting stops at 98 steps (99 rows with the header): the unit's step numbers travel as two digits.
constexpr int kMaxSteps = 98;

// Header texts, each of two lines.
QStringList headerTexts();

// Header row only, six columns with their header texts.
void layOut(TextGrid& grid);

int stepCount(const TextGrid& grid);

// Puts a new step before the current step ("before" with a step current) or after it (otherwise; after
// the header means row 1), moving the later steps down, and renumbers. Returns the row filled. The caller
// checks the step limit first.
int insertStep(TextGrid& grid, const SequenceStep& step, bool before);

// Removes the current step, moving the later steps up, and renumbers. False (nothing done) when the
// header row is current.
bool deleteCurrentStep(TextGrid& grid);

// Column 0 of rows 1 ... last as 1, 2, ...
void renumber(TextGrid& grid);

// Replaces the steps by the stored ones (temperatures as "##0.##").
void showSteps(TextGrid& grid, const QList<SequenceStep>& steps);

// The steps on display, each cell read with the leading-number rule.
QList<SequenceStep> readSteps(const TextGrid& grid);

// Replaces the steps by n equal steps, the builder's texts copied as typed (the temperature as its
// number). The caller checks the builder's input first.
void build(TextGrid& grid, int n, const BuilderTexts& texts);

}  // namespace StepGrid

// The shear-rate grid (MSFlexGrid3): one column, row 0 the header, then 40 value rows.
namespace ShearGrid {

constexpr int kMaxRates = 40;
constexpr int kRows = kMaxRates + 1;

QString headerText();

void layOut(TextGrid& grid);

// Clears all value cells, then writes the rates from row 1 (at most 40).
void showRates(TextGrid& grid, const QList<double>& rates_1ps);

// The rates on display: every value cell that is not blank, top to bottom.
QList<double> readRates(const TextGrid& grid);

}  // namespace ShearGrid

// Texts of numbers in the editor's cells and fields.
namespace SequenceText {

// A number as the editor writes it into a cell: decimal text, a blank before a non-negative value.
QString cell(double value);
// A stored number shown in a field or a loaded cell: decimal text without the sign blank.
QString plain(double value);

}  // namespace SequenceText
