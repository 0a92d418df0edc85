#pragma once

#include "notify/NotifyEvent.h"

#include <QFile>
#include <QLockFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <vector>

// The events that wait for a channel, on disk, so that a program that ends (or breaks off) before a
// receiver took them does not lose them: the next program started beside the same settings delivers them.
//
// Each program keeps a file of its own, "R7716-notify-<pid>-<n>.queue", locked while it runs. Every change is
// one whole line appended and flushed (a JSON object: an event for a channel, or that it was delivered), so
// a line cut short by a crash is the only thing ever lost, and it is recognised and skipped. A program that
// starts takes over the files of programs that ended (their lock is stale), keeping their order, and
// removes them. A file with nothing waiting is emptied.
//
// Safe to use from several threads.
class NotifyQueue {
  public:
    static constexpr const char* kFilePrefix = "R7716-notify-";
    static constexpr const char* kFileSuffix = ".queue";

    struct Entry {
        QString channel;  // ChannelSetting::key()
        NotifyEvent event;
    };

    // dir: the folder of the settings.
    explicit NotifyQueue(const QString& dir);
    ~NotifyQueue();
    NotifyQueue(const NotifyQueue&) = delete;
    NotifyQueue& operator=(const NotifyQueue&) = delete;

    // Locks and opens this program's file, then takes over what programs that ended left. False (with
    // error()) when this program's file cannot be written: entries are then kept in memory only.
    bool open();
    // What waited in other programs' files and is now this queue's, in order; taken once after open().
    std::vector<Entry> takeAdopted();

    // Adds an entry; false (with error()) when it could not be written to the disk.
    bool add(const Entry& entry);
    // The event was delivered through the channel, or given up: it no longer waits.
    bool done(const QString& channel, const QString& id);
    int waiting() const;
    QString error() const;
    QString path() const { return path_; }

  private:
    bool appendLine(const QJsonObject& line);
    // The entries still waiting in the lines of a file.
    static std::vector<Entry> readWaiting(const QByteArray& bytes);
    void adoptOthers();

    QString dir_;
    QString path_;
    QLockFile lock_;
    QFile file_;
    mutable std::mutex mutex_;
    std::vector<Entry> adopted_;
    int waiting_ = 0;
    QString error_;
};
