#include "store/Schema.h"

#include "store/RunJournal.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/Transaction.h"
#include "store/UnitCalibrations.h"
#include "store/UnitStatusStore.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace store {

const std::vector<TableSchema>& schemaTables() {
    using K = dialect::ColumnKind;
    static const std::vector<TableSchema> tables{
        {"TEST_INFO",
         {{"TEST_ID", K::Key32},
          {"TEST_NAME", K::Text},
          {"FLUID_ID", K::Text},
          {"TEST_TIME", K::DateTime},
          {"RESEARCHER_NAME", K::Text},
          {"ROTOR_NO", K::Text},
          {"BOB_NO", K::Text},
          {"BOB_RADIUS", K::Number},
          {"BOB_EFF_LENGTH", K::Number},
          {"PRETEST_PH", K::Number},
          {"POSTTEST_PH", K::Number},
          {"SAFETY", K::Text}},
         "TEST_INFO_BY_NAME",
         "CREATE INDEX TEST_INFO_BY_NAME ON TEST_INFO (TEST_NAME)",
         "TEST_NAME",
         "test names"},
        {"TEST_RESULT",
         {{"TEST_RESULT_ID", K::Key},
          {"TEST_ID", K::Number},
          {"RAMP_NO", K::Number},
          {"RAMP_STEP_NO", K::Number},
          {"RESULT_TIME", K::Number},
          {"RESULT_SAMPLE_TEMP", K::Number},
          {"RESULT_PRESS", K::Number},
          {"RESULT_SHEAR_RATE", K::Number},
          {"RESULT_SHEAR_STRESS", K::Number},
          {"RESULT_TYPE_ID", K::Number},
          {"RESULT_BATH_TEMP", K::Number}},
         // Readings are always read per test in time order; equal times come back in insertion order.
         "TEST_RESULT_BY_TEST",
         "CREATE INDEX TEST_RESULT_BY_TEST ON TEST_RESULT (TEST_ID, RESULT_TIME)",
         {},
         {}},
        {"TEST_ADDITIVE",
         {{"TESTADD_ID", K::Key},
          {"TEST_ID", K::Number},
          {"ADDITIVE_NM", K::Text},
          {"ADD_CONCEN", K::Number},
          {"ADD_UNIT", K::Text},
          {"ADD_LOTNO", K::Text}},
         "TEST_ADDITIVE_BY_TEST",
         "CREATE INDEX TEST_ADDITIVE_BY_TEST ON TEST_ADDITIVE (TEST_ID)",
         {},
         {}},
        {"SEQUENCE_INFO",
         {{"SEQUENCE_ID", K::Key},
          {"SEQUENCE_NAME", K::Text},
          {"TIME_BEFORE_READ", K::Number},
          {"RAMP_SAMPLE_RATE", K::Number},
          {"SAMPLE_POINTS_AVERAGE", K::Number},
          {"SHUT_DOWN_ATIME", K::Number},
          {"SHUT_DOWN_VISC", K::Number},
          {"SAMPLE_INTERVAL", K::Number}},
         "SEQUENCE_INFO_BY_NAME",
         "CREATE INDEX SEQUENCE_INFO_BY_NAME ON SEQUENCE_INFO (SEQUENCE_NAME)",
         "SEQUENCE_NAME",
         "sequence names"},
        {"SEQUENCE_RAMP",
         {{"SEQUENCE_RAMP_ID", K::Key},
          {"SEQUENCE_ID", K::Number},
          {"RAMP_NO", K::Number},
          {"RAMP_ELAPSE_TIME", K::Number},
          {"RAMP_TEMP", K::Number},
          {"RAMP_START_ERROR", K::Number},
          {"SHEAR_RATE", K::Number},
          {"RUN_RAMP", K::Number}},
         "SEQUENCE_RAMP_BY_SEQUENCE",
         "CREATE INDEX SEQUENCE_RAMP_BY_SEQUENCE ON SEQUENCE_RAMP (SEQUENCE_ID, RAMP_NO)",
         {},
         {}},
        {"SEQUENCE_RAMP_DEFINE",
         {{"SEQUENCE_DEF_ID", K::Key},
          {"SEQUENCE_ID", K::Number},
          {"RAMP_STEP_NO", K::Number},
          {"RAMP_SHEAR_RATE", K::Number}},
         "SEQUENCE_RAMP_DEFINE_BY_SEQUENCE",
         "CREATE INDEX SEQUENCE_RAMP_DEFINE_BY_SEQUENCE ON SEQUENCE_RAMP_DEFINE (SEQUENCE_ID, RAMP_STEP_NO)",
         {},
         {}},
    };
    return tables;
}

const std::vector<TableSchema>& featureTables() {
    using K = dialect::ColumnKind;
    // A criterion's columns, after its owner's key: its place in the list, the shear rate (1/s), minimum
    // or maximum, the limit (cP), the duration (min), the least sample temperature (degF; Null for none)
    // and whose viscosity it judges.
    const auto criterion = [](const char* key, const char* owner) {
        return std::vector<TableColumn>{{key, K::Key},
                                        {owner, K::Number},
                                        {"CRITERION_NO", K::Number},
                                        {"SHEAR_RATE", K::Number},
                                        {"LIMIT_KIND", K::Number},
                                        {"LIMIT_CP", K::Number},
                                        {"DURATION_MIN", K::Number},
                                        {"MIN_TEMP_F", K::Number},
                                        {"VISCOSITY_SOURCE", K::Number}};
    };
    static const std::vector<TableSchema> tables{
        run_journal::table(),
        unit_status::table(),
        unit_calibration::table(),
        {"TEST_EXCLUSION",
         {{"EXCLUSION_ID", K::Key},
          {"TEST_ID", K::Number},
          {"TEST_RESULT_ID", K::Number},
          {"REASON", K::Text},
          {"USER_NAME", K::Text},
          {"EXCLUDED_TIME", K::DateTime}},
         "TEST_EXCLUSION_BY_TEST",
         "CREATE INDEX TEST_EXCLUSION_BY_TEST ON TEST_EXCLUSION (TEST_ID, TEST_RESULT_ID)",
         {},
         {}},
        {"TEST_CRITERION",
         criterion("CRITERION_ID", "TEST_ID"),
         "TEST_CRITERION_BY_TEST",
         "CREATE INDEX TEST_CRITERION_BY_TEST ON TEST_CRITERION (TEST_ID, CRITERION_NO)",
         {},
         {}},
        {"SEQUENCE_CRITERION",
         criterion("CRITERION_ID", "SEQUENCE_ID"),
         "SEQUENCE_CRITERION_BY_SEQUENCE",
         "CREATE INDEX SEQUENCE_CRITERION_BY_SEQUENCE ON SEQUENCE_CRITERION (SEQUENCE_ID, CRITERION_NO)",
         {},
         {}},
        // The record of changes names the test as well as its key: its rows outlive a deleted test.
        {"TEST_AUDIT",
         {{"AUDIT_ID", K::Key},
          {"TEST_ID", K::Number},
          {"TEST_NAME", K::Text},
          {"AUDIT_TIME", K::DateTime},
          {"USER_NAME", K::Text},
          {"STATION", K::Text},
          {"WHAT", K::Text},
          {"OLD_VALUE", K::Text},
          {"NEW_VALUE", K::Text}},
         "TEST_AUDIT_BY_TEST",
         "CREATE INDEX TEST_AUDIT_BY_TEST ON TEST_AUDIT (TEST_ID, AUDIT_ID)",
         {},
         {},
         true},
    };
    return tables;
}

bool hasFeatureTable(const QSqlDatabase& db, const QString& table) {
    return dialect::tableNames(db).contains(table.toUpper());
}

QStringList appendOnlySql(const TableSchema& table, Engine engine) {
    static const QString kRefusal = QStringLiteral("The rows of %1 can only be added to, never changed.");
    const QString refusal = kRefusal.arg(table.name);
    if (engine == Engine::Sqlite) {
        QStringList statements;
        for (const char* event : {"UPDATE", "DELETE"})
            statements << QStringLiteral(
                              "CREATE TRIGGER %1_NO_%2 BEFORE %2 ON %1 BEGIN SELECT RAISE(ABORT, "
                              "'%3'); END")
                              .arg(table.name, QLatin1String(event), refusal);
        return statements;
    }
    // The trigger holds for every role, the owner included; the revoke makes the owner's own session
    // refuse as well, before any trigger runs. Only whoever may alter the table can undo either.
    const QString function = table.name.toLower() + QStringLiteral("_append_only");
    return {
        QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                       "RAISE EXCEPTION '%2'; END $$")
            .arg(function, refusal),
        QStringLiteral("CREATE TRIGGER %1_APPEND_ONLY BEFORE UPDATE OR DELETE OR TRUNCATE ON %1 FOR EACH "
                       "STATEMENT EXECUTE PROCEDURE %2()")
            .arg(table.name, function),
        QStringLiteral("REVOKE UPDATE, DELETE, TRUNCATE ON %1 FROM PUBLIC, CURRENT_USER").arg(table.name)};
}

QString createTableSql(const TableSchema& table, Engine engine) {
    QStringList columns;
    for (const TableColumn& column : table.columns)
        columns << column.name + u' ' + dialect::columnType(engine, column.kind);
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(table.name, columns.join(QStringLiteral(", ")));
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
    if (!query.exec(sql)) throw dialect::failure(query);
}

namespace {

void checkColumns(const QSqlDatabase& db, const TableSchema& table) {
    const QSet<QString> present = dialect::columnNames(db, table.name);
    for (const TableColumn& column : table.columns) {
        if (!present.contains(column.name))
            throw StoreError(StoreError::kBadSchema,
                             QStringLiteral("The table %1 of the database has no column %2.")
                                 .arg(table.name, column.name));
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
    const QSet<QString> tables = dialect::tableNames(db);
    const QSet<QString> indexes = dialect::indexNames(db);
    const Engine engine = dialect::engineOf(db);
    Missing missing;
    missing.noTableAtAll = tables.isEmpty();
    std::vector<std::pair<const TableSchema*, bool>> all;  // a table, and whether it is one of the six
    for (const TableSchema& table : schemaTables()) all.push_back({&table, true});
    for (const TableSchema& table : featureTables()) all.push_back({&table, false});
    for (const auto& [each, designed] : all) {
        const TableSchema& table = *each;
        if (tables.contains(table.name)) {
            checkColumns(db, table);
        } else {
            if (designed) missing.tables << table.name;
            missing.statements << createTableSql(table, engine);
            if (table.appendOnly) missing.statements << appendOnlySql(table, engine);
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
        throw dialect::failure(query);
    QStringList names;
    while (query.next()) {
        if (names.size() == kMaxNamesShown) {
            names << QStringLiteral("...");
            break;
        }
        names << QStringLiteral("\"%1\"").arg(query.value(0).toString());
    }
    if (query.lastError().type() != QSqlError::NoError) throw dialect::failure(query);
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
