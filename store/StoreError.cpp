#include "store/StoreError.h"

#include <QSqlError>

StoreError StoreError::fromSql(const QSqlError& error) {
    bool isNumber = false;
    const int code = error.nativeErrorCode().toInt(&isNumber);
    // The engine's own text says what went wrong ("file is not a database"); the driver's text only
    // says which step failed, so it is the fallback.
    QString description = error.databaseText().trimmed();
    if (description.isEmpty()) description = error.driverText().trimmed();
    if (description.isEmpty()) description = QStringLiteral("Unknown database failure");
    return StoreError(isNumber ? code : kEngine, description);
}
