#pragma once

#include <QList>
#include <QString>

#include <span>

class clsConnection;
class clsTEST_INFO;

// One additive of a new test.
struct NewAdditive {
    QString name;
    double concentration = 0;
    QString unit;
    QString lotNo;
};

// One reading of a new test, in stored units.
struct NewReading {
    double rampNo = 0;
    double rampStepNo = 0;
    double time_s = 0;
    double sampleTemp_F = 0;
    double pressure_psi = 0;
    double shearRate_1ps = 0;
    double shearStress_dyncm2 = 0;
    double typeId = 0;  // 1 a reading of a shear-rate ramp, 0 an ordinary reading
    double bathTemp_F = 0;
};

// Creates a whole test: the TEST_INFO row as filled in `info` (which must be connected), its new key read
// back by name, then its additives and readings. All or nothing: one transaction, or part of the caller's
// when one is open. A test of that name in any letter case, found inside that transaction, refuses it
// with StoreError::kNameTaken. Returns the new TEST_ID; failures come out as StoreError.
double StoreNewTest(clsConnection& connection, clsTEST_INFO& info, const QList<NewAdditive>& additives,
                    std::span<const NewReading> readings);

// True when a test of that name is stored, compared without regard to letter case.
bool TestNameIsStored(clsConnection& connection, const QString& name);
