#pragma once

#include "store/Reading.h"

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

// Creates a whole test: the TEST_INFO row as filled in `info` (which must be connected), its new key read
// back by name, then its additives and readings. All or nothing: one transaction, or part of the caller's
// when one is open. A test of that name in any letter case, found inside that transaction, refuses it
// with StoreError::kNameTaken. Returns the new TEST_ID; failures come out as StoreError.
double StoreNewTest(clsConnection& connection, clsTEST_INFO& info, const QList<NewAdditive>& additives,
                    std::span<const Reading> readings);

// True when a test of that name is stored, compared without regard to letter case.
bool TestNameIsStored(clsConnection& connection, const QString& name);
