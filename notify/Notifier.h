#pragma once

#include "common/DiagnosticLog.h"
#include "notify/EventSink.h"
#include "notify/NotifyQueue.h"
#include "notify/NotifySettings.h"
#include "notify/SmtpCredentials.h"

#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

class DesktopNotifier;
class NotifyWorker;

// The program's notifications: the channels of notify.txt, the queue on disk, and the delivery on a thread
// of its own. raise() writes the event into the queue and returns; the delivery thread sends it through
// every channel whose filter takes it, each channel's events in the order raised. A channel that fails is
// tried again after 10 s, 20 s, 40 s ... (at most 10 minutes apart) for an hour from its first failure,
// then given up; every failure and the giving up go to the diagnostic log beside the settings. Events
// still waiting when the program ends stay in the queue for the next program started beside the same
// settings.
class Notifier : public EventSink {
  public:
    struct Options {
        int timeout_ms = 20000;
        int firstRetry_ms = 10000;
        int maxRetry_ms = 600000;
        int retryFor_s = 3600;
    };
    static constexpr const char* kLogWhere = "Notifications";

    // dir: the folder of the settings (notify.txt, the queue, the log). desktop: the program's desktop
    // messages, or null.
    Notifier(const NotifySettings& settings, const QString& dir, DesktopNotifier* desktop, Options options);
    Notifier(const NotifySettings& settings, const QString& dir, DesktopNotifier* desktop = nullptr)
        : Notifier(settings, dir, desktop, Options{}) {}
    // Stops the delivery; what waits stays on disk.
    ~Notifier() override;

    // The notifications configured beside the settings file at initialPath ("initial.txt"); the problems
    // of notify.txt and of the credentials file go to the diagnostic log.
    static std::unique_ptr<Notifier> beside(const QString& initialPath, DesktopNotifier* desktop = nullptr);

    void raise(const NotifyEvent& event) override;
    // Deliveries not yet over (delivered or given up), of this program's events and of those it took over.
    int undelivered() const { return undelivered_.load(); }
    // Waits (handling the calling thread's events) until nothing is undelivered or timeout_ms passed;
    // true when nothing is.
    bool waitUntilDelivered(int timeout_ms) const;

    const NotifySettings& settings() const { return settings_; }
    const NotifyQueue& queue() const { return *queue_; }

  private:
    friend class NotifyWorker;

    NotifySettings settings_;
    DiagnosticLog log_;
    SmtpCredentials credentials_;
    Options options_;
    std::unique_ptr<NotifyQueue> queue_;
    std::atomic<int> undelivered_{0};
    QThread thread_;
    NotifyWorker* worker_ = nullptr;
};
