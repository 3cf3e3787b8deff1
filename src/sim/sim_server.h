// The simulator's event-loop side of one processor: a TCP server for any number of
// clients and an optional pseudo-terminal, each with its own session on it.
#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <map>
#include <memory>
#include <string>

#include "simdevice/sim_connection.h"
#include "simdevice/sim_device.h"

namespace kdsp {

class SimServer : public QObject {
    Q_OBJECT
public:
    // `name` goes before the client names in the log ("3/tcp#1"); empty for one processor.
    SimServer(SimDevice& device, const FaultOptions& faults, bool log, std::string name = {});
    ~SimServer() override;

    // Empty when it listens; otherwise why the address cannot be bound.
    std::string Listen(const QHostAddress& address, quint16 port);
    void StopListening() { server_.close(); }
    quint16 TcpPort() const { return server_.serverPort(); }
    // Creates the pseudo-terminal; returns its slave path or an empty string. With a
    // baud rate, the pseudo-terminal is paced like a serial line of that rate.
    std::string OpenPty(int baud = 0);
    // Writes `bytes` at once to every client, past the sessions and their faults;
    // returns how many clients got them.
    int SendRaw(const Bytes& bytes);

private:
    struct Endpoint {
        std::unique_ptr<SimConnection> session;
        QTcpSocket* socket = nullptr;  // null for the pty
        std::string name;
    };

    void OnNewConnection();
    void OnSocketReadable(QTcpSocket* socket);
    void OnPtyReadable();
    void OnPtyWritable();
    void Flush();  // writes every due answer and re-arms the timer
    void WriteTo(Endpoint& endpoint, const Bytes& bytes);
    std::unique_ptr<SimConnection> NewSession(const std::string& name);
    std::int64_t Now() const { return clock_.elapsed(); }

    SimDevice& device_;
    FaultState faults_;
    bool log_;
    std::string name_;
    QElapsedTimer clock_;
    QTcpServer server_;
    QTimer dueTimer_;
    std::map<QTcpSocket*, Endpoint> clients_;
    int clientCount_ = 0;

    int ptyMaster_ = -1;
    int ptySlave_ = -1;  // held open so the master never reads EOF between clients
    Endpoint pty_;
    QSocketNotifier* ptyRead_ = nullptr;
    QSocketNotifier* ptyWrite_ = nullptr;
    Bytes ptyBacklog_;
};

}  // namespace kdsp
