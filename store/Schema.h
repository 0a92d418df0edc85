#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

class clsConnection;

// The six tables of "R7716.mdb". Keys are AUTOINCREMENT so a deleted key is never handed out again; date
// and time values are stored as local-time text 'YYYY-MM-DD HH:MM:SS', which also sorts in time order.
namespace store {

struct TableSchema {
    QString name;
    QStringList columns;  // in the order the record classes select them, key first
    QString createSql;
    QString indexName;  // the lookup index of the table
    QString indexSql;
    // The name column kept unique regardless of letter case by a unique index (empty: none), and what
    // its values are called in a message.
    QString nameColumn;
    QString nameLabel;
};

const std::vector<TableSchema>& schemaTables();
// The unique index of a table's name column (only for tables that have one).
QString uniqueNameIndexName(const TableSchema& table);
QString uniqueNameIndexSql(const TableSchema& table);

// Runs one statement that returns nothing; throws StoreError when the engine refuses it.
void execSql(const QSqlDatabase& db, const QString& sql);

// What ensureSchema found and did.
struct SchemaOutcome {
    bool createdNew = false;     // the file held no table at all and now holds the six
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
