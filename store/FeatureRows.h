#pragma once

#include "store/RecordBase.h"

#include <initializer_list>

class clsConnection;

// What the stores of the feature tables (excluded readings, criteria, the record of changes) share: their
// statements run on the connection the record classes use, reads connect again to a server that went away,
// and writes are refused outside a transaction, so that a change and its record of change go together.
namespace store::feature_rows {

// Prepares and runs a selection on the open database. False, with nothing run, when the database (open
// read-only, an older file) lacks the table: it then holds none of its rows.
bool select(clsConnection& connection, Statement& statement, const char* sql, std::span<const Param> params,
            std::initializer_list<QVariant> values, const char* table);

// Prepares and runs a write; raises StoreError when no write may be made or no transaction is open.
void write(clsConnection& connection, Statement& statement, const char* sql, std::span<const Param> params,
           std::initializer_list<QVariant> values);

inline constexpr const char* kTestStoredSql = "SELECT TEST_ID FROM TEST_INFO WHERE TEST_ID = ?";
inline constexpr Param kTestParams[] = {{"pTEST_ID", ParamType::Double, 0}};
// Raises StoreError (kTestGone) when the test with this key is no longer stored; asked inside the
// transaction of a change, so that no row of a deleted test is written.
void requireStoredTest(clsConnection& connection, double testId, const QString& testName);

// The rows of the feature tables that belong to the tests of this name (excluded readings, criteria), as
// part of the caller's transaction that deletes those tests. Their record of changes stays.
inline constexpr const char* kDeleteExclusionsOfNameSql =
    "DELETE FROM TEST_EXCLUSION WHERE TEST_ID IN (SELECT TEST_ID FROM TEST_INFO WHERE TEST_NAME = ?)";
inline constexpr const char* kDeleteCriteriaOfNameSql =
    "DELETE FROM TEST_CRITERION WHERE TEST_ID IN (SELECT TEST_ID FROM TEST_INFO WHERE TEST_NAME = ?)";
inline constexpr Param kTestNameParams[] = {{"pTEST_NAME", ParamType::Text, 40}};
void deleteRowsOfTestsNamed(clsConnection& connection, const QString& testName);

// The criteria saved with the sequences of this name, as part of the caller's transaction that deletes them.
inline constexpr const char* kDeleteCriteriaOfSequenceNameSql =
    "DELETE FROM SEQUENCE_CRITERION WHERE SEQUENCE_ID IN (SELECT SEQUENCE_ID FROM SEQUENCE_INFO WHERE "
    "SEQUENCE_NAME = ?)";
void deleteRowsOfSequencesNamed(clsConnection& connection, const QString& sequenceName);

// A time read from a date-time column (a text on the file, a date and time on a server); invalid for Null.
QDateTime timeOf(const QVariant& value);
// A number read from a column; Null gives the fallback.
double numberOf(const QVariant& value, double fallback = 0);

}  // namespace store::feature_rows
