#include "store/Transaction.h"

#include "store/Schema.h"
#include "store/SqlDialect.h"
#include "store/clsConnection.h"

#include <QSqlError>
#include <QSqlQuery>

namespace store {

Transaction::Transaction(clsConnection& connection)
    : connection_(connection), level_(connection.transactionDepth_), openSerial_(connection.openSerial_) {
    const QSqlDatabase db = connection_.writeDatabase();
    execSql(db, level_ == 0 ? dialect::beginStatement() : dialect::savepointStatement(savepointName()));
    ++connection_.transactionDepth_;
    open_ = true;
}

Transaction::~Transaction() {
    // The problem of a failed undo is kept by the connection, which refuses writes from then on; a
    // destructor has no caller to tell.
    if (open_) undo();
}

bool Transaction::belongsToOpenConnection() const {
    return connection_.openSerial_ == openSerial_ && connection_.database().isOpen();
}

QString Transaction::savepointName() const {
    return QStringLiteral("r7716_level_%1").arg(level_);
}

void Transaction::end() {
    open_ = false;
    if (!belongsToOpenConnection()) return;
    connection_.transactionDepth_ = level_;
    // With no transaction left, the engine is back to committing each statement on its own.
    if (level_ == 0 && connection_.transactionState_ == clsConnection::TransactionState::Lost)
        connection_.transactionState_ = clsConnection::TransactionState::Normal;
}

void Transaction::commit() {
    if (!open_) throw StoreError(StoreError::kEngine, QStringLiteral("The transaction has ended already."));
    if (!belongsToOpenConnection()) {
        open_ = false;
        throw StoreError(StoreError::kNotOpen,
                         QStringLiteral("The database of this transaction is no longer open."));
    }
    if (connection_.transactionDepth_ != level_ + 1)
        throw StoreError(StoreError::kEngine,
                         QStringLiteral("A transaction begun inside this one is still open."));
    if (connection_.transactionState_ != clsConnection::TransactionState::Normal) {
        const StoreError refused = connection_.transactionStateError();
        undo();
        throw refused;
    }
    // A failed commit leaves the guard open: leaving its scope undoes the work.
    execSql(connection_.database(),
            level_ == 0 ? QStringLiteral("COMMIT") : dialect::releaseStatement(savepointName()));
    end();
}

void Transaction::rollback() {
    if (!open_) return;
    const QString problem = undo();
    if (!problem.isEmpty()) throw connection_.transactionStateError();
}

QString Transaction::undo() {
    if (!belongsToOpenConnection()) {
        open_ = false;
        return {};
    }
    // Guards nested in this one that are still open end with it.
    if (connection_.transactionState_ == clsConnection::TransactionState::Normal) {
        const QSqlDatabase db = connection_.database();
        QSqlQuery query(db);
        const bool undone = level_ == 0 ? query.exec(QStringLiteral("ROLLBACK"))
                                        : query.exec(dialect::rollbackToStatement(savepointName())) &&
                                              query.exec(dialect::releaseStatement(savepointName()));
        if (!undone) {
            const QString reason = query.lastError().databaseText();
            if (dialect::engineInTransaction(db)) {
                // Neither undone nor gone: what the engine holds is unknown, so nothing more is written
                // until the database is opened again.
                connection_.transactionState_ = clsConnection::TransactionState::Stuck;
                connection_.stuckReason_ = reason;
                end();
                return reason;
            }
            // The engine had undone the whole transaction itself; the enclosing guards have nothing left.
            if (level_ > 0) connection_.transactionState_ = clsConnection::TransactionState::Lost;
        }
    }
    end();
    return {};
}

}  // namespace store
