// TCP clients and the pseudo-terminal of the simulator, fed into device sessions;
// answers leave when their (possibly delayed or split) time has come.
#include "sim/sim_server.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace kdsp {

SimServer::SimServer(SimDevice& device, const FaultOptions& faults, bool log, std::string name)
    : device_(device), faults_(faults), log_(log), name_(name.empty() ? "" : name + "/") {
    clock_.start();
    dueTimer_.setSingleShot(true);
    dueTimer_.setTimerType(Qt::PreciseTimer);
    connect(&dueTimer_, &QTimer::timeout, this, &SimServer::Flush);
    connect(&server_, &QTcpServer::newConnection, this, &SimServer::OnNewConnection);
}

SimServer::~SimServer() {
    if (ptySlave_ >= 0) ::close(ptySlave_);
    if (ptyMaster_ >= 0) ::close(ptyMaster_);
}

std::unique_ptr<SimConnection> SimServer::NewSession(const std::string& name) {
    auto session = std::make_unique<SimConnection>(device_, faults_);
    if (log_) {
        session->SetLogger([this, name](const std::string& line) {
            std::fprintf(stderr, "[%8.3f] %s %s\n", static_cast<double>(Now()) / 1000.0,
                         name.c_str(), line.c_str());
        });
    }
    return session;
}

std::string SimServer::Listen(const QHostAddress& address, quint16 port) {
    if (server_.listen(address, port)) return {};
    return "cannot listen on " + address.toString().toStdString() + ":" + std::to_string(port) +
           ": " + server_.errorString().toStdString();
}

void SimServer::OnNewConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        const std::string name = name_ + "tcp#" + std::to_string(++clientCount_);
        Endpoint& e = clients_[socket];
        e.socket = socket;
        e.name = name;
        e.session = NewSession(name);
        if (log_)
            std::fprintf(stderr, "kdsp-sim: client %s from %s:%u\n", name.c_str(),
                         socket->peerAddress().toString().toStdString().c_str(),
                         socket->peerPort());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnSocketReadable(socket); });
        // Queued, so that a client vanishing during a write never pulls the
        // endpoint out from under the loop that is serving it.
        connect(
            socket, &QTcpSocket::disconnected, this,
            [this, socket] {
                auto it = clients_.find(socket);
                if (it == clients_.end()) return;
                if (log_) std::fprintf(stderr, "kdsp-sim: client %s gone\n", it->second.name.c_str());
                clients_.erase(it);
                socket->deleteLater();
            },
            Qt::QueuedConnection);
    }
}

void SimServer::OnSocketReadable(QTcpSocket* socket) {
    auto it = clients_.find(socket);
    if (it == clients_.end()) return;
    const QByteArray data = socket->readAll();
    it->second.session->Receive(
        std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                  static_cast<std::size_t>(data.size())),
        Now());
    Flush();
}

std::string SimServer::OpenPty(int baud) {
    ptyMaster_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (ptyMaster_ < 0 || ::grantpt(ptyMaster_) != 0 || ::unlockpt(ptyMaster_) != 0) {
        std::perror("kdsp-sim: pseudo-terminal");
        return {};
    }
    const char* slaveName = ::ptsname(ptyMaster_);
    if (!slaveName) return {};
    const std::string path = slaveName;
    ptySlave_ = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (ptySlave_ >= 0) {
        // A serial line carries raw bytes: no echo, no line editing, no CR/LF games.
        termios t{};
        if (::tcgetattr(ptySlave_, &t) == 0) {
            ::cfmakeraw(&t);
            ::cfsetspeed(&t, B57600);
            ::tcsetattr(ptySlave_, TCSANOW, &t);
        }
    }
    ::fcntl(ptyMaster_, F_SETFL, ::fcntl(ptyMaster_, F_GETFL) | O_NONBLOCK);
    pty_.name = name_ + "pty";
    pty_.session = NewSession(pty_.name);
    pty_.session->SetLineBaud(baud);
    ptyRead_ = new QSocketNotifier(ptyMaster_, QSocketNotifier::Read, this);
    connect(ptyRead_, &QSocketNotifier::activated, this, &SimServer::OnPtyReadable);
    ptyWrite_ = new QSocketNotifier(ptyMaster_, QSocketNotifier::Write, this);
    ptyWrite_->setEnabled(false);
    connect(ptyWrite_, &QSocketNotifier::activated, this, &SimServer::OnPtyWritable);
    return path;
}

void SimServer::OnPtyReadable() {
    std::uint8_t buf[512];
    for (;;) {
        const ssize_t n = ::read(ptyMaster_, buf, sizeof buf);
        if (n > 0) {
            pty_.session->Receive(std::span(buf, static_cast<std::size_t>(n)), Now());
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;  // EAGAIN: drained
    }
    Flush();
}

void SimServer::OnPtyWritable() {
    while (!ptyBacklog_.empty()) {
        const ssize_t n = ::write(ptyMaster_, ptyBacklog_.data(), ptyBacklog_.size());
        if (n > 0) {
            ptyBacklog_.erase(ptyBacklog_.begin(), ptyBacklog_.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    ptyWrite_->setEnabled(!ptyBacklog_.empty());
}

void SimServer::WriteTo(Endpoint& endpoint, const Bytes& bytes) {
    if (endpoint.socket) {
        endpoint.socket->write(reinterpret_cast<const char*>(bytes.data()),
                               static_cast<qint64>(bytes.size()));
        endpoint.socket->flush();
        return;
    }
    ptyBacklog_.insert(ptyBacklog_.end(), bytes.begin(), bytes.end());
    OnPtyWritable();
}

int SimServer::SendRaw(const Bytes& bytes) {
    int clients = 0;
    auto send = [&](Endpoint& e) {
        if (log_)
            std::fprintf(stderr, "[%8.3f] %s tx raw (as commanded): %s\n", static_cast<double>(Now()) / 1000.0,
                         e.name.c_str(), HexBytes(bytes).c_str());
        WriteTo(e, bytes);
        ++clients;
    };
    for (auto& [socket, endpoint] : clients_) send(endpoint);
    if (pty_.session) send(pty_);
    return clients;
}

void SimServer::Flush() {
    const std::int64_t now = Now();
    std::optional<std::int64_t> next;
    std::vector<QTcpSocket*> hangUp;
    auto serve = [&](Endpoint& e) {
        for (const Bytes& chunk : e.session->TakeDue(now)) WriteTo(e, chunk);
        if (e.socket && e.session->WantsClose()) hangUp.push_back(e.socket);
        if (auto due = e.session->NextDueMs(); due && (!next || *due < *next)) next = due;
    };
    for (auto& [socket, endpoint] : clients_) serve(endpoint);
    if (pty_.session) serve(pty_);
    // The disconnected handler (queued) forgets the client.
    for (QTcpSocket* socket : hangUp) socket->disconnectFromHost();
    if (next)
        dueTimer_.start(static_cast<int>(std::max<std::int64_t>(0, *next - now)));
    else
        dueTimer_.stop();
}

}  // namespace kdsp
