#include "notify/Channel.h"

#include "notify/DesktopNotifier.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRunnable>
#include <QUrl>

#include <curl/curl.h>

#include <mutex>

namespace {

class WebhookChannel : public Channel {
  public:
    WebhookChannel(const ChannelSetting& setting, const Kit& kit) : url_(setting.url), kit_(kit) {}

    void send(const NotifyEvent& event, Done done) override {
        QNetworkRequest request{QUrl(url_)};
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        request.setTransferTimeout(kit_.timeout_ms);
        const QByteArray body = QJsonDocument(event.toJson()).toJson(QJsonDocument::Compact);
        QNetworkReply* reply = kit_.network->post(request, body);
        QObject::connect(reply, &QNetworkReply::finished, kit_.context, [reply, done = std::move(done)] {
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            DeliveryOutcome outcome;
            outcome.delivered = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
            outcome.detail =
                status > 0 ? QStringLiteral("HTTP %1 %2")
                                 .arg(status)
                                 .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                           : reply->errorString();
            done(outcome);
        });
    }

  private:
    QString url_;
    Kit kit_;
};

class EmailChannel : public Channel {
  public:
    EmailChannel(const ChannelSetting& setting, const Kit& kit) : setting_(setting), kit_(kit) {
        if (kit.credentials) login_ = kit.credentials->loginFor(setting.url);
    }

    void send(const NotifyEvent& event, Done done) override {
        // The server may take its time: the wait is the pool's, and the outcome comes back to the
        // context's thread (the pool is waited for before the context goes).
        QPointer<QObject> context = kit_.context;
        kit_.emailPool->start([=, setting = setting_, login = login_, timeout = kit_.timeout_ms] {
            const DeliveryOutcome outcome = email::send(event, setting, login, timeout);
            QMetaObject::invokeMethod(
                context, [done, outcome] { done(outcome); }, Qt::QueuedConnection);
        });
    }

  private:
    ChannelSetting setting_;
    Kit kit_;
    std::optional<SmtpCredentials::Login> login_;
};

class DesktopChannel : public Channel {
  public:
    explicit DesktopChannel(DesktopNotifier* desktop) : desktop_(desktop) {}

    void send(const NotifyEvent& event, Done done) override {
        DeliveryOutcome outcome;
        if (!desktop_) {
            outcome.worthRetry = false;
            outcome.detail = QStringLiteral("this program has no desktop to show it on");
        } else {
            outcome.delivered = desktop_->show(event.title(), event.text);
            if (!outcome.delivered) outcome.detail = QStringLiteral("the desktop has no system tray now");
        }
        done(outcome);
    }

  private:
    DesktopNotifier* desktop_;
};

// A header value on one line, in RFC 2047 words when it is not plain ASCII.
QByteArray headerValue(const QString& text) {
    QString line = text;
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray utf8 = line.toUtf8();
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) return "=?UTF-8?B?" + utf8.toBase64() + "?=";
    return utf8;
}

QByteArray addressOf(const QString& address) {
    return headerValue(address).replace('<', "").replace('>', "");
}

struct Payload {
    QByteArray bytes;
    qsizetype sent = 0;
};

extern "C" size_t readPayload(char* buffer, size_t size, size_t count, void* user) {
    auto* p = static_cast<Payload*>(user);
    const qsizetype n = std::min<qsizetype>(static_cast<qsizetype>(size * count), p->bytes.size() - p->sent);
    std::memcpy(buffer, p->bytes.constData() + p->sent, static_cast<size_t>(n));
    p->sent += n;
    return static_cast<size_t>(n);
}

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

std::unique_ptr<Channel> Channel::make(const ChannelSetting& setting, const Kit& kit) {
    switch (setting.type) {
        case ChannelSetting::Type::Webhook:
            return std::make_unique<WebhookChannel>(setting, kit);
        case ChannelSetting::Type::Email:
            return std::make_unique<EmailChannel>(setting, kit);
        case ChannelSetting::Type::Desktop:
            return std::make_unique<DesktopChannel>(kit.desktop);
    }
    return nullptr;
}

DeliveryOutcome Channel::deliverNow(const ChannelSetting& setting, const NotifyEvent& event,
                                    DesktopNotifier* desktop, const SmtpCredentials& credentials,
                                    int timeout_ms) {
    QObject context;
    QNetworkAccessManager network;
    QThreadPool pool;
    QEventLoop loop;
    std::optional<DeliveryOutcome> outcome;
    const std::unique_ptr<Channel> channel =
        make(setting, Kit{&context, &network, &pool, desktop, &credentials, timeout_ms});
    channel->send(event, [&](const DeliveryOutcome& o) {
        outcome = o;
        loop.quit();
    });
    if (!outcome) loop.exec();
    pool.waitForDone();
    return outcome.value_or(DeliveryOutcome{false, true, QStringLiteral("no answer")});
}

QByteArray email::message(const NotifyEvent& event, const ChannelSetting& setting) {
    QStringList to;
    for (const QString& a : setting.to) to << QString::fromUtf8(addressOf(a));
    QByteArray m;
    m += "Date: " + event.time.toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    m += "From: <" + addressOf(setting.from) + ">\r\n";
    m += "To: <" + to.join(QStringLiteral(">, <")).toUtf8() + ">\r\n";
    m += "Subject: " + headerValue(event.text) + "\r\n";
    m += "Message-ID: <" + headerValue(event.id) + "@r7716>\r\n";
    m +=
        "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n";
    m += "\r\n";
    QString body = event.text + QStringLiteral(
                                    "\n\nevent: %1\nstation: %2\nunit: %3\ntest: %4\nsequence: "
                                    "%5\ntime: %6\n")
                                    .arg(event_kind::text(event.kind), event.station,
                                         event.unit > 0 ? QString::number(event.unit) : QString(), event.test,
                                         event.sequence, event.time.toString(Qt::ISODate));
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    m += body.toUtf8().replace("\n", "\r\n");
    return m;
}

DeliveryOutcome email::send(const NotifyEvent& event, const ChannelSetting& setting,
                            const std::optional<SmtpCredentials::Login>& login, int timeout_ms) {
    initCurlOnce();
    DeliveryOutcome outcome;
    CURL* curl = curl_easy_init();
    if (!curl) {
        outcome.detail = QStringLiteral("libcurl could not be started");
        return outcome;
    }
    Payload payload{message(event, setting)};
    curl_slist* recipients = nullptr;
    for (const QString& to : setting.to)
        recipients = curl_slist_append(recipients, ("<" + addressOf(to) + ">").constData());
    const QByteArray url = setting.url.toUtf8();
    const QByteArray from = "<" + addressOf(setting.from) + ">";
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readPayload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &payload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(payload.bytes.size()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout_ms));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout_ms));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    // A password goes only over an encrypted line; without one, STARTTLS is used when offered.
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(login ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    QByteArray user, password;
    if (login) {
        user = login->user.toUtf8();
        password = login->password.toUtf8();
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    const CURLcode code = curl_easy_perform(curl);
    outcome.delivered = code == CURLE_OK;
    if (code == CURLE_USE_SSL_FAILED)
        outcome.detail =
            QStringLiteral("the server offers no STARTTLS; the password is not sent unencrypted");
    else if (code != CURLE_OK)
        outcome.detail = QString::fromUtf8(error[0] ? error : curl_easy_strerror(code));
    else
        outcome.detail = QStringLiteral("accepted by %1").arg(QUrl(setting.url).host());
    password.fill('\0');
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    return outcome;
}
