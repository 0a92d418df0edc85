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
// when one is open. Returns the new TEST_ID; failures come out as StoreError.
double StoreNewTest(clsConnection& connection, clsTEST_INFO& info, const QList<NewAdditive>& additives,
                    std::span<const Reading> readings);
