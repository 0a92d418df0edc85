#include "store/Schema.h"

#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/Transaction.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace store {

const std::vector<TableSchema>& schemaTables() {
    static const std::vector<TableSchema> tables{
        {"TEST_INFO",
         {"TEST_ID", "TEST_NAME", "FLUID_ID", "TEST_TIME", "RESEARCHER_NAME", "ROTOR_NO", "BOB_NO",
          "BOB_RADIUS", "BOB_EFF_LENGTH", "PRETEST_PH", "POSTTEST_PH", "SAFETY"},
         "CREATE TABLE TEST_INFO (TEST_ID INTEGER PRIMARY KEY AUTOINCREMENT, TEST_NAME TEXT, FLUID_ID TEXT, "
         "TEST_TIME TEXT, RESEARCHER_NAME TEXT, ROTOR_NO TEXT, BOB_NO TEXT, BOB_RADIUS REAL, "
         "BOB_EFF_LENGTH REAL, PRETEST_PH REAL, POSTTEST_PH REAL, SAFETY TEXT)",
         "TEST_INFO_BY_NAME",
         "CREATE INDEX TEST_INFO_BY_NAME ON TEST_INFO (TEST_NAME)",
         "TEST_NAME",
         "test names"},
        {"TEST_RESULT",
         {"TEST_RESULT_ID", "TEST_ID", "RAMP_NO", "RAMP_STEP_NO", "RESULT_TIME", "RESULT_SAMPLE_TEMP",
          "RESULT_PRESS", "RESULT_SHEAR_RATE", "RESULT_SHEAR_STRESS", "RESULT_TYPE_ID", "RESULT_BATH_TEMP"},
         "CREATE TABLE TEST_RESULT (TEST_RESULT_ID INTEGER PRIMARY KEY AUTOINCREMENT, TEST_ID REAL, "
         "RAMP_NO REAL, RAMP_STEP_NO REAL, RESULT_TIME REAL, RESULT_SAMPLE_TEMP REAL, RESULT_PRESS REAL, "
         "RESULT_SHEAR_RATE REAL, RESULT_SHEAR_STRESS REAL, RESULT_TYPE_ID REAL, RESULT_BATH_TEMP REAL)",
         // Readings are always read per test in time order; equal times come back in insertion order.
         "TEST_RESULT_BY_TEST",
         "CREATE INDEX TEST_RESULT_BY_TEST ON TEST_RESULT (TEST_ID, RESULT_TIME)",
         {},
         {}},
        {"TEST_ADDITIVE",
         {"TESTADD_ID", "TEST_ID", "ADDITIVE_NM", "ADD_CONCEN", "ADD_UNIT", "ADD_LOTNO"},
         "CREATE TABLE TEST_ADDITIVE (TESTADD_ID INTEGER PRIMARY KEY AUTOINCREMENT, TEST_ID REAL, "
         "ADDITIVE_NM TEXT, ADD_CONCEN REAL, ADD_UNIT TEXT, ADD_LOTNO TEXT)",
         "TEST_ADDITIVE_BY_TEST",
         "CREATE INDEX TEST_ADDITIVE_BY_TEST ON TEST_ADDITIVE (TEST_ID)",
         {},
         {}},
        {"SEQUENCE_INFO",
         {"SEQUENCE_ID", "SEQUENCE_NAME", "TIME_BEFORE_READ", "RAMP_SAMPLE_RATE", "SAMPLE_POINTS_AVERAGE",
          "SHUT_DOWN_ATIME", "SHUT_DOWN_VISC", "SAMPLE_INTERVAL"},
         "CREATE TABLE SEQUENCE_INFO (SEQUENCE_ID INTEGER PRIMARY KEY AUTOINCREMENT, SEQUENCE_NAME TEXT, "
         "TIME_BEFORE_READ REAL, RAMP_SAMPLE_RATE REAL, SAMPLE_POINTS_AVERAGE REAL, SHUT_DOWN_ATIME REAL, "
         "SHUT_DOWN_VISC REAL, SAMPLE_INTERVAL REAL)",
         "SEQUENCE_INFO_BY_NAME",
         "CREATE INDEX SEQUENCE_INFO_BY_NAME ON SEQUENCE_INFO (SEQUENCE_NAME)",
         "SEQUENCE_NAME",
         "sequence names"},
        {"SEQUENCE_RAMP",
         {"SEQUENCE_RAMP_ID", "SEQUENCE_ID", "RAMP_NO", "RAMP_ELAPSE_TIME", "RAMP_TEMP", "RAMP_START_ERROR",
          "SHEAR_RATE", "RUN_RAMP"},
         "CREATE TABLE SEQUENCE_RAMP (SEQUENCE_RAMP_ID INTEGER PRIMARY KEY AUTOINCREMENT, SEQUENCE_ID REAL, "
         "RAMP_NO REAL, RAMP_ELAPSE_TIME REAL, RAMP_TEMP REAL, RAMP_START_ERROR REAL, SHEAR_RATE REAL, "
         "RUN_RAMP REAL)",
         "SEQUENCE_RAMP_BY_SEQUENCE",
         "CREATE INDEX SEQUENCE_RAMP_BY_SEQUENCE ON SEQUENCE_RAMP (SEQUENCE_ID, RAMP_NO)",
         {},
         {}},
        {"SEQUENCE_RAMP_DEFINE",
         {"SEQUENCE_DEF_ID", "SEQUENCE_ID", "RAMP_STEP_NO", "RAMP_SHEAR_RATE"},
         "CREATE TABLE SEQUENCE_RAMP_DEFINE (SEQUENCE_DEF_ID INTEGER PRIMARY KEY AUTOINCREMENT, "
         "SEQUENCE_ID REAL, RAMP_STEP_NO REAL, RAMP_SHEAR_RATE REAL)",
         "SEQUENCE_RAMP_DEFINE_BY_SEQUENCE",
         "CREATE INDEX SEQUENCE_RAMP_DEFINE_BY_SEQUENCE ON SEQUENCE_RAMP_DEFINE (SEQUENCE_ID, RAMP_STEP_NO)",
         {},
         {}},
    };
    return tables;
}

QString uniqueNameIndexName(const TableSchema& table) {
    return table.name + QStringLiteral("_NAME_UNIQUE");
}

QString uniqueNameIndexSql(const TableSchema& table) {
    return QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
        .arg(uniqueNameIndexName(table), table.name, dialect::foldedName(table.nameColumn));
}

void execSql(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql)) throw StoreError::fromSql(query.lastError());
}

namespace {

// Names of the tables or indexes in the file, upper-cased (the engine compares names without case).
QSet<QString> objectNames(const QSqlDatabase& db, const QString& type) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // The first read of the file: a file of another kind fails here with "file is not a database", a
    // file that another program holds locked with "database is locked".
    if (!query.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = ?")))
        throw StoreError::fromSql(query.lastError());
    query.addBindValue(type);
    if (!query.exec()) throw StoreError::fromSql(query.lastError());
    QSet<QString> names;
    while (query.next()) names.insert(query.value(0).toString().toUpper());
    return names;
}

void checkColumns(const QSqlDatabase& db, const TableSchema& table) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table.name)))
        throw StoreError::fromSql(query.lastError());
    QSet<QString> present;
    while (query.next()) present.insert(query.value(1).toString().toUpper());
    for (const QString& column : table.columns) {
        if (!present.contains(column))
            throw StoreError(
                StoreError::kBadSchema,
                QStringLiteral("The table %1 of the database has no column %2.").arg(table.name, column));
    }
}

// What a database lacks of our tables and indexes.
struct Missing {
    QStringList tables;  // their CREATE statements follow in `statements`
    QStringList statements;
    std::vector<const TableSchema*> uniqueIndexes;
    bool noTableAtAll = false;
    bool none() const { return statements.isEmpty() && uniqueIndexes.empty(); }
};

Missing inspect(const QSqlDatabase& db) {
    const QSet<QString> tables = objectNames(db, QStringLiteral("table"));
    const QSet<QString> indexes = objectNames(db, QStringLiteral("index"));
    Missing missing;
    missing.noTableAtAll = tables.isEmpty();
    for (const TableSchema& table : schemaTables()) {
        if (tables.contains(table.name)) {
            checkColumns(db, table);
        } else {
            missing.tables << table.name;
            missing.statements << table.createSql;
        }
        if (!indexes.contains(table.indexName.toUpper())) missing.statements << table.indexSql;
        if (!table.nameColumn.isEmpty() && !indexes.contains(uniqueNameIndexName(table).toUpper()))
            missing.uniqueIndexes.push_back(&table);
    }
    return missing;
}

// "test names: "a", "A"": the names of a table that are stored in more than one letter case.
QString caseDuplicatesOf(const QSqlDatabase& db, const TableSchema& table) {
    constexpr int kMaxNamesShown = 10;
    const QString folded = dialect::foldedName(table.nameColumn);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (SELECT %3 FROM %2 GROUP BY %3 HAVING "
                                   "COUNT(*) > 1) ORDER BY %3, %1")
                        .arg(table.nameColumn, table.name, folded)))
        throw StoreError::fromSql(query.lastError());
    QStringList names;
    while (query.next()) {
        if (names.size() == kMaxNamesShown) {
            names << QStringLiteral("...");
            break;
        }
        names << QStringLiteral("\"%1\"").arg(query.value(0).toString());
    }
    if (query.lastError().type() != QSqlError::NoError) throw StoreError::fromSql(query.lastError());
    return table.nameLabel + QStringLiteral(": ") + names.join(QStringLiteral(", "));
}

}  // namespace

SchemaOutcome ensureSchema(clsConnection& connection, const QSqlDatabase& db) {
    if (inspect(db).none()) return {};

    // All or nothing: a half-made file would later pass as a database lacking tables. What was missing is
    // read again under the write lock: another program may have made it meanwhile.
    Transaction transaction(connection);
    const Missing missing = inspect(db);
    SchemaOutcome outcome;
    outcome.createdNew = missing.noTableAtAll;
    for (const QString& sql : missing.statements) execSql(db, sql);
    for (const TableSchema* table : missing.uniqueIndexes) {
        Transaction index(connection);
        try {
            execSql(db, uniqueNameIndexSql(*table));
            index.commit();
        } catch (const StoreError& error) {
            if (!dialect::isUniqueViolation(error)) throw;
            index.rollback();
            outcome.caseDuplicates << caseDuplicatesOf(db, *table);
        }
    }
    transaction.commit();
    return outcome;
}

void checkSchema(const QSqlDatabase& db) {
    const Missing missing = inspect(db);
    if (!missing.tables.isEmpty())
        throw StoreError(StoreError::kBadSchema,
                         QStringLiteral("The database has no table %1, and it cannot be added to a database "
                                        "open read-only.")
                             .arg(missing.tables.first()));
}

}  // namespace store
