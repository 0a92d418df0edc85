#pragma once

// The apparent viscosity of one reading, 100 x shear stress / shear rate in cP (dyn/cm2 over 1/s is poise),
// as each place of the program computes it. They differ on purpose, each in the small rate it adds against
// a stopped rotor and in the rate below which it gives 0: each is the one its place has always shown, and
// a viscosity that the lab compares with an earlier printout, a workbook or the unit's own shut-down must
// come out the same to the last digit. Do not merge them.

// The automatic shut-down's check of a running test (and the unit's own in a stand-alone run): + 0.0001,
// never 0.
constexpr double ShutDownCheckViscosity(double shearRate_1ps, double shearStress_dyncm2) {
    return 100.0 * shearStress_dyncm2 / (shearRate_1ps + 0.0001);
}

// A reading of an open test in the default time charts (2D and 3D) and of a running test in its live
// graph: 0 below 0.00001 1/s, else + 0.00001.
constexpr double ReadingViscosity(double shearRate_1ps, double shearStress_dyncm2) {
    if (shearRate_1ps < 0.00001) return 0.0;
    return 100.0 * shearStress_dyncm2 / (shearRate_1ps + 0.00001);
}

// The unit window's "Apparent Viscosity" from a status reply: + 0.000001, shown only from this rate on
// (the window shows "0" below it).
constexpr double kStatusViscosityLeastRate_1ps = 0.00002;
constexpr double StatusViscosity(double shearRate_1ps, double shearStress_dyncm2) {
    return shearStress_dyncm2 / (shearRate_1ps + 0.000001) * 100.0;
}

// Every other chart: 0 below 0.00002 1/s, else + 0.0000001 (the detail data report's query adds the same).
constexpr double ChartViscosity(double shearRate_1ps, double shearStress_dyncm2) {
    if (shearRate_1ps < 0.00002) return 0;
    return 100 * shearStress_dyncm2 / (shearRate_1ps + 0.0000001);
}

// VISC1 of the Halliburton file: + 1e-12, never 0.
constexpr double HalliburtonViscosity(double shearRate_1ps, double shearStress_dyncm2) {
    return shearStress_dyncm2 / (1e-12 + shearRate_1ps) * 100;
}

// The workbooks and the CSV file: 0 below 0.00001 1/s, else stress / rate with nothing added.
constexpr double ExportViscosity(double shearRate_1ps, double shearStress_dyncm2) {
    if (shearRate_1ps < 0.00001) return 0;
    return shearStress_dyncm2 / shearRate_1ps * 100;
}
