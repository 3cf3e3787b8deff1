// Limits Qt HTTP Server 6.4 does not keep by itself, kept on each connection before
// the server reads it: a request (line, headers and body) larger than the limit is
// answered 413 and the connection closed; a request not whole within the timeout,
// or a connection silent from the start, is dropped.
#pragma once

#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>

namespace kdsp::venue {

struct ConnectionLimits {
    qint64 maxRequestBytes = 64 * 1024 + 16 * 1024;  // the body's 64 KiB and the head's 16 KiB
    int timeoutMs = 10000;
};

// Watches the socket from now on; call it before anybody else connects to its signals.
void GuardConnection(QTcpSocket* socket, const ConnectionLimits& limits);

// A server that guards every connection it hands out.
template <class Base>
class GuardedServer : public Base {
  public:
    explicit GuardedServer(const ConnectionLimits& limits) : limits_(limits) {}
    QTcpSocket* nextPendingConnection() override {
        QTcpSocket* socket = Base::nextPendingConnection();
        if (socket)
            GuardConnection(socket, limits_);
        return socket;
    }

  private:
    ConnectionLimits limits_;
};

}  // namespace kdsp::venue
