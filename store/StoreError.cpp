#include "store/StoreError.h"

#include "common/VbFormat.h"

#include <QSqlError>

StoreError StoreError::fromSql(const QSqlError& error) {
    const QString nativeCode = error.nativeErrorCode();
    bool isNumber = false;
    const int code = nativeCode.toInt(&isNumber);
    // The engine's own text says what went wrong ("file is not a database"); the driver's text only
    // says which step failed, so it is the fallback.
    QString description = error.databaseText().trimmed();
    // The PostgreSQL driver appends the SQLSTATE in parentheses; it is the number, or named once below.
    const QString codeSuffix = u'(' + nativeCode + u')';
    if (!nativeCode.isEmpty() && description.endsWith(codeSuffix))
        description = description.chopped(codeSuffix.size()).trimmed();
    if (description.isEmpty()) description = error.driverText().trimmed();
    if (description.isEmpty()) description = QStringLiteral("Unknown database failure");
    if (!isNumber && !nativeCode.isEmpty()) description += QStringLiteral(" (SQLSTATE %1)").arg(nativeCode);
    return StoreError(isNumber ? code : kEngine, description);
}

QString StoreError::describe(const std::exception& error) {
    if (const auto* store = dynamic_cast<const StoreError*>(&error)) return store->report();
    return QString::fromLocal8Bit(error.what());
}

QString StoreError::report() const {
    return QStringLiteral("Error #: ") + vb::Format(number_, QStringLiteral("0")) + QStringLiteral("\r\n") +
           description_;
}

StoreError StoreError::withNote(const QString& note) const {
    return StoreError(number_, description_ + QStringLiteral("\n") + note);
}

StoreError StoreError::nameTaken(const QString& what, const QString& name) {
    return StoreError(
        kNameTaken,
        QStringLiteral("A %1 named \"%2\" is stored already; nothing was stored.").arg(what, name));
}
