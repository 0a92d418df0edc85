#pragma once

#include "store/DatabaseLocation.h"

#include <QSet>
#include <QSqlDatabase>
#include <QString>

#include <span>

class QSqlQuery;
class StoreError;

// What the store asks of its database engine beyond plain SQL, in one place: the embedded SQLite file and
// a PostgreSQL server differ here (automatic keys, date columns, name order, durability settings,
// transaction statements, result codes), and nowhere else; the record classes never know which engine is
// open.
namespace store::dialect {

// Qt's driver name of an engine, and the engine of an open database.
const char* driverName(Engine engine);
Engine engineOf(const QSqlDatabase& db);

// How the database is opened.
enum class Access {
    ReadWrite,
    // Nothing is written: a file or folder that cannot be written, or the source of a copy. A file is then
    // opened without writing anything, not even the engine's lock and log files, so that a viewer never
    // leaves files behind that the owner cannot write; a server session refuses every write.
    ReadOnly,
};

// Points db at the location, with the engine's connect options (the wait for a lock, the connect timeout).
void configure(QSqlDatabase& db, const DatabaseLocation& location, Access access, int busyTimeout_ms);

// The settings every writing connection gets once it is open (on the file: the write-ahead log, a flush
// at every commit). Returns the journal mode the engine settled on; empty for a server, which keeps its
// own log.
QString prepareForWriting(const QSqlDatabase& db);
// The journal mode of an open database as the engine reports it; empty for a server.
QString journalMode(const QSqlDatabase& db);

// Begins a transaction and takes the store's write lock at once, waiting out another writer, so that a
// check made inside the transaction (is this name free?) still holds when its rows are written.
void beginTransaction(const QSqlDatabase& db);
QString savepointStatement(const QString& name);
QString releaseStatement(const QString& name);
QString rollbackToStatement(const QString& name);

// Whether the engine still holds a transaction open on db. Asked only after a roll-back failed: some
// failures (a full disk among them) make the engine undo the whole transaction on its own, and a server
// whose connection is gone has undone it too.
bool engineInTransaction(const QSqlDatabase& db);

// True when the failure is a unique index refusing a row.
bool isUniqueViolation(const StoreError& error);
// True when a statement found the file locked by another connection (it may be tried again).
bool isLockedOut(Engine engine, const StoreError& error);
// The engine's own wait for a lock another connection holds, in ms: read, and set for db's session. A
// server has none to set (its lock waits are the store's own transactions, which readings do not take):
// reads -1 and ignores the setting.
int lockWait_ms(const QSqlDatabase& db);
void setLockWait_ms(const QSqlDatabase& db, int wait_ms);

// A failed statement as the program reports it: the engine's result code and text, or
// StoreError::kServerUnreachable when the connection to the server is gone.
StoreError failure(const QSqlQuery& query);
// A failed open as the program reports it: a server that answered with a lasting refusal (a password,
// a role, a database) is kServerRefused, any other failure to connect kServerUnreachable.
StoreError openFailure(const QSqlDatabase& db);

// An expression that folds a name column to one letter case, for the unique index and lookups by name
// regardless of case.
QString foldedName(const QString& column);

// Kinds of the tables' columns and how each engine declares them. Keys are assigned by the database and
// never handed out twice.
enum class ColumnKind {
    Key,    // a row's automatic key
    Key32,  // an automatic key the program holds as a 32-bit integer (the test's)
    Text,
    Number,
    DateTime,  // local date and time to the second
};
QString columnType(Engine engine, ColumnKind kind);

// Names of the tables and indexes of the database, and of the columns of one table, upper-cased.
QSet<QString> tableNames(const QSqlDatabase& db);
QSet<QString> indexNames(const QSqlDatabase& db);
QSet<QString> columnNames(const QSqlDatabase& db, const QString& table);

// The text the engine runs for one of the store's statements: the statement itself, except for the few
// the server would run differently (the order of equal values, where Nulls sort, letter case in name
// order).
QString statementText(Engine engine, const char* text);
// Whether selections are read as a stream (one row after the other) rather than fetched whole.
bool readsForwardOnly(Engine engine);

// Many rows stored at once (a test stored whole). A server copies them in one stream (COPY): one row per
// statement pays a round trip each, and the server parses the numbers of a long multi-row INSERT slowly.
// The file takes multi-row INSERTs of rowsPerInsert rows, within what every engine version takes (999
// parameters on an older one).
bool copiesRows(Engine engine);
int rowsPerInsert(Engine engine);
// Copies rows of numbers into `target` ("TABLE (COLUMN, ...)"), `columns` values a row, in order, as part
// of the transaction open on db. A failure comes out as StoreError, as a failed statement's does.
void copyRows(const QSqlDatabase& db, const QString& target, int columns, std::span<const double> values);

}  // namespace store::dialect
