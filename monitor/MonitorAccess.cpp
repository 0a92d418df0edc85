#include "monitor/MonitorAccess.h"

#include "common/SecretFile.h"
#include "common/SettingsFile.h"

#include <QCryptographicHash>
#include <QList>
#include <QRandomGenerator>

namespace monitor {

namespace {

// Compares without stopping at the first difference, so the time of a refusal says nothing of the token.
bool sameBytes(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

QByteArray cookieOf(const QByteArray& header) {
    for (const QByteArray& part : header.split(';')) {
        const QByteArray pair = part.trimmed();
        if (pair.startsWith(kCookieName + '=')) return pair.mid(kCookieName.size() + 1);
    }
    return {};
}

}  // namespace

QString ListenAddress::text() const {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

bool ListenAddress::isEveryAddress() const {
    return address == QHostAddress(QHostAddress::AnyIPv4) || address == QHostAddress(QHostAddress::AnyIPv6) ||
           address == QHostAddress(QHostAddress::Any);
}

QString ListenAddress::url(const QString& hostName) const {
    if (!isEveryAddress()) return QStringLiteral("http://%1/").arg(text());
    return QStringLiteral("http://%1:%2/").arg(hostName).arg(port);
}

std::optional<ListenAddress> parseListen(const QString& text, QString* problem) {
    const qsizetype colon = text.lastIndexOf(u':');
    const auto refuse = [&](const QString& why) -> std::optional<ListenAddress> {
        if (problem) *problem = why;
        return std::nullopt;
    };
    if (colon <= 0) return refuse(QStringLiteral("--listen takes ADDRESS:PORT (e.g. 0.0.0.0:8716)."));
    QString host = text.left(colon);
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    // Port 0: any free port (the address printed at the start names it).
    if (!ok || port > 65535)
        return refuse(QStringLiteral("--listen: the port must be a number from 0 to 65535."));
    if (host.startsWith(u'[') && host.endsWith(u']')) host = host.mid(1, host.size() - 2);
    ListenAddress listen;
    listen.port = static_cast<quint16>(port);
    if (host == QLatin1String("localhost")) {
        listen.address = QHostAddress(QHostAddress::LocalHost);
    } else if (!listen.address.setAddress(host)) {
        return refuse(QStringLiteral("--listen: \"%1\" is not an IP address.").arg(host.left(40)));
    }
    return listen;
}

std::optional<QByteArray> readTokenFile(const QString& path, QString* problem) {
    const SettingsFile file = SettingsFile::read(path);
    const auto refuse = [&](const QString& why) -> std::optional<QByteArray> {
        if (problem) *problem = why;
        return std::nullopt;
    };
    if (!file.ok()) return refuse(file.problem());
    if (secret_file::accessOf(file.path) != secret_file::Access::Private)
        return refuse(QStringLiteral("%1 may be read or changed by other users than you; the token is not "
                                     "taken from it. Make it yours alone: chmod 600 %1")
                          .arg(file.path));
    const QByteArray token = file.bytes.split('\n').value(0).trimmed();
    if (token.size() < kMinTokenLength)
        return refuse(QStringLiteral("%1: the token must be at least %2 characters long on the file's first "
                                     "line (e.g. made with: openssl rand -hex 32).")
                          .arg(file.path)
                          .arg(kMinTokenLength));
    return token;
}

QByteArray randomToken() {
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    return bytes.toHex();
}

Access::Access(QByteArray token) : token_(std::move(token)) {
    cookie_ =
        QCryptographicHash::hash("r7716 lab monitor cookie\n" + token_, QCryptographicHash::Sha256).toHex();
}

bool Access::tokenMatches(const QByteArray& offered) const {
    return !token_.isEmpty() && sameBytes(offered, token_);
}

bool Access::admits(const QByteArray& authorization, const QByteArray& cookie) const {
    if (!required()) return true;
    static const QByteArray kBearer = "Bearer ";
    if (authorization.startsWith(kBearer) && tokenMatches(authorization.mid(kBearer.size()).trimmed()))
        return true;
    const QByteArray shown = cookieOf(cookie);
    return !shown.isEmpty() && sameBytes(shown, cookie_);
}

}  // namespace monitor
