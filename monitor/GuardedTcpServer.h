#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>

#include <functional>
#include <memory>

class QTcpSocket;

// The lab monitor's listening socket, guarded so that no client can use up the server: connections beyond
// a total, and beyond a share per client address, are closed at once; a connection that sends nothing for
// a while is closed; and a request must have come whole within a deadline of its first byte, so a client
// that trickles a byte now and then cannot hold a connection for ever.
namespace monitor {

struct ConnectionLimits {
    int total = 256;                 // open connections beyond this are closed at once
    int perPeer = 32;                // from one address (one /64 for IPv6) beyond this: closed at once
    int idleTimeout_ms = 30000;      // a connection that sends nothing this long is closed
    int requestDeadline_ms = 20000;  // a request not whole this long after its first byte: closed
};

// Connections of one client: one IPv4 address (an IPv4-mapped IPv6 address counts as that address), or one
// IPv6 /64, which one host has to itself.
QByteArray peerKey(const QHostAddress& address);

class GuardedTcpServer : public QTcpServer {
  public:
    // log: where a client that reached its share is named (once until it is below it again).
    GuardedTcpServer(const ConnectionLimits& limits, std::function<void(const QString&)> log,
                     QObject* parent);
    ~GuardedTcpServer() override;

    // The request read from this connection is whole: its deadline stops, and the connection is not idle
    // while the answer is being made (the idle clock starts again once the answer is written).
    static void requestComplete(QTcpSocket* socket);

    struct Counts;

  protected:
    void incomingConnection(qintptr descriptor) override;

  private:
    ConnectionLimits limits_;
    std::function<void(const QString&)> log_;
    // Shared with each connection's guard, which may outlive the server as a child of its socket.
    std::shared_ptr<Counts> counts_;
};

}  // namespace monitor
