#include "notify/NotifyQueue.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>

namespace {

constexpr const char* kAdd = "add";
constexpr const char* kDone = "done";
constexpr const char* kChannel = "channel";

// The program's id and a number of its own: two notifiers of one program never share a file.
QString ownName() {
    static std::atomic<int> made{0};
    return QString::fromLatin1(NotifyQueue::kFilePrefix) +
           QString::number(QCoreApplication::applicationPid()) + u'-' + QString::number(++made) +
           QString::fromLatin1(NotifyQueue::kFileSuffix);
}

}  // namespace

NotifyQueue::NotifyQueue(const QString& dir)
    : dir_(dir), path_(QDir(dir).absoluteFilePath(ownName())), lock_(path_ + QStringLiteral(".lock")) {
    // A program that holds its queue may run for days: only its death makes the lock stale.
    lock_.setStaleLockTime(0);
}

NotifyQueue::~NotifyQueue() {
    std::lock_guard guard(mutex_);
    if (file_.isOpen()) file_.close();
    if (waiting_ == 0) QFile::remove(path_);
}

bool NotifyQueue::open() {
    std::lock_guard guard(mutex_);
    if (!lock_.tryLock(0)) {
        error_ = QStringLiteral("%1 is locked by another program").arg(path_);
        return false;
    }
    file_.setFileName(path_);
    if (!file_.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
        error_ = QStringLiteral("%1: %2").arg(path_, file_.errorString());
        return false;
    }
    adoptOthers();
    return true;
}

void NotifyQueue::adoptOthers() {
    const QStringList names =
        QDir(dir_).entryList({QString::fromLatin1(kFilePrefix) + u'*' + QString::fromLatin1(kFileSuffix)},
                             QDir::Files, QDir::Time | QDir::Reversed);
    for (const QString& name : names) {
        const QString other = QDir(dir_).absoluteFilePath(name);
        if (other == path_) continue;
        QLockFile otherLock(other + QStringLiteral(".lock"));
        otherLock.setStaleLockTime(0);
        // A lock that is held belongs to a program that still delivers its own.
        if (!otherLock.tryLock(0)) continue;
        QFile f(other);
        if (f.open(QIODevice::ReadOnly)) {
            for (Entry& e : readWaiting(f.readAll())) {
                QJsonObject line{{QLatin1String(kAdd), e.event.toJson()},
                                 {QLatin1String(kChannel), e.channel}};
                if (appendLine(line)) ++waiting_;
                adopted_.push_back(std::move(e));
            }
            f.close();
        }
        // Only once every entry is in this program's file.
        if (error_.isEmpty()) QFile::remove(other);
        otherLock.unlock();
    }
}

std::vector<NotifyQueue::Entry> NotifyQueue::takeAdopted() {
    std::lock_guard guard(mutex_);
    return std::exchange(adopted_, {});
}

std::vector<NotifyQueue::Entry> NotifyQueue::readWaiting(const QByteArray& bytes) {
    std::vector<Entry> entries;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QJsonObject line = QJsonDocument::fromJson(raw).object();
        const QString channel = line.value(QLatin1String(kChannel)).toString();
        // A line cut short by a crash, or anything else, is no entry.
        if (channel.isEmpty()) continue;
        if (line.contains(QLatin1String(kDone))) {
            const QString id = line.value(QLatin1String(kDone)).toString();
            std::erase_if(entries, [&](const Entry& e) { return e.channel == channel && e.event.id == id; });
        } else if (const auto event = NotifyEvent::fromJson(line.value(QLatin1String(kAdd)).toObject())) {
            entries.push_back({channel, *event});
        }
    }
    return entries;
}

bool NotifyQueue::appendLine(const QJsonObject& line) {
    if (!file_.isOpen()) return false;
    const QByteArray bytes = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    if (file_.write(bytes) != bytes.size() || !file_.flush()) {
        error_ = QStringLiteral("%1: %2").arg(path_, file_.errorString());
        return false;
    }
    error_.clear();
    return true;
}

bool NotifyQueue::add(const Entry& entry) {
    std::lock_guard guard(mutex_);
    ++waiting_;
    return appendLine(
        {{QLatin1String(kAdd), entry.event.toJson()}, {QLatin1String(kChannel), entry.channel}});
}

bool NotifyQueue::done(const QString& channel, const QString& id) {
    std::lock_guard guard(mutex_);
    waiting_ = std::max(0, waiting_ - 1);
    if (waiting_ == 0 && file_.isOpen()) {
        // Nothing waits: the file starts over instead of growing for the program's life.
        const bool ok = file_.resize(0) && file_.seek(0);
        if (!ok) error_ = QStringLiteral("%1: %2").arg(path_, file_.errorString());
        return ok;
    }
    return appendLine({{QLatin1String(kDone), id}, {QLatin1String(kChannel), channel}});
}

int NotifyQueue::waiting() const {
    std::lock_guard guard(mutex_);
    return waiting_;
}

QString NotifyQueue::error() const {
    std::lock_guard guard(mutex_);
    return error_;
}
