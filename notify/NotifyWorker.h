#pragma once

#include "common/DiagnosticLog.h"
#include "notify/Channel.h"
#include "notify/NotifyQueue.h"

#include <QDateTime>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <deque>
#include <map>
#include <memory>

class Notifier;
class QNetworkAccessManager;

// The delivery thread's side of a Notifier: one FIFO per channel, one try at a time per channel, retries
// with back-off on its timer.
class NotifyWorker : public QObject {
    Q_OBJECT

  public:
    NotifyWorker(Notifier& owner, DesktopNotifier* desktop);
    ~NotifyWorker() override;

    // On the delivery thread: the access manager and the channels, then what earlier programs left.
    void start(const std::vector<NotifyQueue::Entry>& adopted);
    void enqueue(const NotifyQueue::Entry& entry);

  private:
    struct Waiting {
        NotifyQueue::Entry entry;
        int tries = 0;
        QDateTime firstFailure;
        QDateTime due;
    };
    struct Line {
        std::unique_ptr<Channel> channel;
        std::deque<Waiting> waiting;
        bool busy = false;
    };

    void pump();
    void tried(const QString& key, const DeliveryOutcome& outcome);
    // The head of the channel's line is over (delivered or given up).
    void finish(Line& line, const QString& key);
    void scheduleNext();
    void log(const QString& what);

    Notifier& owner_;
    DesktopNotifier* desktop_;
    QNetworkAccessManager* network_ = nullptr;
    QThreadPool emailPool_;
    std::map<QString, Line> lines_;
    QTimer timer_;
};
