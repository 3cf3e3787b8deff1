// The connection guard: counts what arrives between two answers and times the requests.
#include "venue/connection_guard.h"

#include <QTimer>

namespace kdsp::venue {

namespace {

// How long a refused client may go on sending what it had begun before the connection
// closes: closing on unread bytes would reset it, and the answer with it.
constexpr int DrainMs = 2000;

class Guard : public QObject {
  public:
    Guard(QTcpSocket* socket, const ConnectionLimits& limits)
        : QObject(socket), socket_(socket), limits_(limits) {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (refused_)
                socket_->disconnectFromHost();  // the answer goes out before the end
            else
                socket_->abort();  // a client that sends a byte a second keeps nothing open for long
        });
        connect(socket, &QIODevice::readyRead, this, [this] { OnData(); });
        connect(socket, &QIODevice::bytesWritten, this, [this] {
            // An answer went out: the request before it is over.
            received_ = 0;
            if (!refused_)
                timer_.stop();
        });
        timer_.start(limits_.timeoutMs);
    }

  private:
    void OnData() {
        if (refused_) {
            socket_->readAll();
            return;
        }
        if (received_ == 0)
            timer_.start(limits_.timeoutMs);
        received_ += socket_->bytesAvailable();
        if (received_ <= limits_.maxRequestBytes)
            return;
        // Nobody else reads this connection again; what comes is read and dropped.
        refused_ = true;
        QObject::disconnect(socket_, &QIODevice::readyRead, nullptr, nullptr);
        connect(socket_, &QIODevice::readyRead, this, [this] { OnData(); });
        if (socket_->isTransactionStarted())
            socket_->commitTransaction();
        socket_->readAll();
        const QByteArray body = R"({"error":"too_large","message":"the request is larger than 64 KiB"})";
        socket_->write("HTTP/1.1 413 Payload Too Large\r\nContent-Type: application/json\r\n"
                       "Connection: close\r\nContent-Length: " +
                       QByteArray::number(body.size()) + "\r\n\r\n" + body);
        timer_.start(DrainMs);
    }

    QTcpSocket* socket_;
    ConnectionLimits limits_;
    QTimer timer_;
    qint64 received_ = 0;
    bool refused_ = false;
};

}  // namespace

void GuardConnection(QTcpSocket* socket, const ConnectionLimits& limits) {
    new Guard(socket, limits);
}

}  // namespace kdsp::venue
