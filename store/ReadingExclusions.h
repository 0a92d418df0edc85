#pragma once

#include "store/RecordBase.h"
#include "store/TestAudit.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <vector>

class clsConnection;

// Readings the operator left out of the fits of their test (table TEST_EXCLUSION): the reading's
// TEST_RESULT_ID, why, who and when. The readings themselves never change; an exclusion is undone by
// removing its row. Every exclusion and its undoing is recorded in the test's record of changes, in the
// same transaction.
namespace store::exclusions {

inline constexpr const char* kByTestSql =
    "SELECT TEST_RESULT_ID, REASON, USER_NAME, EXCLUDED_TIME FROM TEST_EXCLUSION WHERE TEST_ID = ? ORDER BY "
    "TEST_RESULT_ID";
inline constexpr Param kByTestParams[] = {{"pTEST_ID", ParamType::Double, 0}};
inline constexpr const char* kInsertSql =
    "INSERT INTO TEST_EXCLUSION (TEST_ID, TEST_RESULT_ID, REASON, USER_NAME, EXCLUDED_TIME) VALUES (?, ?, ?, "
    "?, ?)";
inline constexpr Param kInsertParams[] = {{"pTEST_ID", ParamType::Double, 0},
                                          {"pTEST_RESULT_ID", ParamType::Double, 0},
                                          {"pREASON", ParamType::Text, 1000},
                                          {"pUSER_NAME", ParamType::Text, 40},
                                          {"pEXCLUDED_TIME", ParamType::DateTime, 0}};
inline constexpr const char* kDeleteSql =
    "DELETE FROM TEST_EXCLUSION WHERE TEST_ID = ? AND TEST_RESULT_ID = ?";
inline constexpr Param kDeleteParams[] = {{"pTEST_ID", ParamType::Double, 0},
                                          {"pTEST_RESULT_ID", ParamType::Double, 0}};
// The reading an exclusion names, checked to be one of the test's.
inline constexpr const char* kReadingSql =
    "SELECT RAMP_NO, RAMP_STEP_NO, RESULT_TIME FROM TEST_RESULT WHERE TEST_ID = ? AND TEST_RESULT_ID = ?";

inline constexpr const char* kNoReason = "A reason is needed to exclude readings from the fits.";

struct Exclusion {
    double resultId = 0;  // TEST_RESULT_ID of the reading
    QString reason;
    QString user;
    QDateTime time;

    bool operator==(const Exclusion&) const = default;
};

// The exclusions of a test, by reading key; none on a read-only database that has no such table.
std::vector<Exclusion> ofTest(clsConnection& connection, double testId);

// What an exclusion or its undoing did, reading by reading.
struct Outcome {
    QList<double> changed;    // excluded (or included again) now
    QList<double> unchanged;  // excluded already (or not excluded)
    QList<double> notOfTest;  // no reading of the test has this key
    QString refusal;          // nothing was done, for this reason (no reason given)
};

// Leaves the test's readings with these keys out of its fits, with the reason, in one transaction with
// their rows in the record of changes. A key that is not one of the test's readings changes nothing. A
// test that is no longer stored raises StoreError (kTestGone), as does any failure of the database.
Outcome exclude(clsConnection& connection, double testId, const QString& testName,
                const QList<double>& resultIds, const QString& reason,
                const audit::Actor& actor = audit::Actor::current());
// Takes the readings back into the fits (their exclusions removed), in the same way.
Outcome include(clsConnection& connection, double testId, const QString& testName,
                const QList<double>& resultIds, const audit::Actor& actor = audit::Actor::current());

// What was done, for the operator: "2 readings excluded from the fits. Reading 77 was excluded already.
// 999 is not a reading of this test." (or "taken into the fits again" when including).
QString describe(const Outcome& outcome, bool excluding);

// Stores exclusions as they are (reason, who, when) for the test with this key, as part of the caller's
// transaction: a test copied to another database keeps them, its readings' new keys given.
void copyTo(clsConnection& connection, double testId, const std::vector<Exclusion>& exclusions);

}  // namespace store::exclusions
