#include "store/TestStamp.h"

#include "store/SqlDialect.h"
#include "store/clsConnection.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace store {

namespace {

// Adds every value of every row the statement gives to the hash.
void addRows(QCryptographicHash& hash, const QSqlDatabase& db, const QString& sql, const QVariant& key) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql)) throw dialect::failure(query);
    query.bindValue(0, key);
    if (!query.exec()) throw dialect::failure(query);
    while (query.next()) {
        for (int c = 0; c < query.record().count(); ++c)
            hash.addData(query.value(c).toString().toUtf8() + '\x1f');
        hash.addData("\x1e");
    }
    if (query.lastError().type() != QSqlError::NoError) throw dialect::failure(query);
}

}  // namespace

QByteArray testStamp(clsConnection& connection, const QString& name) {
    connection.reconnectIfLost();
    const QSqlDatabase db = connection.ADOConnection();
    QSqlQuery info(db);
    info.setForwardOnly(true);
    if (!info.prepare(QStringLiteral("SELECT TEST_ID FROM TEST_INFO WHERE TEST_NAME = ?")))
        throw dialect::failure(info);
    info.bindValue(0, name);
    if (!info.exec()) throw dialect::failure(info);
    if (!info.next()) return {};
    const QVariant testId = info.value(0);
    info.finish();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    addRows(hash, db, QStringLiteral("SELECT * FROM TEST_INFO WHERE TEST_ID = ?"), testId);
    addRows(hash, db, QStringLiteral("SELECT * FROM TEST_ADDITIVE WHERE TEST_ID = ? ORDER BY TESTADD_ID"),
            testId);
    addRows(hash, db,
            QStringLiteral("SELECT COUNT(*), MAX(TEST_RESULT_ID) FROM TEST_RESULT WHERE TEST_ID = ?"),
            testId);
    return hash.result();
}

}  // namespace store
