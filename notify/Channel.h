#pragma once

#include "notify/NotifyEvent.h"
#include "notify/NotifySettings.h"
#include "notify/SmtpCredentials.h"

#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>

class DesktopNotifier;
class QNetworkAccessManager;
class QObject;

// How one try to deliver an event through a channel went.
struct DeliveryOutcome {
    bool delivered = false;
    // A try again later may succeed (a receiver down, a time-out); false for what no retry mends (a
    // program with no desktop).
    bool worthRetry = true;
    QString detail;  // what the receiver answered, or why it failed; never a password
};

// One channel of notify.txt, delivering on the thread that owns it: send() returns at once and calls done
// there, exactly once, within the time-out.
class Channel {
  public:
    using Done = std::function<void(const DeliveryOutcome&)>;

    virtual ~Channel() = default;
    virtual void send(const NotifyEvent& event, Done done) = 0;

    // The channel of setting, delivering on the thread of context. network: the thread's access manager;
    // emailPool: where e-mails wait for their server (never context's thread).
    struct Kit {
        QObject* context = nullptr;
        QNetworkAccessManager* network = nullptr;
        QThreadPool* emailPool = nullptr;
        DesktopNotifier* desktop = nullptr;
        const SmtpCredentials* credentials = nullptr;
        int timeout_ms = 20000;
    };
    static std::unique_ptr<Channel> make(const ChannelSetting& setting, const Kit& kit);

    // One try through setting, waited for on the calling thread (its events handled meanwhile): what
    // r7716-cli notify-test reports.
    static DeliveryOutcome deliverNow(const ChannelSetting& setting, const NotifyEvent& event,
                                      DesktopNotifier* desktop, const SmtpCredentials& credentials,
                                      int timeout_ms);
};

namespace email {
// The message as it goes to the server: headers and body, CR LF line ends; header values carry no line
// break, whatever the event's texts hold.
QByteArray message(const NotifyEvent& event, const ChannelSetting& setting);
// Sends it; blocks for at most timeout_ms. STARTTLS when the server offers it; with a login it is
// required, so a password never goes over the line in clear.
DeliveryOutcome send(const NotifyEvent& event, const ChannelSetting& setting,
                     const std::optional<SmtpCredentials::Login>& login, int timeout_ms);
}  // namespace email
