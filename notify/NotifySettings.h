#pragma once

#include "notify/NotifyEvent.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// One channel of notify.txt.
struct ChannelSetting {
    enum class Type { Webhook, Email, Desktop };

    Type type = Type::Desktop;
    int line = 0;            // its line in notify.txt
    QString url;             // webhook: http(s)://...; email: smtp://HOST[:PORT] or smtps://HOST[:PORT]
    QString from;            // email
    QStringList to;          // email
    QSet<EventKind> events;  // the events it takes; empty for every one

    bool wants(EventKind kind) const;
    // The channel as notify.txt names it, without its filter ("webhook https://chat.example/hook"): what
    // the queue on disk keys an event's delivery on, and what messages and the log call it.
    QString key() const;
    // The channel as messages and the log show it: a webhook's path and query (where chat services put the
    // hook's secret) as "...".
    QString shown() const { return shownKey(key()); }
    static QString shownKey(const QString& key);
};

// notify.txt beside "initial.txt": one channel a line, '#' starts a comment,
//   webhook URL [events=KIND,KIND...]
//   email smtp://HOST[:PORT] FROM TO[,TO...] [events=...]
//   desktop [events=...]
// A bad line is left out and named with its line number; the good ones count.
struct NotifySettings {
    static constexpr const char* kFileName = "notify.txt";
    static constexpr const char* kEventsPrefix = "events=";

    QString path;
    QList<ChannelSetting> channels;
    // One sentence per bad line ("notify.txt line 3: ..."), or the file's own problem.
    QStringList problems;

    // notify.txt in the folder of the settings file at initialPath.
    static QString pathBeside(const QString& initialPath);
    // A missing file is no problem: no channel.
    static NotifySettings read(const QString& path);
    static NotifySettings parse(const QByteArray& bytes, const QString& path);
};
