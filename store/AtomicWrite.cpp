#include "store/AtomicWrite.h"

#include "store/Schema.h"
#include "store/clsConnection.h"

#include <QSqlQuery>

namespace store {

namespace {
const QString kSavepoint = QStringLiteral("store_atomic_write");
}

AtomicWrite::AtomicWrite(clsConnection& connection)
    : db_(connection.ADOConnection()), savepoint_(connection.InTransaction()) {
    execSql(db_, savepoint_ ? QStringLiteral("SAVEPOINT ") + kSavepoint : QStringLiteral("BEGIN IMMEDIATE"));
}

AtomicWrite::~AtomicWrite() {
    if (done_) return;
    // Errors are ignored here: the engine may already have rolled back on its own (a full disk does).
    QSqlQuery query(db_);
    if (savepoint_) {
        query.exec(QStringLiteral("ROLLBACK TO ") + kSavepoint);
        query.exec(QStringLiteral("RELEASE ") + kSavepoint);
    } else {
        query.exec(QStringLiteral("ROLLBACK"));
    }
}

void AtomicWrite::commit() {
    execSql(db_, savepoint_ ? QStringLiteral("RELEASE ") + kSavepoint : QStringLiteral("COMMIT"));
    done_ = true;
}

}  // namespace store
