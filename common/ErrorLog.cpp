#include "common/ErrorLog.h"

#include "common/Messenger.h"
#include "common/VbFormat.h"

#include <QDir>
#include <QFile>

QString ErrorLogLine(const QDateTime& when, const QString& cause) {
    return vb::PadToNextPrintZone(QStringLiteral("Time: ") + vb::GeneralDate(when)) +
           QStringLiteral("Cause: ") + cause;
}

bool LogError(const QString& cause, Messenger& messenger) {
    return LogError(cause, messenger, QDateTime::currentDateTime());
}

bool LogError(const QString& cause, Messenger& messenger, const QDateTime& when) {
    const QString line = ErrorLogLine(when, cause);
    const QByteArray bytes = (line + QStringLiteral("\r\n")).toUtf8();
    QFile file(QString::fromLatin1(kErrorLogFileName));
    QString reason;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        reason = file.errorString();
    } else if (file.write(bytes) != bytes.size() || !file.flush()) {
        reason = file.errorString();
    }
    file.close();
    if (reason.isEmpty()) return true;

    // The entry itself goes into the message so that nothing the unit window reported is lost.
    messenger.info(
        QStringLiteral("The error log %1 could not be written: %2.\n\nThis entry was not logged:\n%3")
            .arg(QDir::current().absoluteFilePath(QString::fromLatin1(kErrorLogFileName)), reason, line),
        QStringLiteral("Error Log"), MsgIcon::Exclamation);
    return false;
}
