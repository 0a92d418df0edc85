#include "store/SqlDialect.h"

#include "store/DetailReportQuery.h"
#include "store/StoreError.h"
#include "store/clsSEQUENCE_INFO.h"
#include "store/clsTEST_INFO.h"
#include "store/clsTEST_RESULT.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>

namespace store::dialect {

namespace {

// SQLite reports its extended result codes; the low byte is the primary code.
constexpr int kSqliteConstraint = 19;
constexpr int kSqliteConstraintUnique = 2067;
// SQLite's primary codes of a lock held by another connection (the file's, or a table's in shared cache).
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqlitePrimaryCodeMask = 0xff;
// PostgreSQL's SQLSTATE of a unique index refusing a row.
constexpr int kPostgresUniqueViolation = 23505;
constexpr const char* kPostgresTransactionAborted = "25P02";
// Rows of one INSERT when many are stored at once in the file: a reading binds ten values, an older file
// engine takes 999 parameters a statement.
constexpr int kFileRowsPerInsert = 50;
// The key of the store's write lock on a server: an advisory lock held to the end of the transaction.
constexpr int kWriteLockKey = 7716;
// A station that vanishes in the middle of a transaction would hold the write lock until the server
// notices, hours later with the usual keep-alive settings: the server ends such a session after this.
constexpr const char* kIdleInTransactionTimeout = "-c idle_in_transaction_session_timeout=60000";
constexpr const char* kReadOnlySession = "-c default_transaction_read_only=on";
constexpr const char* kUnreachable = "The database server cannot be reached: %1";
constexpr const char* kRefused = "The database server refused the connection: %1";
// What libpq reports of a server that answered a connection with an error of its own ("FATAL:  password
// authentication failed ...", "... database \"lab\" does not exist"), or asked for a password that is
// nowhere to be found. A server that is starting, stopping or full also answers so, but only for a moment.
constexpr const char* kServerAnswered = "FATAL";
constexpr const char* kNoPassword = "no password supplied";
const char* const kServerBusyForAMoment[] = {"the database system is", "too many clients",
                                             "remaining connection slots"};

// Statements the server would run differently as they stand, with the text it runs instead: equal
// reading times in the order the readings were stored (SQLite reads them in that order from its index),
// tests without a time last in the newest-first list (where SQLite sorts its Nulls), sequence names in the
// order of their characters whatever the server's language settings.
struct Translation {
    const char* original;
    const char* postgres;
};
const Translation kPostgresTranslations[] = {
    // The test row stays until the reading is committed: a delete running meanwhile waits for it (and then
    // removes the reading with the test), or has removed the row before, and nothing is inserted.
    {clsTEST_RESULT::kInsertForStoredTestSql,
     "INSERT INTO TEST_RESULT (TEST_ID, RAMP_NO, RAMP_STEP_NO, RESULT_TIME, RESULT_SAMPLE_TEMP, "
     "RESULT_PRESS, RESULT_SHEAR_RATE, RESULT_SHEAR_STRESS, RESULT_TYPE_ID, RESULT_BATH_TEMP) SELECT ?, "
     "?, ?, ?, ?, ?, ?, ?, ?, ? FROM TEST_INFO WHERE TEST_ID = ? FOR KEY SHARE"},
    {clsTEST_RESULT::kSelectSql,
     "SELECT TEST_RESULT_ID, TEST_ID, RAMP_NO, RAMP_STEP_NO, RESULT_TIME, RESULT_SAMPLE_TEMP, RESULT_PRESS, "
     "RESULT_SHEAR_RATE, RESULT_SHEAR_STRESS, RESULT_TYPE_ID, RESULT_BATH_TEMP  FROM TEST_RESULT Where "
     "TEST_ID = ?  ORDER BY RESULT_TIME, TEST_RESULT_ID "},
    {clsTEST_INFO::kListSql,
     "SELECT TEST_NAME, TEST_TIME, RESEARCHER_NAME  FROM TEST_INFO  ORDER BY TEST_TIME DESC NULLS LAST"},
    {clsSEQUENCE_INFO::kNamesSql,
     "SELECT SEQUENCE_NAME  FROM SEQUENCE_INFO ORDER BY SEQUENCE_NAME COLLATE \"C\""},
    {detail_report_query::kReadingsSql,
     "SELECT TEST_RESULT_ID, TEST_ID, RAMP_NO, RAMP_STEP_NO, RESULT_TIME/60.0, RESULT_SAMPLE_TEMP, "
     "RESULT_PRESS, RESULT_SHEAR_RATE, RESULT_SHEAR_STRESS, RESULT_TYPE_ID, RESULT_BATH_TEMP, "
     "(RESULT_SHEAR_STRESS/(0.0000001+RESULT_SHEAR_RATE)*100.0) AS VISCOSITY, "
     "(RESULT_SHEAR_STRESS/5.11) AS FANNDIAL FROM TEST_RESULT WHERE TEST_ID = ? "
     "ORDER BY RAMP_NO, RAMP_STEP_NO, RESULT_TIME, TEST_RESULT_ID"},
};

// Runs one statement and returns the first column of its first row; throws StoreError when refused.
QVariant scalar(const QSqlDatabase& db, const QString& statement) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(statement)) throw failure(query);
    return query.next() ? query.value(0) : QVariant();
}

QSet<QString> firstColumn(const QSqlDatabase& db, const QString& statement, const QString& value = {}) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(statement)) throw failure(query);
    if (!value.isNull()) query.addBindValue(value);
    if (!query.exec()) throw failure(query);
    QSet<QString> names;
    while (query.next()) names.insert(query.value(0).toString().toUpper());
    if (query.lastError().type() != QSqlError::NoError) throw failure(query);
    return names;
}

bool isPostgres(const QSqlDriver* driver) {
    return driver && driver->dbmsType() == QSqlDriver::PostgreSQL;
}

// A server failure that means the connection itself is gone: the driver closed it, libpq failed without
// a result from the server (no SQLSTATE), a connection exception, or the server shutting down.
bool connectionGone(const QSqlError& error, bool driverOpen) {
    const QString code = error.nativeErrorCode();
    return !driverOpen || code.isEmpty() || code.startsWith(QLatin1String("08")) ||
           code == QLatin1String("57P01") || code == QLatin1String("57P02") || code == QLatin1String("57P03");
}

QString serverReason(const QSqlError& error) {
    QString reason = error.databaseText().simplified();
    if (reason.isEmpty()) reason = error.driverText().simplified();
    const QString code = error.nativeErrorCode();
    if (!code.isEmpty() && reason.endsWith(u'(' + code + u')')) reason.chop(code.size() + 2);
    return reason.trimmed();
}

// A connection the server itself turned down for good (a password, a role, a database, pg_hba.conf):
// trying again changes nothing until someone changes the server or the station.
bool refusedByServer(const QString& reason) {
    if (reason.contains(QLatin1String(kNoPassword))) return true;
    if (!reason.contains(QLatin1String(kServerAnswered))) return false;
    return std::none_of(std::begin(kServerBusyForAMoment), std::end(kServerBusyForAMoment),
                        [&reason](const char* busy) { return reason.contains(QLatin1String(busy)); });
}

QString withOption(const QString& options, const char* option) {
    return options.isEmpty() ? QString::fromLatin1(option) : options + u' ' + QLatin1String(option);
}

void configureFile(QSqlDatabase& db, const QString& filePath, Access access, int busyTimeout_ms) {
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

}  // namespace

const char* driverName(Engine engine) {
    return engine == Engine::Postgres ? "QPSQL" : "QSQLITE";
}

Engine engineOf(const QSqlDatabase& db) {
    return isPostgres(db.driver()) ? Engine::Postgres : Engine::Sqlite;
}

void configure(QSqlDatabase& db, const DatabaseLocation& location, Access access, int busyTimeout_ms) {
    if (location.engine == Engine::Sqlite) {
        configureFile(db, location.filePath, access, busyTimeout_ms);
        return;
    }
    DatabaseLocation session = location;
    QString options = session.parameter(QStringLiteral("options"));
    if (!options.contains(QLatin1String("idle_in_transaction_session_timeout")))
        options = withOption(options, kIdleInTransactionTimeout);
    if (access == Access::ReadOnly) options = withOption(options, kReadOnlySession);
    session.parameters.removeIf([](const auto& p) { return p.first == QLatin1String("options"); });
    session.parameters.append({QStringLiteral("options"), options});
    // Every parameter goes through the driver's options, which it hands to libpq as they are.
    db.setConnectOptions(session.connectionString());
}

QString prepareForWriting(const QSqlDatabase& db) {
    if (engineOf(db) == Engine::Postgres) return {};
    // Write-ahead log with a full flush at every commit: a committed reading survives a crash of the
    // program and a power cut, and a commit costs one flush of the log instead of the three a rollback
    // journal needs. Where the log cannot be used the engine keeps its rollback journal, which with a
    // full flush is just as safe, only slower.
    const QString mode = scalar(db, QStringLiteral("PRAGMA journal_mode=WAL")).toString().toLower();
    scalar(db, QStringLiteral("PRAGMA synchronous=FULL"));
    return mode;
}

QString journalMode(const QSqlDatabase& db) {
    if (engineOf(db) == Engine::Postgres) return {};
    return scalar(db, QStringLiteral("PRAGMA journal_mode")).toString().toLower();
}

void beginTransaction(const QSqlDatabase& db) {
    if (engineOf(db) == Engine::Sqlite) {
        scalar(db, QStringLiteral("BEGIN IMMEDIATE"));
        return;
    }
    // A server lets writers work side by side; the lock makes the store's transactions take turns, as
    // they do on the file, while single readings of live runs are stored without waiting for it.
    scalar(db, QStringLiteral("BEGIN"));
    try {
        scalar(db, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWriteLockKey));
    } catch (const StoreError&) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
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
    QSqlQuery probe(db);
    if (engineOf(db) == Engine::Sqlite) {
        // The engine refuses to begin a transaction inside another; one that begins is ended at once.
        if (!probe.exec(QStringLiteral("BEGIN"))) return true;
        probe.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    // A server undoes a transaction only when its connection is gone; otherwise the transaction is still
    // there, in a failed state when a statement in it failed.
    if (!db.isOpen()) return false;
    if (probe.exec(QStringLiteral("SELECT 1"))) return true;
    return probe.lastError().nativeErrorCode() == QLatin1String(kPostgresTransactionAborted) ||
           !connectionGone(probe.lastError(), db.isOpen());
}

bool isUniqueViolation(const StoreError& error) {
    return error.number() == kSqliteConstraintUnique || error.number() == kSqliteConstraint ||
           error.number() == kPostgresUniqueViolation;
}

bool isLockedOut(Engine engine, const StoreError& error) {
    if (engine != Engine::Sqlite || error.number() >= StoreError::kNotOpen) return false;
    const int primary = error.number() & kSqlitePrimaryCodeMask;
    return primary == kSqliteBusy || primary == kSqliteLocked;
}

int lockWait_ms(const QSqlDatabase& db) {
    if (engineOf(db) == Engine::Postgres) return -1;
    return scalar(db, QStringLiteral("PRAGMA busy_timeout")).toInt();
}

void setLockWait_ms(const QSqlDatabase& db, int wait_ms) {
    if (engineOf(db) == Engine::Postgres) return;
    scalar(db, QStringLiteral("PRAGMA busy_timeout = %1").arg(wait_ms));
}

StoreError failure(const QSqlQuery& query) {
    const QSqlError error = query.lastError();
    const QSqlDriver* driver = query.driver();
    if (isPostgres(driver) && connectionGone(error, driver->isOpen()))
        return StoreError(StoreError::kServerUnreachable,
                          QString::fromLatin1(kUnreachable).arg(serverReason(error)));
    return StoreError::fromSql(error);
}

StoreError openFailure(const QSqlDatabase& db) {
    const QSqlError error = db.lastError();
    // libpq reports a failed connection (refused, timed out, authentication) without an SQLSTATE.
    if (isPostgres(db.driver())) {
        const QString reason = serverReason(error);
        return refusedByServer(reason)
                   ? StoreError(StoreError::kServerRefused, QString::fromLatin1(kRefused).arg(reason))
                   : StoreError(StoreError::kServerUnreachable,
                                QString::fromLatin1(kUnreachable).arg(reason));
    }
    return StoreError::fromSql(error);
}

QString foldedName(const QString& column) {
    return QStringLiteral("lower(%1)").arg(column);
}

QString columnType(Engine engine, ColumnKind kind) {
    const bool server = engine == Engine::Postgres;
    switch (kind) {
        case ColumnKind::Key:
            // Readings of a whole lab outgrow 32 bits within a few years.
            return server ? QStringLiteral("BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY")
                          : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
        case ColumnKind::Key32:
            return server ? QStringLiteral("INTEGER GENERATED ALWAYS AS IDENTITY PRIMARY KEY")
                          : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
        case ColumnKind::Text:
            return QStringLiteral("TEXT");
        case ColumnKind::Number:
            return server ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL");
        case ColumnKind::DateTime:
            // The file keeps local time as text 'YYYY-MM-DD HH:MM:SS', which sorts in time order; the
            // server keeps the same local time as a date and time without zone, given and read as that
            // text, so no time zone conversion ever shifts a test's time.
            return server ? QStringLiteral("TIMESTAMP(0)") : QStringLiteral("TEXT");
    }
    return {};
}

QSet<QString> tableNames(const QSqlDatabase& db) {
    // The first read of a file: a file of another kind fails here with "file is not a database", a file
    // that another program holds locked with "database is locked".
    if (engineOf(db) == Engine::Sqlite)
        return firstColumn(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = ?"),
                           QStringLiteral("table"));
    return firstColumn(db, QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                                          "table_schema = current_schema()"));
}

QSet<QString> indexNames(const QSqlDatabase& db) {
    if (engineOf(db) == Engine::Sqlite)
        return firstColumn(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = ?"),
                           QStringLiteral("index"));
    return firstColumn(
        db, QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = current_schema()"));
}

QSet<QString> columnNames(const QSqlDatabase& db, const QString& table) {
    if (engineOf(db) == Engine::Sqlite) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table))) throw failure(query);
        QSet<QString> names;
        while (query.next()) names.insert(query.value(1).toString().toUpper());
        return names;
    }
    return firstColumn(
        db,
        QStringLiteral("SELECT column_name FROM information_schema.columns WHERE table_schema = "
                       "current_schema() AND table_name = lower(?)"),
        table);
}

QString statementText(Engine engine, const char* text) {
    if (engine == Engine::Postgres)
        for (const Translation& t : kPostgresTranslations)
            if (std::strcmp(t.original, text) == 0) return QString::fromLatin1(t.postgres);
    return QString::fromLatin1(text);
}

bool readsForwardOnly(Engine) {
    return true;
}

bool copiesRows(Engine engine) {
    return engine == Engine::Postgres;
}

int rowsPerInsert(Engine engine) {
    return engine == Engine::Postgres ? 1 : kFileRowsPerInsert;
}

namespace {

PGconn* serverConnection(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // The driver hands the libpq connection over as its struct's name ("pg_conn*") or the typedef's.
    const char* type = handle.isValid() ? handle.typeName() : nullptr;
    if (!type || (std::strcmp(type, "pg_conn*") != 0 && std::strcmp(type, "PGconn*") != 0)) return nullptr;
    return *static_cast<PGconn* const*>(handle.data());
}

// A failed copy as a failed statement reports it: the connection gone, or the server's code and text.
StoreError copyFailure(PGconn* connection, const PGresult* result) {
    const QString reason =
        QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(connection)).simplified();
    if (PQstatus(connection) != CONNECTION_OK)
        return StoreError(StoreError::kServerUnreachable, QString::fromLatin1(kUnreachable).arg(reason));
    const char* code = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return StoreError::fromSql(QSqlError(QStringLiteral("Copying rows failed"), reason,
                                         QSqlError::StatementError, QString::fromLatin1(code ? code : "")));
}

// A number as the server reads it back exactly: the shortest text that round-trips.
void appendNumber(std::string& text, double value) {
    if (std::isnan(value)) {
        text += "NaN";
    } else if (std::isinf(value)) {
        text += value > 0 ? "Infinity" : "-Infinity";
    } else {
        char digits[32];
        const auto written = std::to_chars(std::begin(digits), std::end(digits), value);
        text.append(digits, written.ptr);
    }
}

}  // namespace

void copyRows(const QSqlDatabase& db, const QString& target, int columns, std::span<const double> values) {
    PGconn* connection = serverConnection(db);
    if (!connection)
        throw StoreError(StoreError::kEngine,
                         QStringLiteral("The database driver gives no server connection to copy rows on."));
    // The connection takes one command at a time: whatever the driver left unread is done with first.
    while (PGresult* left = PQgetResult(connection)) PQclear(left);
    PGresult* result =
        PQexec(connection, (QStringLiteral("COPY %1 FROM STDIN").arg(target)).toUtf8().constData());
    if (PQresultStatus(result) != PGRES_COPY_IN) {
        const StoreError error = copyFailure(connection, result);
        PQclear(result);
        while (PGresult* left = PQgetResult(connection)) PQclear(left);
        throw error;
    }
    PQclear(result);
    // Text rows, tab between values, sent a chunk at a time.
    constexpr std::size_t kChunk = 1 << 20;
    std::string chunk;
    chunk.reserve(kChunk + 256);
    bool sent = true;
    for (std::size_t i = 0; i < values.size() && sent; ++i) {
        appendNumber(chunk, values[i]);
        chunk += (i + 1) % static_cast<std::size_t>(columns) == 0 ? '\n' : '\t';
        if (chunk.size() >= kChunk) {
            sent = PQputCopyData(connection, chunk.data(), static_cast<int>(chunk.size())) == 1;
            chunk.clear();
        }
    }
    if (sent && !chunk.empty())
        sent = PQputCopyData(connection, chunk.data(), static_cast<int>(chunk.size())) == 1;
    // Ended either way: with an error the server undoes the copy (and the transaction stays failed).
    const bool ended = PQputCopyEnd(connection, sent ? nullptr : "the rows could not be sent") == 1;
    result = ended ? PQgetResult(connection) : nullptr;
    const bool ok = sent && ended && PQresultStatus(result) == PGRES_COMMAND_OK;
    const std::optional<StoreError> error =
        ok ? std::nullopt : std::optional(copyFailure(connection, result));
    PQclear(result);
    while (PGresult* left = PQgetResult(connection)) PQclear(left);
    if (error) throw *error;
}

}  // namespace store::dialect
