#include "store/clsConnection.h"

#include "common/Messenger.h"
#include "store/Schema.h"
#include "store/SqlDialect.h"
#include "store/Transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <algorithm>
#include <chrono>
#include <cmath>

clsConnection::clsConnection(Messenger* messenger)
    : messenger_(messenger),
      baseName_(QStringLiteral("clsConnection-") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
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
    // An open BeginTrans transaction is rolled back, as at any close.
    tokenTransaction_.reset();
    token_ = 0;
    open_ = false;
    transactionDepth_ = 0;
    transactionState_ = TransactionState::Normal;
    stuckReason_.clear();
    lostReason_.clear();
    lost_ = false;
    awaitingServer_ = false;
    reconnectFailed_.invalidate();
    dropSession();
}

void clsConnection::dropSession() {
    if (connectionName_.isEmpty() || !QSqlDatabase::contains(connectionName_)) return;
    {
        QSqlDatabase db = database();
        if (db.isOpen()) db.close();
    }
    // Statements prepared in this session lose their driver with it and are never run again: the record
    // objects prepare theirs anew in the next session.
    QSqlDatabase::removeDatabase(connectionName_);
}

void clsConnection::openSession(bool readOnly) {
    dropSession();
    ++sessionSerial_;
    connectionName_ = baseName_ + QStringLiteral("-%1").arg(sessionSerial_);
    QSqlDatabase db = QSqlDatabase::addDatabase(
        QString::fromLatin1(store::dialect::driverName(location_.engine)), connectionName_);
    if (!db.isValid())
        throw StoreError(StoreError::kEngine,
                         isServer() ? QStringLiteral("The PostgreSQL driver of Qt is not "
                                                     "installed (libqt6sql6-psql).")
                                    : QStringLiteral("The SQLite driver of Qt is not installed."));
    store::dialect::configure(db, location_,
                              readOnly ? store::dialect::Access::ReadOnly : store::dialect::Access::ReadWrite,
                              busyTimeout_ms_);
    if (!db.open()) throw store::dialect::openFailure(db);
}

void clsConnection::setLocation(const store::DatabaseLocation& location, bool readOnly) {
    chosenLocation_ = location;
    openReadOnly_ = readOnly;
}

bool clsConnection::isLost() const {
    return isServer() && (awaitingServer_ || (open_ && (lost_ || !database().isOpen())));
}

void clsConnection::markLost() {
    if (open_ && isServer()) lost_ = true;
}

void clsConnection::loseTransaction() {
    transactionState_ = TransactionState::Lost;
    lostReason_ = QStringLiteral(
        "The connection to the database server broke; nothing of the transaction "
        "was stored.");
}

void clsConnection::reconnectIfLost() {
    if (!isLost()) return;
    if (awaitingServer_) {
        finishAwaitedOpen();
        return;
    }
    if (transactionDepth_ > 0) {
        loseTransaction();
        throw transactionStateError();
    }
    try {
        openSession(readOnly_);
    } catch (const StoreError&) {
        reconnectFailed_.start();
        throw;
    }
    lost_ = false;
    reconnectFailed_.invalidate();
}

qint64 clsConnection::msSinceReconnectFailed() const {
    return reconnectFailed_.isValid() ? reconnectFailed_.elapsed() : -1;
}

void clsConnection::setReadingsRefused(bool refused) {
    if (refused)
        readingsRefused_.start();
    else
        readingsRefused_.invalidate();
}

qint64 clsConnection::msSinceReadingsRefused() const {
    return readingsRefused_.isValid() ? readingsRefused_.elapsed() : -1;
}

QString clsConnection::writeBarrier() const {
    const QFileInfo file(filePath_);
    // A missing file is created, which needs the folder; so do the engine's log and lock files.
    if (file.exists() && !file.isWritable()) return QString::fromLatin1(kFileWriteProtected);
    const QFileInfo folder(file.absolutePath());
    if (file.exists() && folder.isDir() && !folder.isWritable())
        return QString::fromLatin1(kFolderWriteProtected);
    return {};
}

void clsConnection::OpenDB(const QString&, const QString&, const QString&, const QString&) {
    lastError_.clear();
    closeDatabase();
    ++openSerial_;
    journalMode_.clear();
    connectionString_.clear();
    filePath_.clear();

    std::optional<store::SchemaOutcome> schema;
    try {
        location_ = chosenLocation_ ? *chosenLocation_ : store::DatabaseLocation::fromWorkingDirectory();
        if (isServer()) {
            connectionString_ = location_.text;
            readOnlyReason_ = openReadOnly_ ? QString::fromLatin1(kOpenedForReading) : QString();
        } else {
            filePath_ = location_.filePath;
            const QFileInfo file(filePath_);
            connectionString_ =
                QString::fromLatin1(kProviderPrefix) + file.absolutePath() +
                QString::fromLatin1(kFileSuffix).replace(QLatin1String(kFileName), file.fileName()) +
                QString::fromLatin1(kPersistSecurity);
            readOnlyReason_ = openReadOnly_ ? QString::fromLatin1(kOpenedForReading) : writeBarrier();
        }
        readOnly_ = !readOnlyReason_.isEmpty();
        schema = openSessionAndSchema();
        if (!schema) {
            lastError_ = QString::fromLatin1(kFailedToOpen);
            closeDatabase();
            return;
        }
    } catch (const StoreError& error) {
        // Nothing is removed: another program may be creating or using the same file at this moment. A
        // file left empty by a creation that failed is given its tables at the next open.
        closeDatabase();
        lastError_ = QString::fromLatin1(kOpenErrorSource) + error.report();
        // A server that is away (restarting at night, say) is opened by the first action once it is back.
        if (isServer() && error.number() == StoreError::kServerUnreachable) {
            awaitingServer_ = true;
            reconnectFailed_.start();
        }
        if (messenger_) messenger_->info(lastError_);
        return;
    }
    open_ = true;
    announce(*schema);
}

std::optional<store::SchemaOutcome> clsConnection::openSessionAndSchema() {
    store::SchemaOutcome schema;
    openSession(readOnly_);
    const QSqlDatabase db = database();
    if (readOnly_) {
        store::checkSchema(db);
        journalMode_ = store::dialect::journalMode(db);
    } else {
        schema = store::ensureSchema(*this, db);
        journalMode_ = store::dialect::prepareForWriting(db);
    }
    if (!db.isOpen()) return std::nullopt;
    return schema;
}

void clsConnection::finishAwaitedOpen() {
    // Cleared first: the tables are created under a transaction, which must not come back here.
    awaitingServer_ = false;
    std::optional<store::SchemaOutcome> schema;
    try {
        schema = openSessionAndSchema();
    } catch (const StoreError& error) {
        if (error.number() == StoreError::kServerUnreachable) {
            dropSession();
            awaitingServer_ = true;
            reconnectFailed_.start();
            throw;
        }
        // Reached but refused, or not our tables: closed, as an OpenDB that failed so.
        closeDatabase();
        lastError_ = QString::fromLatin1(kOpenErrorSource) + error.report();
        throw;
    }
    if (!schema) {
        closeDatabase();
        lastError_ = QString::fromLatin1(kFailedToOpen);
        throw StoreError(StoreError::kNotOpen, lastError_);
    }
    open_ = true;
    lastError_.clear();
    reconnectFailed_.invalidate();
    announce(*schema);
}

void clsConnection::announce(const store::SchemaOutcome& schema) {
    if (!messenger_) return;
    if (schema.createdNew)
        messenger_->info(QString::fromLatin1(kNewDatabaseCreated) + displayName(), {}, MsgIcon::Information);
    // Said at every start while the names last: the operator is the one who can rename them.
    if (!schema.caseDuplicates.isEmpty())
        messenger_->info(
            QString::fromLatin1(kCaseDuplicates).arg(schema.caseDuplicates.join(QStringLiteral("\r\n"))), {},
            MsgIcon::Exclamation);
}

QSqlDatabase clsConnection::ADOConnection() const {
    if (!open_)
        throw StoreError(StoreError::kNotOpen,
                         lastError_.isEmpty() ? QStringLiteral("The database is not open.")
                                              : QStringLiteral("The database is not open: ") + lastError_);
    return database();
}

QString clsConnection::ReadOnlyRefusal() const {
    return QString::fromLatin1(kReadOnlyRefusal).arg(displayName(), readOnlyReason_);
}

StoreError clsConnection::transactionStateError() const {
    if (transactionState_ == TransactionState::Stuck)
        return StoreError(StoreError::kTransactionLost,
                          QStringLiteral("A failed transaction could not be undone (%1); nothing more is "
                                         "stored until the database is opened again.")
                              .arg(stuckReason_));
    if (!lostReason_.isEmpty()) return StoreError(StoreError::kTransactionLost, lostReason_);
    return StoreError(StoreError::kTransactionLost,
                      QStringLiteral("The database undid the whole transaction after a failure inside it; "
                                     "nothing of it was stored."));
}

QSqlDatabase clsConnection::writeDatabase() const {
    const QSqlDatabase db = database();
    if (!db.isOpen()) return ADOConnection();  // raises why it is not open
    if (readOnly_) throw StoreError(StoreError::kReadOnly, ReadOnlyRefusal());
    if (transactionState_ != TransactionState::Normal) throw transactionStateError();
    return db;
}

void clsConnection::requireWritable() const {
    if (!open_) ADOConnection();  // raises why it is not open
    writeDatabase();
}

int clsConnection::BeginTrans() {
    if (InTransaction()) return 0;
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    // Integer part of a uniform draw in [0,1) times a million, plus one: 1 to 1000000.
    const int token = std::min(static_cast<int>(std::floor(uniform(random_) * 1000000.0)) + 1, 1000000);
    tokenTransaction_ = std::make_unique<store::Transaction>(*this);
    token_ = token;
    return token;
}

// Refused while a guard begun inside it is still open: guards end in the reverse order of their beginning.
bool clsConnection::CommitTrans(int token) {
    if (!tokenTransaction_ || token != token_ || transactionDepth_ != 1) return false;
    // A failed commit leaves the transaction open, so the caller may still roll it back.
    tokenTransaction_->commit();
    tokenTransaction_.reset();
    token_ = 0;
    return true;
}

bool clsConnection::RollBack(int token) {
    if (!tokenTransaction_ || token != token_ || transactionDepth_ != 1) return false;
    std::unique_ptr<store::Transaction> transaction = std::move(tokenTransaction_);
    token_ = 0;
    transaction->rollback();
    return true;
}
