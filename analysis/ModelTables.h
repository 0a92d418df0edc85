#pragma once

#include "analysis/OpenTest.h"
#include "analysis/RampModels.h"
#include "common/UnitSystem.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <span>
#include <vector>

// The extended results of a test as cells: one table per model, one row per ramp, in the unit system
// shown. The window's extended results and `r7716-cli results --model` show these same cells.
namespace model_tables {

// The models in the order the extended results list them.
inline constexpr RampModel kModels[] = {RampModel::PowerLaw, RampModel::Bingham, RampModel::HerschelBulkley};

// "Power law", "Bingham plastic", "Herschel-Bulkley".
QString Title(RampModel model);

struct Options {
    bool kPipe = true;          // the power law's table has K'pipe after K'slot
    std::vector<double> rates;  // viscosities at these rates (1/s) follow those at 40, 100 and 170 1/s
};

struct Table {
    RampModel model = RampModel::PowerLaw;
    QStringList header;  // a line break inside a cell is a carriage return, as in the results table
    // Row r holds ramp r + 1: an empty list for a ramp without any point (or, for the power law, without
    // result, as in the results table); else header.size() cells.
    QList<QStringList> rows;
    // Per row: the cell that says why the model has no fit for the ramp (the cells after it are empty),
    // or -1.
    QList<int> failureCell;
};

// The table of one model. The power law's is the results table (its header and rows as BuildResultsTable
// gives them), with K'pipe and the chosen rates added; the other models have a row for every ramp with a
// point once any ramp has one.
Table Build(RampModel model, const OpenedTest& test, UnitSystem unitSystem, const Options& options);

// The first cell of a failure row's reason, where the parameters would start.
inline constexpr int kFirstParameterCell = 4;

}  // namespace model_tables
