#pragma once

#include "store/RecordBase.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

class clsConnection;

// The record of every change to a stored test (table TEST_AUDIT): what changed, its old and new value,
// who (the operating system's user name), on which station and when. Rows are only ever added, in the
// transaction of the change they record, so that a change and its record are stored together or not at
// all; the engine refuses to change or remove one. They outlive their test: a deleted test's record says
// who deleted it.
namespace store::audit {

inline constexpr const char* kInsertSql =
    "INSERT INTO TEST_AUDIT (TEST_ID, TEST_NAME, AUDIT_TIME, USER_NAME, STATION, WHAT, OLD_VALUE, NEW_VALUE) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
inline constexpr Param kInsertParams[] = {
    {"pTEST_ID", ParamType::Double, 0},      {"pTEST_NAME", ParamType::Text, 40},
    {"pAUDIT_TIME", ParamType::DateTime, 0}, {"pUSER_NAME", ParamType::Text, 40},
    {"pSTATION", ParamType::Text, 255},      {"pWHAT", ParamType::Text, 255},
    {"pOLD_VALUE", ParamType::Text, 4000},   {"pNEW_VALUE", ParamType::Text, 4000},
};
inline constexpr const char* kByTestSql =
    "SELECT AUDIT_ID, TEST_ID, TEST_NAME, AUDIT_TIME, USER_NAME, STATION, WHAT, OLD_VALUE, NEW_VALUE FROM "
    "TEST_AUDIT WHERE TEST_ID = ? ORDER BY AUDIT_ID";
inline constexpr Param kByTestParams[] = {{"pTEST_ID", ParamType::Double, 0}};
// The rows of tests of a name that is no longer stored (a deleted test), oldest first.
inline constexpr const char* kByNameSql =
    "SELECT AUDIT_ID, TEST_ID, TEST_NAME, AUDIT_TIME, USER_NAME, STATION, WHAT, OLD_VALUE, NEW_VALUE FROM "
    "TEST_AUDIT WHERE TEST_NAME = ? ORDER BY AUDIT_ID";
inline constexpr Param kByNameParams[] = {{"pTEST_NAME", ParamType::Text, 40}};

// Who makes a change and where: the operating system's user name and the station's host name.
struct Actor {
    QString user;
    QString station;

    // The user this program runs as and the host it runs on.
    static Actor current();
};

// What a change did, for its row.
inline constexpr const char* kDeleted = "test deleted";
inline constexpr const char* kCopied = "copied from another database";
inline constexpr const char* kImported = "imported from a test record";
inline constexpr const char* kAdditives = "additives";

struct Entry {
    double testId = 0;
    QString testName;
    QDateTime time;  // local time, to the second
    QString user;
    QString station;
    QString what;
    QString oldValue;
    QString newValue;

    bool operator==(const Entry&) const = default;
};

// The entry as it is shown: time (YYYY-MM-DD HH:MM:SS), user, station, what, old value, new value.
QStringList cells(const Entry& entry);
inline const QStringList kCellHeaders{"Time", "User", "Station", "What", "Old value", "New value"};

// An entry made now by the actor.
Entry change(double testId, const QString& testName, const QString& what, const QString& oldValue,
             const QString& newValue, const Actor& actor = Actor::current());

// Appends the entry, as part of the caller's transaction (one must be open, so that the change and its
// record are stored together). Failures come out as StoreError.
void append(clsConnection& connection, const Entry& entry);

// Appends a deletion row for every test of this name (its time and reading count as the old value), as part
// of the caller's transaction that deletes them.
inline constexpr const char* kTestsNamedSql =
    "SELECT TEST_ID, TEST_TIME, (SELECT COUNT(*) FROM TEST_RESULT R WHERE R.TEST_ID = T.TEST_ID) FROM "
    "TEST_INFO T WHERE TEST_NAME = ?";
void recordDeletion(clsConnection& connection, const QString& testName,
                    const Actor& actor = Actor::current());

// The record of the test with this key, oldest first; empty on a read-only database that has none.
std::vector<Entry> ofTest(clsConnection& connection, double testId);
// The record of every test that was stored under this name, oldest first.
std::vector<Entry> ofName(clsConnection& connection, const QString& testName);

}  // namespace store::audit
