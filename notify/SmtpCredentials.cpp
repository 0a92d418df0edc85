#include "notify/SmtpCredentials.h"

#include "common/SecretFile.h"
#include "common/SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {

// The server as both files may write it: scheme, host in lower case, port when given.
QString serverKey(const QString& url) {
    const QUrl u(url);
    QString key = u.scheme().toLower() + QStringLiteral("://") + u.host().toLower();
    if (u.port() > 0) key += u':' + QString::number(u.port());
    return key;
}

}  // namespace

QString SmtpCredentials::pathBeside(const QString& notifyPath) {
    return QFileInfo(notifyPath).absoluteDir().absoluteFilePath(QString::fromLatin1(kFileName));
}

SmtpCredentials SmtpCredentials::read(const QString& path) {
    SmtpCredentials c;
    c.path = QFileInfo(path).absoluteFilePath();
    const secret_file::Access access = secret_file::accessOf(c.path);
    if (access == secret_file::Access::Missing) return c;  // no logins
    if (access == secret_file::Access::Shared) {
        c.problem = QStringLiteral(
                        "%1 may be read or changed by other users than you; no password is "
                        "taken from it. Make it yours alone: chmod 600 %1")
                        .arg(c.path);
        return c;
    }
    const SettingsFile file = SettingsFile::read(c.path);
    if (!file.ok()) {
        c.problem = file.problem();
        return c;
    }
    const QStringList lines = QString::fromUtf8(file.bytes).split(u'\n');
    const QRegularExpression line(QStringLiteral("^\\s*(\\S+)\\s+(\\S+)\\s+(.*?)\\s*$"));
    for (int i = 0; i < lines.size(); ++i) {
        const QString text = lines[i].trimmed();
        if (text.isEmpty() || text.startsWith(u'#')) continue;
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch() || m.captured(3).isEmpty() || !QUrl(m.captured(1)).isValid()) {
            c.problem = QStringLiteral(
                            "%1 line %2: not \"smtp://HOST[:PORT] USER PASSWORD\"; the line is "
                            "left out.")
                            .arg(c.path)
                            .arg(i + 1);
            continue;
        }
        c.logins_.append({serverKey(m.captured(1)), Login{m.captured(2), m.captured(3)}});
    }
    return c;
}

std::optional<SmtpCredentials::Login> SmtpCredentials::loginFor(const QString& serverUrl) const {
    const QString key = serverKey(serverUrl);
    for (const auto& [server, login] : logins_)
        if (server == key) return login;
    return std::nullopt;
}
