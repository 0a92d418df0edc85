#include "store/SqlDialect.h"

#include "store/StoreError.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace store::dialect {

namespace {

// The driver reports the engine's extended result codes; the low byte is the primary code.
constexpr int kSqliteConstraint = 19;
constexpr int kSqliteConstraintUnique = 2067;

// Reads one pragma's answer; throws StoreError when the engine refuses it.
QString pragma(const QSqlDatabase& db, const QString& statement) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(statement)) throw StoreError::fromSql(query.lastError());
    return query.next() ? query.value(0).toString() : QString();
}

}  // namespace

void configure(QSqlDatabase& db, const QString& filePath, Access access, int busyTimeout_ms) {
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout_ms);
    if (access == Access::ReadWrite) {
        db.setDatabaseName(filePath);
        db.setConnectOptions(options);
        return;
    }
    // Without a log beside it, everything committed is in the file itself: the engine may then read it as
    // unchanging, creating no lock or log file at all (it could create none in a write-protected folder
    // anyway). With a log present a writer is (or was) at work: read through the engine's locks and the
    // log's shared-memory file, which already exists, so nothing new is left behind.
    const bool logPresent = QFileInfo::exists(filePath + QStringLiteral("-wal")) ||
                            QFileInfo::exists(filePath + QStringLiteral("-journal"));
    QUrl url = QUrl::fromLocalFile(filePath);
    url.setQuery(logPresent ? QStringLiteral("mode=ro") : QStringLiteral("immutable=1"));
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    options += QStringLiteral(";QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
}

QString prepareForWriting(const QSqlDatabase& db) {
    // Write-ahead log with a full flush at every commit: a committed reading survives a crash of the
    // program and a power cut, and a commit costs one flush of the log instead of the three a rollback
    // journal needs. Where the log cannot be used the engine keeps its rollback journal, which with a
    // full flush is just as safe, only slower.
    const QString mode = pragma(db, QStringLiteral("PRAGMA journal_mode=WAL")).toLower();
    pragma(db, QStringLiteral("PRAGMA synchronous=FULL"));
    return mode;
}

QString journalMode(const QSqlDatabase& db) {
    return pragma(db, QStringLiteral("PRAGMA journal_mode")).toLower();
}

QString beginStatement() {
    return QStringLiteral("BEGIN IMMEDIATE");
}

QString savepointStatement(const QString& name) {
    return QStringLiteral("SAVEPOINT ") + name;
}

QString releaseStatement(const QString& name) {
    return QStringLiteral("RELEASE ") + name;
}

QString rollbackToStatement(const QString& name) {
    return QStringLiteral("ROLLBACK TO ") + name;
}

bool engineInTransaction(const QSqlDatabase& db) {
    // The engine refuses to begin a transaction inside another; one that begins is ended at once.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("BEGIN"))) return true;
    probe.exec(QStringLiteral("ROLLBACK"));
    return false;
}

bool isUniqueViolation(const StoreError& error) {
    return error.number() == kSqliteConstraintUnique || error.number() == kSqliteConstraint;
}

QString foldedName(const QString& column) {
    return QStringLiteral("lower(%1)").arg(column);
}

}  // namespace store::dialect
