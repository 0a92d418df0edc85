#include "store/DatabaseLocation.h"

#include "common/PrintableText.h"
#include "common/SettingsFile.h"
#include "store/StoreError.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace store {

namespace {

constexpr const char* kPasswordRefused =
    "A password does not belong in the database's address: put it in ~/.pgpass (or the file PGPASSFILE "
    "names), where the database library finds it.";

// A piece of an address in a message: the address may come from a file that is not what it should be.
QString shown(const QString& text) {
    return printable_text::excerpt(text);
}

[[noreturn]] void refuse(const QString& problem) {
    throw StoreError(StoreError::kBadLocation, problem);
}

QString decoded(const QString& text) {
    return QUrl::fromPercentEncoding(text.toUtf8());
}

void set(QList<std::pair<QString, QString>>& parameters, const QString& keyword, const QString& value) {
    for (auto& [k, v] : parameters)
        if (k == keyword) {
            v = value;
            return;
        }
    parameters.append({keyword, value});
}

// "user@host1:5432,host2/dbname?key=value&...", the part of a URI after its scheme.
QList<std::pair<QString, QString>> uriParameters(const QString& uri, const QString& rest) {
    QList<std::pair<QString, QString>> parameters;
    const qsizetype queryAt = rest.indexOf(u'?');
    const QString beforeQuery = queryAt < 0 ? rest : rest.left(queryAt);
    const qsizetype pathAt = beforeQuery.indexOf(u'/');
    QString authority = pathAt < 0 ? beforeQuery : beforeQuery.left(pathAt);
    const QString dbname = pathAt < 0 ? QString() : decoded(beforeQuery.mid(pathAt + 1));

    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        authority = authority.mid(at + 1);
        if (userInfo.contains(u':')) refuse(QString::fromLatin1(kPasswordRefused));
        if (!userInfo.isEmpty()) set(parameters, QStringLiteral("user"), decoded(userInfo));
    }
    // Several hosts, each with or without its port: libpq takes them as two lists of the same length.
    QStringList hosts;
    QStringList ports;
    bool anyPort = false;
    for (const QString& item : authority.split(u',')) {
        QString host = item;
        QString port;
        if (host.startsWith(u'[')) {  // [IPv6 address]:port
            const qsizetype close = host.indexOf(u']');
            if (close < 0) refuse(QStringLiteral("The address in %1 lacks its closing ']'.").arg(shown(uri)));
            port = host.mid(close + 1).startsWith(u':') ? host.mid(close + 2) : QString();
            host = host.mid(1, close - 1);
        } else if (const qsizetype colon = host.lastIndexOf(u':'); colon >= 0) {
            port = host.mid(colon + 1);
            host = host.left(colon);
        }
        if (!port.isEmpty() && !QRegularExpression(QStringLiteral("^[0-9]+$")).match(port).hasMatch())
            refuse(QStringLiteral("The port '%1' in %2 is not a number.").arg(shown(port), shown(uri)));
        anyPort = anyPort || !port.isEmpty();
        hosts << decoded(host);
        ports << port;
    }
    if (hosts.size() > 1 || !hosts.first().isEmpty())
        set(parameters, QStringLiteral("host"), hosts.join(u','));
    if (anyPort) set(parameters, QStringLiteral("port"), ports.join(u','));
    if (!dbname.isEmpty()) set(parameters, QStringLiteral("dbname"), dbname);

    if (queryAt >= 0) {
        for (const QString& pair : rest.mid(queryAt + 1).split(u'&', Qt::SkipEmptyParts)) {
            const qsizetype equals = pair.indexOf(u'=');
            if (equals <= 0)
                refuse(QStringLiteral("'%1' in %2 is not key=value.").arg(shown(pair), shown(uri)));
            set(parameters, decoded(pair.left(equals)), decoded(pair.mid(equals + 1)));
        }
    }
    return parameters;
}

// "host=/run/postgresql dbname='lab data'": libpq's keyword form, values quoted with ' when they hold
// blanks, \ escaping the next character inside quotes.
QList<std::pair<QString, QString>> keywordParameters(const QString& text) {
    QList<std::pair<QString, QString>> parameters;
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && text[i].isSpace()) ++i;
    };
    while (true) {
        skipBlanks();
        if (i >= text.size()) break;
        const qsizetype keyStart = i;
        while (i < text.size() && text[i] != u'=' && !text[i].isSpace()) ++i;
        const QString keyword = text.mid(keyStart, i - keyStart);
        skipBlanks();
        if (i >= text.size() || text[i] != u'=' || keyword.isEmpty())
            refuse(QStringLiteral("'%1' is not keyword=value.").arg(shown(text)));
        ++i;
        skipBlanks();
        QString value;
        if (i < text.size() && text[i] == u'\'') {
            ++i;
            bool closed = false;
            for (; i < text.size(); ++i) {
                if (text[i] == u'\\' && i + 1 < text.size()) {
                    value += text[++i];
                } else if (text[i] == u'\'') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    value += text[i];
                }
            }
            if (!closed) refuse(QStringLiteral("A quoted value in '%1' is not closed.").arg(shown(text)));
        } else {
            while (i < text.size() && !text[i].isSpace()) value += text[i++];
        }
        set(parameters, keyword, value);
    }
    return parameters;
}

bool isUri(const QString& text) {
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

bool isKeywordList(const QString& text) {
    static const QRegularExpression keyword(QStringLiteral("^[A-Za-z_]+\\s*="));
    return keyword.match(text).hasMatch();
}

QString quoted(const QString& value) {
    QString escaped = value;
    escaped.replace(u'\\', QLatin1String("\\\\"));
    escaped.replace(u'\'', QLatin1String("\\'"));
    return u'\'' + escaped + u'\'';
}

}  // namespace

DatabaseLocation DatabaseLocation::file(const QString& path) {
    DatabaseLocation location;
    location.engine = Engine::Sqlite;
    location.filePath = QDir::current().absoluteFilePath(path);
    location.text = path;
    return location;
}

DatabaseLocation DatabaseLocation::parse(const QString& given) {
    const QString text = given.trimmed();
    if (text.isEmpty()) refuse(QStringLiteral("No database is named."));
    if (!isUri(text) && !isKeywordList(text)) return file(text);

    DatabaseLocation location;
    location.engine = Engine::Postgres;
    location.text = text;
    location.parameters = isUri(text) ? uriParameters(text, text.mid(text.indexOf(QLatin1String("://")) + 3))
                                      : keywordParameters(text);
    for (const auto& [keyword, value] : location.parameters) {
        if (keyword == QLatin1String("password")) refuse(QString::fromLatin1(kPasswordRefused));
        // The driver takes the whole string as options separated by ';'.
        if (value.contains(u';'))
            refuse(
                QStringLiteral("The value of %1 in %2 holds a ';', which the database driver cannot pass on.")
                    .arg(shown(keyword), shown(text)));
    }
    const std::pair<const char*, const char*> defaults[] = {
        {"connect_timeout", kConnectTimeout_s}, {"tcp_user_timeout", kTcpUserTimeout_ms},
        {"keepalives_idle", kKeepalivesIdle_s}, {"keepalives_interval", kKeepalivesInterval_s},
        {"keepalives_count", kKeepalivesCount}, {"fallback_application_name", kApplicationName},
    };
    for (const auto& [keyword, value] : defaults)
        if (location.parameter(QLatin1String(keyword)).isEmpty())
            location.parameters.append({QLatin1String(keyword), QLatin1String(value)});
    return location;
}

DatabaseLocation DatabaseLocation::fromWorkingDirectory() {
    const QString configPath = QDir::current().absoluteFilePath(QString::fromLatin1(kConfigFileName));
    if (!QFileInfo::exists(configPath)) return file(QString::fromLatin1(kDefaultFileName));

    const SettingsFile config = SettingsFile::read(configPath);
    if (!config.ok()) refuse(config.problem());
    // The first line that is neither blank nor a comment; none at all means no server is configured.
    QString line;
    for (const QString& raw : QString::fromUtf8(config.bytes).split(u'\n')) {
        const QString trimmed = raw.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;
        line = trimmed;
        break;
    }
    if (line.isEmpty()) return file(QString::fromLatin1(kDefaultFileName));
    const QString where = QDir::toNativeSeparators(configPath);
    DatabaseLocation location;
    try {
        location = parse(line);
    } catch (const StoreError& error) {
        refuse(where + QStringLiteral(": ") + error.description());
    }
    if (location.engine != Engine::Postgres)
        refuse(QStringLiteral("%1 names no PostgreSQL database: '%2' (expected e.g. "
                              "postgresql://r7716@labserver/rheology).")
                   .arg(where, shown(line)));
    return location;
}

QString DatabaseLocation::parameter(const QString& keyword) const {
    for (const auto& [k, v] : parameters)
        if (k == keyword) return v;
    return {};
}

QString DatabaseLocation::connectionString() const {
    QStringList pairs;
    for (const auto& [keyword, value] : parameters) pairs << keyword + u'=' + quoted(value);
    return pairs.join(u' ');
}

QString DatabaseLocation::displayName() const {
    return engine == Engine::Sqlite ? QDir::toNativeSeparators(filePath) : text;
}

}  // namespace store
