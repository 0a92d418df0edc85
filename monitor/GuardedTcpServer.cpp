#include "monitor/GuardedTcpServer.h"

#include <QHash>
#include <QSet>
#include <QTcpSocket>
#include <QTimer>

namespace monitor {

struct GuardedTcpServer::Counts {
    int open = 0;
    QHash<QByteArray, int> ofPeer;
    // Said once in the log until the client (or everyone) is below its share again.
    QSet<QByteArray> peersAtShare;
    bool totalReached = false;

    void release(const QByteArray& peer) {
        --open;
        if (--ofPeer[peer] <= 0) {
            ofPeer.remove(peer);
            peersAtShare.remove(peer);
        }
        if (open == 0) totalReached = false;
    }
};

namespace {

const QString kGuardName = QStringLiteral("r7716-connection-guard");

void closeNow(QTcpSocket* socket) {
    socket->abort();
    socket->deleteLater();
}

// Lives as the socket's child, so it goes with the socket however that ends (the client closes, a timer
// closes it, the server itself is deleted) and gives its place back. Its timers are driven by its own
// connections: the HTTP server may drop every connection of a socket whose request it cannot parse, and
// the deadline then still closes that socket.
class ConnectionGuard : public QObject {
  public:
    ConnectionGuard(QTcpSocket* socket, const ConnectionLimits& limits,
                    std::shared_ptr<GuardedTcpServer::Counts> counts, QByteArray peer)
        : QObject(socket), counts_(std::move(counts)), peer_(std::move(peer)) {
        setObjectName(kGuardName);
        idle_.setSingleShot(true);
        idle_.setInterval(limits.idleTimeout_ms);
        deadline_.setSingleShot(true);
        deadline_.setInterval(limits.requestDeadline_ms);
        connect(&idle_, &QTimer::timeout, socket, [socket] { closeNow(socket); });
        connect(&deadline_, &QTimer::timeout, socket, [socket] { closeNow(socket); });
        // A byte keeps the connection from being idle, but never moves the deadline of the request it
        // belongs to: that runs from the connection for the first request, from its first byte after.
        connect(socket, &QIODevice::readyRead, this, [this] {
            idle_.start();
            if (!deadline_.isActive()) deadline_.start();
        });
        connect(socket, &QIODevice::bytesWritten, this, [this] { idle_.start(); });
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        idle_.start();
        deadline_.start();
    }
    ~ConnectionGuard() override { counts_->release(peer_); }

    void requestComplete() {
        deadline_.stop();
        idle_.stop();
    }

  private:
    std::shared_ptr<GuardedTcpServer::Counts> counts_;
    QByteArray peer_;
    QTimer idle_;
    QTimer deadline_;
};

}  // namespace

QByteArray peerKey(const QHostAddress& address) {
    bool v4 = false;
    const quint32 ipv4 = address.toIPv4Address(&v4);
    if (v4) return "4:" + QByteArray::number(ipv4);
    const Q_IPV6ADDR ipv6 = address.toIPv6Address();
    return "6:" + QByteArray(reinterpret_cast<const char*>(ipv6.c), 8).toHex();
}

GuardedTcpServer::GuardedTcpServer(const ConnectionLimits& limits, std::function<void(const QString&)> log,
                                   QObject* parent)
    : QTcpServer(parent), limits_(limits), log_(std::move(log)), counts_(std::make_shared<Counts>()) {}

GuardedTcpServer::~GuardedTcpServer() = default;

void GuardedTcpServer::requestComplete(QTcpSocket* socket) {
    if (!socket) return;
    if (QObject* guard = socket->findChild<QObject*>(kGuardName, Qt::FindDirectChildrenOnly))
        static_cast<ConnectionGuard*>(guard)->requestComplete();
}

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        socket->deleteLater();
        return;
    }
    const QByteArray peer = peerKey(socket->peerAddress());
    Counts& counts = *counts_;
    const int ofPeer = counts.ofPeer.value(peer);
    if (counts.open >= limits_.total || ofPeer >= limits_.perPeer) {
        QString said;
        if (ofPeer >= limits_.perPeer && !counts.peersAtShare.contains(peer)) {
            counts.peersAtShare.insert(peer);
            said = QStringLiteral("%1 holds %2 connections; more from it are closed at once.")
                       .arg(socket->peerAddress().toString())
                       .arg(ofPeer);
        } else if (counts.open >= limits_.total && !counts.totalReached) {
            counts.totalReached = true;
            said = QStringLiteral("%1 connections are open; more are closed at once.").arg(counts.open);
        }
        if (!said.isEmpty() && log_) log_(said);
        closeNow(socket);
        return;
    }
    ++counts.open;
    ++counts.ofPeer[peer];
    new ConnectionGuard(socket, limits_, counts_, peer);
    addPendingConnection(socket);
}

}  // namespace monitor
