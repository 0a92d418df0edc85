#pragma once

// One stored reading (a TEST_RESULT row without its keys) in stored units. The same values whether they
// come from the database, a live run or a test, so that storing, fitting and charting share one type.
struct Reading {
    double rampNo = 0;
    double rampStepNo = 0;
    double time_s = 0;
    double sampleTemp_F = 0;
    double pressure_psi = 0;
    double shearRate_1ps = 0;
    double shearStress_dyncm2 = 0;
    double typeId = 0;  // RESULT_TYPE_ID: 1 a reading of a shear-rate ramp, 0 an ordinary reading
    double bathTemp_F = 0;

    bool operator==(const Reading&) const = default;
};

// The column of the first value of the reading that is not a finite number (a unit's reply or an average
// that overflowed), or nullptr when every value is finite. Such a reading is never stored.
const char* nonFiniteColumn(const Reading& reading);
