#pragma once

#include "store/NewTest.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class clsTEST_INFO;

// The descriptive data of a new test as the operator gave it (the test-information dialog or an --info
// file): everything its TEST_INFO row stores but the key and the test time, its additives in order, and
// the bob factors a run needs. Numbers are already read from their texts.
struct TestInfoInput {
    static constexpr int kMaxAdditives = 20;

    QString testName;
    QString fluidId;
    QString researcherName;
    QString rotorNo;
    QString bobNo;
    double bobRadius_cm = 0;
    double bobEffLength_cm = 0;
    double pretestPh = 0;
    double posttestPh = 0;
    QString safety;
    QList<NewAdditive> additives;  // at most kMaxAdditives

    // Shear rate in 1/s per rpm for this bob (the factor sent with every set point).
    double shearRateFactor() const;
    // Multiplies the unit's stress reading (taken for the reference bob B5) into this bob's stress.
    double bobStressFactor() const;

    // Sets every field of the record's current row but the key: the texts, the numbers, and the test time
    // given (the caller's: the start of a run, or the moment of a retrieval).
    void fill(clsTEST_INFO& info, const QDateTime& testTime) const;

    bool operator==(const TestInfoInput&) const;
};

// The seam through which a unit window (or anything else that starts a test) asks for the test's data:
// given the bob preset into the dialog (nothing keeps the dialog's own default), the data, or nothing
// when the operator cancelled. The windows use the dialog; tests put a function of their own in.
using TestInfoAsker = std::function<std::optional<TestInfoInput>(const std::optional<QString>& presetBob)>;
