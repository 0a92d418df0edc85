#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <optional>

// Who may read the lab monitor: where it listens, and the token a browser or a script must show when it
// listens beyond this machine. The token is never printed or logged; a browser shows it once (the login
// form) and keeps a cookie derived from it, a script sends it as "Authorization: Bearer <token>".
namespace monitor {

inline constexpr quint16 kDefaultPort = 8716;
inline const QString kDefaultListen = QStringLiteral("127.0.0.1:8716");
// A token shorter than this is too easy to guess.
inline constexpr int kMinTokenLength = 16;
inline const QByteArray kCookieName = "r7716_monitor";

struct ListenAddress {
    QHostAddress address;
    quint16 port = kDefaultPort;
    bool isLoopback() const { return address.isLoopback(); }
    // 0.0.0.0 or [::]: every address of this machine.
    bool isEveryAddress() const;
    // "127.0.0.1:8716", "[::1]:8716"
    QString text() const;
    // What a browser opens: "http://127.0.0.1:8716/"; on every address, this machine's host name in place
    // of 0.0.0.0, which no browser elsewhere can open.
    QString url(const QString& hostName) const;
};

// "ADDRESS:PORT", "[IPv6]:PORT" or "localhost:PORT"; nothing (problem says why) for anything else.
std::optional<ListenAddress> parseListen(const QString& text, QString* problem);

// The token of a token file: its first line without blanks around it. Nothing (problem says why, never
// quoting the file) when the file cannot be read, is larger than a settings file, others than the user
// may read or change it, or its token is short.
std::optional<QByteArray> readTokenFile(const QString& path, QString* problem);

// A fresh random token, as a token file should hold (32 bytes, hex).
QByteArray randomToken();

class Access {
  public:
    // No token: everyone who reaches the address may read (only allowed on a loopback address).
    Access() = default;
    explicit Access(QByteArray token);

    bool required() const { return !token_.isEmpty(); }
    // True for a request that may read: no token required, or it shows the token as a bearer or the
    // cookie that the login gave. headers: the request's Authorization and Cookie values.
    bool admits(const QByteArray& authorization, const QByteArray& cookie) const;
    // True when the login form's value is the token.
    bool tokenMatches(const QByteArray& offered) const;
    // The cookie value a login sets: derived from the token, so the cookie never holds the token itself.
    QByteArray cookieValue() const { return cookie_; }

  private:
    QByteArray token_;
    QByteArray cookie_;
};

}  // namespace monitor
