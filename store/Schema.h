#pragma once

#include "store/SqlDialect.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

class clsConnection;

// The six tables, the same on both engines: the same columns in the same order, automatic keys that are
// never handed out again, and the test time as local date and time to the second (SqlDialect says how
// each engine declares them).
namespace store {

struct TableColumn {
    QString name;
    dialect::ColumnKind kind;
};

struct TableSchema {
    QString name;
    std::vector<TableColumn> columns;  // in the order the record classes select them, key first
    QString indexName;                 // the lookup index of the table
    QString indexSql;
    // The name column kept unique regardless of letter case by a unique index (empty: none), and what
    // its values are called in a message.
    QString nameColumn;
    QString nameLabel;
    // Rows are only ever added: the engine refuses to change or remove one (the record of changes).
    bool appendOnly = false;
};

const std::vector<TableSchema>& schemaTables();
// The tables of the program's own beyond the six (the run journal, the units' calibrations,
// excluded readings, acceptance criteria, the record of changes): created when missing like the six, copied
// by copy-db, and never required of a database open read-only (it then holds none of their rows).
const std::vector<TableSchema>& featureTables();
// True when the database holds the feature table (always, once a writable database has been opened).
bool hasFeatureTable(const QSqlDatabase& db, const QString& table);
// The statements that make a table refuse changes and removals of its rows, on an engine.
QStringList appendOnlySql(const TableSchema& table, Engine engine);
// The table's CREATE statement on an engine.
QString createTableSql(const TableSchema& table, Engine engine);
// The unique index of a table's name column (only for tables that have one).
QString uniqueNameIndexName(const TableSchema& table);
QString uniqueNameIndexSql(const TableSchema& table);

// Runs one statement that returns nothing; throws StoreError when the engine refuses it.
void execSql(const QSqlDatabase& db, const QString& sql);

// What ensureSchema found and did.
struct SchemaOutcome {
    bool createdNew = false;  // the file held no table at all and now holds the six (and the feature tables)
    QStringList caseDuplicates;  // one line per table whose names kept its unique index from being made
};

// Checks the tables of an open database: missing tables and indexes are created, all inside one
// transaction of the connection, after checking again under its write lock (several programs may be
// creating the same file at once); a table that lacks one of our columns is refused with StoreError.
// Names already stored in two letter cases (an older file) leave that table without its unique index
// and are reported in the outcome. Also fails with the engine's own error when the file is not a
// database at all.
SchemaOutcome ensureSchema(clsConnection& connection, const QSqlDatabase& db);
// The same checks for a database that can only be read: a missing table is refused with StoreError.
void checkSchema(const QSqlDatabase& db);

}  // namespace store
