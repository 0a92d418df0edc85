#include "notify/NotifySettings.h"

#include "common/PrintableText.h"
#include "common/SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <optional>

namespace {

bool looksLikeAddress(const QString& a) {
    const qsizetype at = a.indexOf(u'@');
    return at > 0 && at < a.size() - 1 && a.indexOf(u'@', at + 1) < 0 && !a.contains(u'<') &&
           !a.contains(u'>') && !a.contains(u',');
}

QString quoted(const QString& text) {
    return u'"' + printable_text::excerpt(text) + u'"';
}

// The channel of one line's words (filter taken off); its problem when the words make none.
std::optional<ChannelSetting> channelOf(const QStringList& words, QString& problem) {
    ChannelSetting setting;
    const QString& type = words[0];
    if (type == QLatin1String("desktop")) {
        setting.type = ChannelSetting::Type::Desktop;
        if (words.size() != 1) problem = QStringLiteral("\"desktop\" takes nothing but an events= filter");
    } else if (type == QLatin1String("webhook")) {
        setting.type = ChannelSetting::Type::Webhook;
        const QUrl url = words.size() == 2 ? QUrl(words[1], QUrl::StrictMode) : QUrl();
        if (words.size() != 2 || !url.isValid() || url.host().isEmpty() ||
            (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
            problem = QStringLiteral("\"webhook\" takes one URL beginning with http:// or https://");
        setting.url = words.value(1);
    } else if (type == QLatin1String("email")) {
        setting.type = ChannelSetting::Type::Email;
        const QUrl url = words.size() == 4 ? QUrl(words[1], QUrl::StrictMode) : QUrl();
        if (words.size() != 4 || !url.isValid() || url.host().isEmpty() ||
            (url.scheme() != QLatin1String("smtp") && url.scheme() != QLatin1String("smtps")) ||
            (!url.path().isEmpty() && url.path() != QLatin1String("/")) || !url.userInfo().isEmpty()) {
            problem = QStringLiteral(
                "\"email\" takes smtp://HOST[:PORT] FROM TO[,TO...] (the password "
                "goes into the credentials file, never here)");
            return std::nullopt;
        }
        setting.url = words[1];
        setting.from = words[2];
        setting.to = words[3].split(u',', Qt::SkipEmptyParts);
        if (!looksLikeAddress(setting.from))
            problem = QStringLiteral("%1 is not an e-mail address").arg(quoted(setting.from));
        for (const QString& to : setting.to)
            if (problem.isEmpty() && !looksLikeAddress(to))
                problem = QStringLiteral("%1 is not an e-mail address").arg(quoted(to));
        if (setting.to.isEmpty()) problem = QStringLiteral("\"email\" needs at least one address to send to");
    } else {
        problem = QStringLiteral("%1 is no channel (webhook, email or desktop)").arg(quoted(type));
    }
    if (!problem.isEmpty()) return std::nullopt;
    return setting;
}

// The events of an events= word; its problem when it names one that does not exist.
bool readFilter(const QString& word, QSet<EventKind>& events, QString& problem) {
    const QString list = word.mid(static_cast<int>(qstrlen(NotifySettings::kEventsPrefix)));
    for (const QString& name : list.split(u',', Qt::SkipEmptyParts)) {
        if (name == QLatin1String("all")) continue;
        const std::optional<EventKind> kind = event_kind::fromText(name);
        if (!kind) {
            problem = QStringLiteral("%1 is no event (all, %2)").arg(quoted(name), event_kind::allNames());
            return false;
        }
        events.insert(*kind);
    }
    if (list.split(u',', Qt::SkipEmptyParts).contains(QStringLiteral("all"))) events.clear();
    return true;
}

}  // namespace

bool ChannelSetting::wants(EventKind kind) const {
    return events.isEmpty() || events.contains(kind) || kind == EventKind::NotifyTest;
}

QString ChannelSetting::key() const {
    switch (type) {
        case Type::Webhook:
            return QStringLiteral("webhook ") + url;
        case Type::Email:
            return QStringLiteral("email %1 %2 %3").arg(url, from, to.join(u','));
        case Type::Desktop:
            return QStringLiteral("desktop");
    }
    return {};
}

QString ChannelSetting::shownKey(const QString& key) {
    const QString prefix = QStringLiteral("webhook ");
    if (!key.startsWith(prefix)) return key;
    const QUrl u(key.mid(prefix.size()));
    const bool more = !u.path().isEmpty() || u.hasQuery() || u.hasFragment();
    return QStringLiteral("webhook ") +
           u.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
               .toString() +
           (more ? QStringLiteral("/...") : QString());
}

QString NotifySettings::pathBeside(const QString& initialPath) {
    return QFileInfo(initialPath).absoluteDir().absoluteFilePath(QString::fromLatin1(kFileName));
}

NotifySettings NotifySettings::read(const QString& path) {
    const SettingsFile file = SettingsFile::read(path);
    if (file.status == SettingsFile::Status::Missing) {
        NotifySettings none;
        none.path = file.path;
        return none;
    }
    if (!file.ok()) {
        NotifySettings bad;
        bad.path = file.path;
        bad.problems << file.problem();
        return bad;
    }
    return parse(file.bytes, file.path);
}

NotifySettings NotifySettings::parse(const QByteArray& bytes, const QString& path) {
    NotifySettings settings;
    settings.path = path;
    const QString name = QFileInfo(path).fileName();
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QStringList words = lines[i].split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        // A comment is a line, or the rest of a line, from a word that begins with '#'.
        for (int w = 0; w < words.size(); ++w)
            if (words[w].startsWith(u'#')) words = words.mid(0, w);
        if (words.isEmpty()) continue;
        QString problem;
        QSet<EventKind> events;
        bool filtered = false;
        if (words.size() > 1 && words.last().startsWith(QLatin1String(kEventsPrefix))) {
            filtered = readFilter(words.takeLast(), events, problem);
            if (!filtered && problem.isEmpty()) problem = QStringLiteral("a bad events= filter");
        }
        std::optional<ChannelSetting> setting;
        if (problem.isEmpty()) setting = channelOf(words, problem);
        if (!setting) {
            settings.problems << QStringLiteral("%1 line %2: %3.").arg(name).arg(i + 1).arg(problem);
            continue;
        }
        setting->line = i + 1;
        setting->events = events;
        settings.channels << *setting;
    }
    return settings;
}
