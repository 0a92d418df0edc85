#include "notify/Notifier.h"

#include "notify/NotifyWorker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>

#include <algorithm>

Notifier::Notifier(const NotifySettings& settings, const QString& dir, DesktopNotifier* desktop,
                   Options options)
    : settings_(settings),
      log_(dir),
      credentials_(
          SmtpCredentials::read(QDir(dir).absoluteFilePath(QString::fromLatin1(SmtpCredentials::kFileName)))),
      options_(options),
      queue_(std::make_unique<NotifyQueue>(dir)) {
    for (const QString& problem : settings_.problems) log_.append(QString::fromLatin1(kLogWhere), problem);
    if (!credentials_.problem.isEmpty()) log_.append(QString::fromLatin1(kLogWhere), credentials_.problem);
    if (!queue_->open())
        log_.append(QString::fromLatin1(kLogWhere),
                    QStringLiteral("The queue of notifications cannot be written (%1); events wait in memory "
                                   "only and are lost when the program ends.")
                        .arg(queue_->error()));
    worker_ = new NotifyWorker(*this, desktop);
    worker_->moveToThread(&thread_);
    thread_.setObjectName(QStringLiteral("notifications"));
    thread_.start();
    // Counted at once: what earlier programs left is undelivered before the thread has even looked.
    std::vector<NotifyQueue::Entry> adopted = queue_->takeAdopted();
    undelivered_ = static_cast<int>(adopted.size());
    QMetaObject::invokeMethod(
        worker_, [w = worker_, adopted = std::move(adopted)] { w->start(adopted); }, Qt::QueuedConnection);
}

Notifier::~Notifier() {
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { delete w; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

std::unique_ptr<Notifier> Notifier::beside(const QString& initialPath, DesktopNotifier* desktop) {
    const QString path = NotifySettings::pathBeside(initialPath);
    return std::make_unique<Notifier>(NotifySettings::read(path), QFileInfo(path).absolutePath(), desktop);
}

void Notifier::raise(const NotifyEvent& event) {
    for (const ChannelSetting& setting : settings_.channels) {
        if (!setting.wants(event.kind)) continue;
        const NotifyQueue::Entry entry{setting.key(), event};
        // A queue that cannot be written has been named in the log at the start; the event goes on all the
        // same from memory.
        queue_->add(entry);
        ++undelivered_;
        QMetaObject::invokeMethod(
            worker_, [w = worker_, entry] { w->enqueue(entry); }, Qt::QueuedConnection);
    }
}

bool Notifier::waitUntilDelivered(int timeout_ms) const {
    QDeadlineTimer deadline(timeout_ms);
    while (undelivered_.load() > 0 && !deadline.hasExpired()) {
        if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return undelivered_.load() == 0;
}

// ---- the delivery thread ----------------------------------------------------------------------------------

NotifyWorker::NotifyWorker(Notifier& owner, DesktopNotifier* desktop)
    : owner_(owner), desktop_(desktop), timer_(this) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &NotifyWorker::pump);
    emailPool_.setMaxThreadCount(2);
}

NotifyWorker::~NotifyWorker() {
    // An e-mail on its way reports back to this object; its server's time-out bounds the wait.
    emailPool_.waitForDone();
}

void NotifyWorker::start(const std::vector<NotifyQueue::Entry>& adopted) {
    network_ = new QNetworkAccessManager(this);
    Channel::Kit kit{this, network_, &emailPool_, desktop_, &owner_.credentials_, owner_.options_.timeout_ms};
    for (const ChannelSetting& setting : owner_.settings_.channels)
        lines_[setting.key()].channel = Channel::make(setting, kit);
    for (const NotifyQueue::Entry& entry : adopted) enqueue(entry);
}

void NotifyWorker::enqueue(const NotifyQueue::Entry& entry) {
    auto it = lines_.find(entry.channel);
    if (it == lines_.end() || !it->second.channel) {
        // Left by an earlier program for a channel that notify.txt no longer has.
        log(QStringLiteral("%1 of %2 is dropped: \"%3\" is no longer in notify.txt.")
                .arg(event_kind::text(entry.event.kind), entry.event.time.toString(Qt::ISODate),
                     ChannelSetting::shownKey(entry.channel)));
        owner_.queue_->done(entry.channel, entry.event.id);
        --owner_.undelivered_;
        return;
    }
    it->second.waiting.push_back({entry, 0, {}, QDateTime::currentDateTimeUtc()});
    pump();
}

void NotifyWorker::pump() {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (auto& [key, line] : lines_) {
        if (line.busy || line.waiting.empty() || line.waiting.front().due > now) continue;
        line.busy = true;
        line.channel->send(line.waiting.front().entry.event,
                           [this, key = key](const DeliveryOutcome& outcome) { tried(key, outcome); });
    }
    scheduleNext();
}

void NotifyWorker::tried(const QString& key, const DeliveryOutcome& outcome) {
    Line& line = lines_[key];
    line.busy = false;
    Waiting& head = line.waiting.front();
    const QString what = QStringLiteral("%1 of %2 through %3")
                             .arg(event_kind::text(head.entry.event.kind),
                                  head.entry.event.time.toString(Qt::ISODate), ChannelSetting::shownKey(key));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    ++head.tries;
    if (outcome.delivered) {
        if (head.tries > 1) log(QStringLiteral("%1 delivered at try %2.").arg(what).arg(head.tries));
        finish(line, key);
    } else if (!outcome.worthRetry) {
        log(QStringLiteral("%1 not delivered: %2.").arg(what, outcome.detail));
        finish(line, key);
    } else {
        if (!head.firstFailure.isValid()) head.firstFailure = now;
        if (head.firstFailure.secsTo(now) >= owner_.options_.retryFor_s) {
            log(QStringLiteral("%1 not delivered: %2. Given up after %3 tries.")
                    .arg(what, outcome.detail)
                    .arg(head.tries));
            finish(line, key);
        } else {
            const qint64 wait_ms =
                std::min<qint64>(owner_.options_.maxRetry_ms, qint64(owner_.options_.firstRetry_ms)
                                                                  << std::min(head.tries - 1, 20));
            head.due = now.addMSecs(wait_ms);
            log(QStringLiteral("%1 failed (try %2): %3. Tried again in %4 s.")
                    .arg(what)
                    .arg(head.tries)
                    .arg(outcome.detail)
                    .arg(wait_ms / 1000.0));
        }
    }
    pump();
}

void NotifyWorker::finish(Line& line, const QString& key) {
    owner_.queue_->done(key, line.waiting.front().entry.event.id);
    line.waiting.pop_front();
    --owner_.undelivered_;
}

void NotifyWorker::scheduleNext() {
    QDateTime next;
    for (const auto& [key, line] : lines_)
        if (!line.busy && !line.waiting.empty() && (!next.isValid() || line.waiting.front().due < next))
            next = line.waiting.front().due;
    if (!next.isValid()) return;
    timer_.start(
        static_cast<int>(std::clamp<qint64>(QDateTime::currentDateTimeUtc().msecsTo(next), 0, 600000)));
}

void NotifyWorker::log(const QString& what) {
    DiagnosticLog log = owner_.log_;
    log.append(QString::fromLatin1(Notifier::kLogWhere), what);
}
