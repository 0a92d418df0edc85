#include "store/Transaction.h"

#include "store/Schema.h"
#include "store/SqlDialect.h"
#include "store/clsConnection.h"

#include <QSqlError>
#include <QSqlQuery>

namespace store {

Transaction::Transaction(clsConnection& connection)
    : connection_(connection), level_(connection.transactionDepth_), openSerial_(connection.openSerial_) {
    if (level_ > 0) {
        execSql(connection_.writeDatabase(), dialect::savepointStatement(savepointName()));
    } else {
        try {
            begin();
        } catch (const StoreError& error) {
            // A server connection found broken as the transaction begins is made again: nothing was
            // sent in it yet.
            if (error.number() != StoreError::kServerUnreachable) throw;
            connection_.markLost();
            begin();
        }
    }
    ++connection_.transactionDepth_;
    open_ = true;
}

void Transaction::begin() {
    connection_.reconnectIfLost();
    dialect::beginTransaction(connection_.writeDatabase());
}

Transaction::~Transaction() {
    // The problem of a failed undo is kept by the connection, which refuses writes from then on; a
    // destructor has no caller to tell.
    if (open_) undo();
}

bool Transaction::belongsToOpenConnection() const {
    // A broken server connection still belongs to this open: its session ends only when the database is
    // closed or opened again.
    return connection_.openSerial_ == openSerial_ && QSqlDatabase::contains(connection_.connectionName_);
}

QString Transaction::savepointName() const {
    return QStringLiteral("r7716_level_%1").arg(level_);
}

void Transaction::end() {
    open_ = false;
    if (!belongsToOpenConnection()) return;
    connection_.transactionDepth_ = level_;
    // With no transaction left, the engine is back to committing each statement on its own.
    if (level_ == 0 && connection_.transactionState_ == clsConnection::TransactionState::Lost) {
        connection_.transactionState_ = clsConnection::TransactionState::Normal;
        connection_.lostReason_.clear();
    }
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
    if (connection_.isLost()) connection_.loseTransaction();
    if (connection_.transactionState_ != clsConnection::TransactionState::Normal) {
        const StoreError refused = connection_.transactionStateError();
        undo();
        throw refused;
    }
    // A failed commit leaves the guard open: leaving its scope undoes the work.
    try {
        execSql(connection_.database(),
                level_ == 0 ? QStringLiteral("COMMIT") : dialect::releaseStatement(savepointName()));
    } catch (const StoreError& error) {
        if (error.number() == StoreError::kServerUnreachable) connection_.markLost();
        throw;
    }
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
    if (connection_.isLost()) {
        // The server undid the whole transaction when the connection broke.
        connection_.loseTransaction();
        end();
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
