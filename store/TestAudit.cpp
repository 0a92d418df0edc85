#include "store/TestAudit.h"

#include "common/VbFormat.h"
#include "store/FeatureRows.h"
#include "store/clsConnection.h"

#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace store::audit {

namespace {

constexpr const char* kTable = "TEST_AUDIT";

QString operatingSystemUser() {
#ifdef Q_OS_UNIX
    // The account the program runs as, not a variable anyone may set.
    if (const passwd* account = getpwuid(geteuid()); account && account->pw_name)
        return QString::fromLocal8Bit(account->pw_name);
#endif
    for (const char* variable : {"USERNAME", "USER", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty()) return name;
    }
    return QStringLiteral("unknown");
}

std::vector<Entry> readEntries(Statement& statement) {
    std::vector<Entry> entries;
    QSqlQuery& query = statement.query();
    while (query.next()) {
        Entry& e = entries.emplace_back();
        e.testId = feature_rows::numberOf(query.value(1));
        e.testName = query.value(2).toString();
        e.time = feature_rows::timeOf(query.value(3));
        e.user = query.value(4).toString();
        e.station = query.value(5).toString();
        e.what = query.value(6).toString();
        e.oldValue = query.value(7).toString();
        e.newValue = query.value(8).toString();
    }
    throwIfFailed(query);
    statement.finish();
    return entries;
}

}  // namespace

Actor Actor::current() {
    return {operatingSystemUser(), QSysInfo::machineHostName()};
}

QStringList cells(const Entry& e) {
    return {e.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            e.user,
            e.station,
            e.what,
            e.oldValue,
            e.newValue};
}

Entry change(double testId, const QString& testName, const QString& what, const QString& oldValue,
             const QString& newValue, const Actor& actor) {
    const QDateTime now = QDateTime::currentDateTime();
    return {testId,   testName, now.addMSecs(-now.time().msec()), actor.user, actor.station, what,
            oldValue, newValue};
}

void append(clsConnection& connection, const Entry& entry) {
    Statement insert;
    feature_rows::write(connection, insert, kInsertSql, kInsertParams,
                        {entry.testId, entry.testName, storedTime(entry.time), entry.user, entry.station,
                         entry.what, entry.oldValue, entry.newValue});
}

void recordDeletion(clsConnection& connection, const QString& testName, const Actor& actor) {
    Statement select;
    select.prepare(connection.ADOConnection(), kTestsNamedSql, kByNameParams);
    select.run({testName});
    std::vector<Entry> rows;
    QSqlQuery& q = select.query();
    while (q.next()) {
        const QDateTime time = feature_rows::timeOf(q.value(1));
        const QString old = QStringLiteral("test of %1 with %2 readings")
                                .arg(time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                                    : QStringLiteral("no time"),
                                     vb::Format(feature_rows::numberOf(q.value(2)), QStringLiteral("0")));
        rows.push_back(change(feature_rows::numberOf(q.value(0)), testName, QString::fromLatin1(kDeleted),
                              old, {}, actor));
    }
    throwIfFailed(q);
    select.finish();
    for (const Entry& entry : rows) append(connection, entry);
}

std::vector<Entry> ofTest(clsConnection& connection, double testId) {
    Statement select;
    if (!feature_rows::select(connection, select, kByTestSql, kByTestParams, {testId}, kTable)) return {};
    return readEntries(select);
}

std::vector<Entry> ofName(clsConnection& connection, const QString& testName) {
    Statement select;
    if (!feature_rows::select(connection, select, kByNameSql, kByNameParams, {testName}, kTable)) return {};
    return readEntries(select);
}

}  // namespace store::audit
