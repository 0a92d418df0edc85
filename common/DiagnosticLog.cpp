#include "common/DiagnosticLog.h"

#include <QDir>
#include <QFile>

DiagnosticLog::DiagnosticLog(const QString& dir)
    : path_(
          QDir(dir.isEmpty() ? QDir::currentPath() : dir).absoluteFilePath(QString::fromLatin1(kFileName))) {}

QString DiagnosticLog::line(const QDateTime& when, const QString& where, const QString& what) {
    QString text = what;
    // One failure, one line, whatever the failure's own text holds.
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    return when.toString(Qt::ISODateWithMs) + u'\t' + where + u'\t' + text;
}

bool DiagnosticLog::append(const QString& where, const QString& what) {
    return append(QDateTime::currentDateTime(), where, what);
}

bool DiagnosticLog::append(const QDateTime& when, const QString& where, const QString& what) {
    const QByteArray bytes = (line(when, where, what) + QStringLiteral("\n")).toUtf8();
    QFile file(path_);
    lastError_.clear();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size() ||
        !file.flush())
        lastError_ = file.errorString();
    return lastError_.isEmpty();
}
