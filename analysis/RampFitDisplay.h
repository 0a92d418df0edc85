#pragma once

#include "analysis/RampFit.h"
#include "common/UnitSystem.h"

#include <QString>
#include <QStringList>

#include <span>
#include <utility>
#include <vector>

// How ramp fits show in the results table of the main window and of a running test, in the unit system of
// the settings.
namespace ramp_display {

inline constexpr int kColumnCount = 12;

// The text of a column that has no value for a fit outside the validity window.
inline const QString kNotAvailable = QStringLiteral("N/A");

// Conversions for display; values are stored in degF, psi and dyn*s^n'/cm2.
double DisplayTemperature(double temp_F, UnitSystem unitSystem);      // degC under SI
double DisplayPressure(double pressure_psi, UnitSystem unitSystem);   // kPa under SI
double DisplayConsistency(double k_dynsncm2, UnitSystem unitSystem);  // lbf*s^n'/ft2 under EI
double DisplayStress(double stress_dyncm2, UnitSystem unitSystem);    // lbf/100ft2 under EI, Pa under SI

// The units of consistencies and of stresses as the headers name them.
QString ConsistencyUnit(UnitSystem unitSystem);  // "dyn-s^n/cm2", under EI "lbf-s^n/ft2"
QString StressUnit(UnitSystem unitSystem);       // "dyn/cm2", under EI "lbf/100ft2", under SI "Pa"
// The picture of a consistency: "0000.000", under EI "0.000000".
QString ConsistencyPicture(UnitSystem unitSystem);

// The first four cells of a ramp's row: ramp number (with its sign blank), time in minutes "#.",
// temperature "###", pressure "####", converted for the unit system.
QStringList RampCells(int rampNo, double elapsedMin, double sampleTemp_F, double pressure_psi,
                      UnitSystem unitSystem);

// The twelve header cells; a line break inside a cell is a carriage return.
QStringList HeaderCells(UnitSystem unitSystem);

// The header in the grid's own syntax: cells joined by "|", each marked "<" (left-aligned).
QString HeaderFormatString(UnitSystem unitSystem);

// The twelve cells of a fit's row: ramp number (with its sign blank), time in minutes "#.", temperature
// "###", pressure "####", n' "0.0000", K' "0000.000" (EI "0.000000"), R^2 "0.0000", Kv, K'slot as K',
// viscosities at 40, 100, 170 1/s "#". A fit that is not Valid shows "N/A" in columns 5 to 11.
QStringList RowCells(const RampFit& fit, UnitSystem unitSystem);

// Rows of the results table for the fits of one test: (grid row = ramp number, cells). Rows of ramps
// without a fit are not listed and stay empty.
std::vector<std::pair<int, QStringList>> ResultRows(std::span<const RampFit> fits, UnitSystem unitSystem);

}  // namespace ramp_display
