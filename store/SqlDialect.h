#pragma once

#include <QSqlDatabase>
#include <QString>

class StoreError;

// What the store asks of its database engine beyond plain SQL, in one place: moving to another engine
// means rewriting this file (and the engine's result codes in StoreError), not the record classes.
namespace store::dialect {

// Qt's driver name of the engine.
inline constexpr const char* kDriver = "QSQLITE";

// How the file is opened.
enum class Access {
    ReadWrite,
    // The file or its folder cannot be written: open without writing anything, not even the engine's
    // lock and log files, so that a viewer never leaves files behind that the owner cannot write.
    ReadOnly,
};

// Points db at the file; connect options (the wait for a lock among them) as the engine spells them.
void configure(QSqlDatabase& db, const QString& filePath, Access access, int busyTimeout_ms);

// The settings every writing connection gets once it is open (the write-ahead log, a flush at every
// commit). Returns the journal mode the engine settled on.
QString prepareForWriting(const QSqlDatabase& db);
// The journal mode of an open database as the engine reports it.
QString journalMode(const QSqlDatabase& db);

// Statements of a transaction. Begin takes the write lock at once, waiting out another writer, so that
// a check made inside the transaction still holds when its rows are written.
QString beginStatement();
QString savepointStatement(const QString& name);
QString releaseStatement(const QString& name);
QString rollbackToStatement(const QString& name);

// Whether the engine still holds a transaction open on db. Asked only after a roll-back failed: some
// failures (a full disk among them) make the engine undo the whole transaction on its own.
bool engineInTransaction(const QSqlDatabase& db);

// True when the failure is a unique index refusing a row.
bool isUniqueViolation(const StoreError& error);

// An expression that folds a name column to one letter case, for the unique index and lookups by name
// regardless of case.
QString foldedName(const QString& column);

}  // namespace store::dialect
