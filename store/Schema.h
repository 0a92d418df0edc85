#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

// The six tables of "R7716.mdb". Keys are AUTOINCREMENT so a deleted key is never handed out again; date
// and time values are stored as local-time text 'YYYY-MM-DD HH:MM:SS', which also sorts in time order.
namespace store {

struct TableSchema {
    QString name;
    QStringList columns;  // in the order the record classes select them, key first
    QString createSql;
    QString indexName;  // the lookup index of the table
    QString indexSql;
};

const std::vector<TableSchema>& schemaTables();

// Runs one statement that returns nothing; throws StoreError when the engine refuses it.
void execSql(const QSqlDatabase& db, const QString& sql);

// Checks the tables of an open database: a missing table (and its index) is created, all inside one
// transaction; a table that lacks one of our columns is refused with StoreError. Returns the number of
// tables created. Also fails with the engine's own error when the file is not a database at all.
int ensureSchema(const QSqlDatabase& db);

}  // namespace store
