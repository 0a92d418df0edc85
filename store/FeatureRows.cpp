#include "store/FeatureRows.h"

#include "store/Schema.h"
#include "store/clsConnection.h"

namespace store::feature_rows {

bool select(clsConnection& connection, Statement& statement, const char* sql, std::span<const Param> params,
            std::initializer_list<QVariant> values, const char* table) {
    connection.reconnectIfLost();
    const QSqlDatabase db = connection.ADOConnection();
    if (connection.IsReadOnly() && !hasFeatureTable(db, QString::fromLatin1(table))) return false;
    statement.prepare(db, sql, params);
    statement.run(values);
    return true;
}

void write(clsConnection& connection, Statement& statement, const char* sql, std::span<const Param> params,
           std::initializer_list<QVariant> values) {
    connection.requireWritable();
    if (!connection.InTransaction())
        throw StoreError(
            StoreError::kEngine,
            QStringLiteral("A change of a stored test was to be written outside a transaction."));
    statement.prepare(connection.ADOConnection(), sql, params);
    statement.run(values);
    statement.finish();
}

void requireStoredTest(clsConnection& connection, double testId, const QString& testName) {
    Statement select;
    select.prepare(connection.ADOConnection(), kTestStoredSql, kTestParams);
    select.run({testId});
    const bool stored = select.query().next();
    throwIfFailed(select.query());
    select.finish();
    if (!stored)
        throw StoreError(StoreError::kTestGone,
                         QStringLiteral("The test \"%1\" is no longer stored.").arg(testName));
}

void deleteRowsOfTestsNamed(clsConnection& connection, const QString& testName) {
    for (const char* sql : {kDeleteExclusionsOfNameSql, kDeleteCriteriaOfNameSql}) {
        Statement remove;
        write(connection, remove, sql, kTestNameParams, {testName});
    }
}

void deleteRowsOfSequencesNamed(clsConnection& connection, const QString& sequenceName) {
    Statement remove;
    write(connection, remove, kDeleteCriteriaOfSequenceNameSql, kTestNameParams, {sequenceName});
}

QDateTime timeOf(const QVariant& value) {
    if (value.isNull()) return {};
    return toDateTime(value, "time");
}

double numberOf(const QVariant& value, double fallback) {
    return readNumber(value, fallback, "number");
}

}  // namespace store::feature_rows
