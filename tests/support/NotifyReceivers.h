#pragma once

// A webhook receiver and an SMTP sink on loopback, served by the test's own thread: whoever waits for them
// must handle that thread's events (Notifier::waitUntilDelivered, QCoreApplication::processEvents).

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <functional>
#include <memory>

// Spins the calling thread's events until done() or the time is over.
inline bool spinUntil(const std::function<bool()>& done, int timeout_ms = 10000) {
    QDeadlineTimer deadline(timeout_ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done();
}

class HttpReceiver {
  public:
    enum class Mode { Answer, Refuse, Hang };

    HttpReceiver() {
        server_.listen(QHostAddress::LocalHost);
        port_ = server_.serverPort();
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) serve(s);
        });
    }
    quint16 port() const { return port_; }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/hook").arg(port()); }
    void setMode(Mode mode) { mode_ = mode; }
    // Stops listening (the receiver is down: connections are refused) and listens again on the same port.
    void down() { server_.close(); }
    void up() { server_.listen(QHostAddress::LocalHost, port_); }

    // The JSON objects received and answered with 200, in order.
    QList<QJsonObject> received;
    int requests = 0;

  private:
    void serve(QTcpSocket* socket) {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0) return;
            qsizetype length = 0;
            for (const QByteArray& h : buffer->left(end).split('\n'))
                if (h.toLower().startsWith("content-length:")) length = h.mid(15).trimmed().toLongLong();
            if (buffer->size() < end + 4 + length) return;
            const QByteArray body = buffer->mid(end + 4, length);
            buffer->clear();
            ++requests;
            if (mode_ == Mode::Hang) return;
            if (mode_ == Mode::Refuse) {
                socket->write(
                    "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            } else {
                received << QJsonDocument::fromJson(body).object();
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            }
            socket->disconnectFromHost();
        });
    }

    QTcpServer server_;
    quint16 port_ = 0;
    Mode mode_ = Mode::Answer;
};

// Speaks enough SMTP for one client at a time: EHLO (offering AUTH PLAIN, no STARTTLS), MAIL, RCPT, DATA,
// QUIT; keeps every message and every command line.
class SmtpSink {
  public:
    SmtpSink() {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) serve(s);
        });
    }
    QString url() const { return QStringLiteral("smtp://127.0.0.1:%1").arg(server_.serverPort()); }

    struct Mail {
        QByteArray from;
        QList<QByteArray> to;
        QByteArray data;
    };
    QList<Mail> mails;
    QList<QByteArray> commands;

  private:
    void serve(QTcpSocket* socket) {
        auto state = std::make_shared<std::pair<QByteArray, bool>>();  // buffer, in DATA
        auto mail = std::make_shared<Mail>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->write("220 sink ESMTP\r\n");
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, state, mail] {
            auto& [buffer, inData] = *state;
            buffer += socket->readAll();
            for (;;) {
                if (inData) {
                    const qsizetype end = buffer.indexOf("\r\n.\r\n");
                    if (end < 0) return;
                    mail->data = buffer.left(end + 2);
                    buffer.remove(0, end + 5);
                    inData = false;
                    mails << *mail;
                    *mail = {};
                    socket->write("250 queued\r\n");
                    continue;
                }
                const qsizetype end = buffer.indexOf("\r\n");
                if (end < 0) return;
                const QByteArray line = buffer.left(end);
                buffer.remove(0, end + 2);
                commands << line;
                const QByteArray verb = line.left(4).toUpper();
                if (verb == "EHLO")
                    socket->write("250-sink\r\n250 AUTH PLAIN\r\n");
                else if (verb == "MAIL")
                    mail->from = line.mid(10), socket->write("250 ok\r\n");
                else if (verb == "RCPT")
                    mail->to << line.mid(8), socket->write("250 ok\r\n");
                else if (verb == "DATA")
                    inData = true, socket->write("354 go on\r\n");
                else if (verb == "QUIT")
                    socket->write("221 bye\r\n"), socket->disconnectFromHost();
                else
                    socket->write("502 not here\r\n");
            }
        });
    }

    QTcpServer server_;
};
