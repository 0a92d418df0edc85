#include "store/clsConnection.h"

#include "common/Messenger.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

constexpr const char* kDriver = "QSQLITE";

// Reads one pragma's answer; throws StoreError when the engine refuses it.
QString pragma(const QSqlDatabase& db, const QString& statement) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(statement)) throw StoreError::fromSql(query.lastError());
    return query.next() ? query.value(0).toString() : QString();
}

}  // namespace

clsConnection::clsConnection(Messenger* messenger)
    : messenger_(messenger),
      connectionName_(QStringLiteral("clsConnection-") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
      random_(static_cast<std::mt19937::result_type>(
          std::chrono::system_clock::now().time_since_epoch().count())),
      link_(std::make_shared<clsConnection*>(this)) {}

clsConnection::~clsConnection() {
    *link_ = nullptr;
    closeDatabase();
}

QSqlDatabase clsConnection::database() const {
    return QSqlDatabase::database(connectionName_, false);
}

void clsConnection::closeDatabase() {
    open_ = false;
    inTransaction_ = false;
    token_ = 0;
    if (!QSqlDatabase::contains(connectionName_)) return;
    {
        QSqlDatabase db = database();
        if (db.isOpen()) db.close();  // an open transaction is rolled back, as at any close
    }
    QSqlDatabase::removeDatabase(connectionName_);
}

void clsConnection::OpenDB(const QString&, const QString&, const QString&, const QString&) {
    lastError_.clear();
    closeDatabase();
    ++openSerial_;
    journalMode_.clear();

    const QString directory = QDir::currentPath();
    connectionString_ = QString::fromLatin1(kProviderPrefix) + directory + QString::fromLatin1(kFileSuffix) +
                        QString::fromLatin1(kPersistSecurity);
    filePath_ = QDir(directory).absoluteFilePath(QString::fromLatin1(kFileName));

    const QFileInfo before(filePath_);
    const bool existed = before.exists() || before.isSymLink();
    // An empty file is what some tools leave when asked for a new database: it gets the tables and the
    // operator is told, as for a missing file.
    const bool wasEmpty = before.isFile() && before.size() == 0;
    int tablesCreated = 0;
    try {
        QSqlDatabase db = QSqlDatabase::addDatabase(QString::fromLatin1(kDriver), connectionName_);
        if (!db.isValid())
            throw StoreError(StoreError::kEngine,
                             QStringLiteral("The SQLite driver of Qt is not installed."));
        db.setDatabaseName(filePath_);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout_ms_));
        if (!db.open()) throw StoreError::fromSql(db.lastError());
        tablesCreated = store::ensureSchema(db);
        // Write-ahead log with a full flush at every commit: a committed reading survives a crash of the
        // program and a power cut, and a commit costs one flush of the log instead of the three a rollback
        // journal needs. Where the log cannot be used the engine keeps its rollback journal, which with a
        // full flush is just as safe, only slower.
        journalMode_ = pragma(db, QStringLiteral("PRAGMA journal_mode=WAL")).toLower();
        pragma(db, QStringLiteral("PRAGMA synchronous=FULL"));
        if (!db.isOpen()) {
            lastError_ = QString::fromLatin1(kFailedToOpen);
            closeDatabase();
            return;
        }
    } catch (const StoreError& error) {
        closeDatabase();
        // Nothing of ours is left behind when the file we were creating could not be made whole.
        if (!existed) {
            for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
                const QFileInfo made(filePath_ + QString::fromLatin1(suffix));
                if (made.isFile()) QFile::remove(made.filePath());
            }
        }
        lastError_ = QString::fromLatin1(kOpenErrorPrefix) + QString::number(error.number()) +
                     QStringLiteral("\r\n") + error.description();
        if (messenger_) messenger_->info(lastError_);
        return;
    }
    open_ = true;
    if ((!existed || wasEmpty) && tablesCreated > 0 && messenger_)
        messenger_->info(QString::fromLatin1(kNewDatabaseCreated) + QDir::toNativeSeparators(filePath_), {},
                         MsgIcon::Information);
}

QSqlDatabase clsConnection::ADOConnection() const {
    if (!open_)
        throw StoreError(StoreError::kNotOpen,
                         lastError_.isEmpty() ? QStringLiteral("The database is not open.")
                                              : QStringLiteral("The database is not open: ") + lastError_);
    return database();
}

int clsConnection::BeginTrans() {
    if (inTransaction_) return 0;
    const QSqlDatabase db = ADOConnection();
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    // Integer part of a uniform draw in [0,1) times a million, plus one: 1 to 1000000.
    const int token = std::min(static_cast<int>(std::floor(uniform(random_) * 1000000.0)) + 1, 1000000);
    // IMMEDIATE takes the write lock now, waiting out another writer, instead of failing at the first write.
    store::execSql(db, QStringLiteral("BEGIN IMMEDIATE"));
    inTransaction_ = true;
    token_ = token;
    return token;
}

bool clsConnection::CommitTrans(int token) {
    if (!inTransaction_ || token != token_) return false;
    // A failed commit leaves the transaction open, so the caller may still roll it back.
    store::execSql(ADOConnection(), QStringLiteral("COMMIT"));
    inTransaction_ = false;
    token_ = 0;
    return true;
}

bool clsConnection::RollBack(int token) {
    if (!inTransaction_ || token != token_) return false;
    store::execSql(ADOConnection(), QStringLiteral("ROLLBACK"));
    inTransaction_ = false;
    token_ = 0;
    return true;
}
