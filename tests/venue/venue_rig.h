// A venue for one test: `kdsp-sim --devices N` on free loopback ports, a temporary
// venue file naming each processor a room (room1, room2...) with a token per role,
// and `kdspd` serving it on a free port; HTTP and WebSocket clients to talk to it,
// over TLS trusting only the venue's certificate when the settings name one.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>

#include <csignal>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "sim_process.h"

namespace kdsp {

// Runs the event loop until `done` or `ms` have passed; true when done.
inline bool Until(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct HttpReply {
    int status = 0;  // 0: no answer
    QByteArray body;
    QJsonObject Json() const { return QJsonDocument::fromJson(body).object(); }
};

// A kdspd run to its end (killed if it has not ended within 15 s).
struct KdspdRun {
    int exit = -1;  // -1: it did not end by itself
    QByteArray out, err;
};
inline KdspdRun RunKdspd(const QStringList& args) {
    QProcess p;
    p.start(KDSPD_PATH, args);
    KdspdRun run;
    if (p.waitForFinished(15000) && p.exitStatus() == QProcess::NormalExit) {
        run.exit = p.exitCode();
    } else {
        p.kill();
        p.waitForFinished(3000);
    }
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

class VenueRig {
public:
    // `settings`: extra lines of the venue file ("limits.rate = 5").
    explicit VenueRig(int rooms = 2, const QStringList& settings = {})
        : rooms_(rooms), sim_(std::make_unique<SimProcess>(SimArguments())) {
        file_ = dir_.filePath("venue.conf");
        QFile f(file_);
        f.open(QIODevice::WriteOnly);
        for (int k = 0; k < rooms; ++k)
            f.write(QString("room%1 tcp:127.0.0.1:%2\n").arg(k + 1).arg(sim_->Port() + k).toUtf8());
        for (const QString& s : settings) {
            f.write(s.toUtf8() + "\n");
            if (s.startsWith("tls.cert = ")) {
                tls_ = QSslConfiguration::defaultConfiguration();
                tls_->setCaCertificates(QSslCertificate::fromPath(s.mid(11)));
            }
        }
        f.close();
        tokens_["installer"] = AddToken({"installer"});
        tokens_["staff"] = AddToken({"staff"});
        for (int k = 1; k <= rooms; ++k)
            tokens_[QString("room%1").arg(k)] = AddToken({"room", "--room", QString("room%1").arg(k)});
        Start();
    }
    ~VenueRig() { Stop(); }

    // kdspd on a free port (again, after Stop, on the same venue file).
    void Start() {
        proc_ = std::make_unique<QProcess>();
        proc_->setProgram(KDSPD_PATH);
        proc_->setArguments({file_, "--listen", "127.0.0.1:0"});
        proc_->start();
        port_ = 0;
        for (int i = 0; i < 50 && port_ == 0; ++i) {
            if (!proc_->waitForReadyRead(200)) continue;
            const QList<QByteArray> parts = proc_->readAllStandardOutput().trimmed().split(' ');
            if (parts.size() == 3 && parts[0] == "listen") port_ = parts[2].toInt();
        }
    }
    // SIGTERM, or SIGKILL with `kill`.
    void Stop(bool kill = false) {
        if (!proc_ || proc_->state() == QProcess::NotRunning) return;
        kill ? proc_->kill() : proc_->terminate();
        if (!proc_->waitForFinished(5000)) {
            proc_->kill();
            proc_->waitForFinished(3000);
        }
    }
    // Sends kdspd a signal (SIGHUP: read the venue file again).
    void Signal(int signo) { ::kill(static_cast<pid_t>(proc_->processId()), signo); }
    // What kdspd has written to stderr so far.
    QString Errors() {
        Until([] { return false; }, 300);  // lets what it has written arrive
        if (proc_) errors_ += QString::fromUtf8(proc_->readAllStandardError());
        return errors_;
    }
    // Every room online.
    bool WaitOnline(int rooms) {
        return Until([&] { return Call("GET", "/api/v1/health").Json()["online"].toInt() == rooms; }, 20000);
    }

    HttpReply Call(const QByteArray& method, const QString& path, const QString& token = {},
                   const QByteArray& body = {}) {
        return Calls(1, method, path, token, body).front();
    }
    // `n` of the same request at once.
    std::vector<HttpReply> Calls(int n, const QByteArray& method, const QString& path, const QString& token = {},
                                 const QByteArray& body = {}) {
        std::vector<QNetworkReply*> replies;
        for (int i = 0; i < n; ++i) replies.push_back(Send(method, path, token, body));
        Until([&] { return std::all_of(replies.begin(), replies.end(), [](QNetworkReply* r) { return r->isFinished(); }); }, 30000);
        std::vector<HttpReply> out;
        for (QNetworkReply* reply : replies) {
            out.push_back({reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()});
            reply->deleteLater();
        }
        return out;
    }

    // A request on its way, answered while the test goes on (the caller deletes it).
    QNetworkReply* Send(const QByteArray& method, const QString& path, const QString& token = {},
                        const QByteArray& body = {}) {
        QNetworkRequest request(QUrl(QString("%1://127.0.0.1:%2%3").arg(tls_ ? "https" : "http").arg(port_).arg(path)));
        if (tls_) request.setSslConfiguration(*tls_);
        if (!token.isEmpty()) request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        if (!body.isEmpty()) request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        return net_.sendCustomRequest(request, method, body);
    }

    QString Token(const QString& who) const { return tokens_.at(who); }
    // What clients trust when the venue serves over TLS.
    const std::optional<QSslConfiguration>& Tls() const { return tls_; }
    int Port() const { return port_; }
    SimProcess& Sim() { return *sim_; }
    // The processors stopped (SIGTERM), and started again on their ports.
    void StopSim() { port0_ = sim_->Port(), sim_.reset(); }
    void StartSim() { sim_ = std::make_unique<SimProcess>(SimArguments(), port0_); }
    QString File() const { return file_; }
    QString Audit() const { return dir_.filePath("venue.audit.log"); }

private:
    QStringList SimArguments() const { return {"--devices", QString::number(rooms_), "--log"}; }
    QString AddToken(const QStringList& args) {
        return QString::fromUtf8(RunKdspd(QStringList{"token", "add", file_} + args).out.trimmed());
    }

    QTemporaryDir dir_;
    int rooms_;
    int port0_ = 0;
    std::unique_ptr<SimProcess> sim_;
    QString file_;
    std::map<QString, QString> tokens_;
    std::unique_ptr<QProcess> proc_;
    QString errors_;
    int port_ = 0;
    std::optional<QSslConfiguration> tls_;
    QNetworkAccessManager net_;
};

// A client of the events WebSocket, keeping every message it is sent.
class EventClient {
public:
    // With the token in the Authorization header, or (inMessage) as the first message;
    // over TLS (wss) with `tls`.
    EventClient(int port, const QString& token, const QString& room = {}, bool inMessage = false,
                const std::optional<QSslConfiguration>& tls = {}) {
        QNetworkRequest request(QUrl(QString("%1://127.0.0.1:%2/api/v1/events%3")
                                         .arg(tls ? "wss" : "ws")
                                         .arg(port)
                                         .arg(room.isEmpty() ? "" : "?room=" + room)));
        if (tls) socket_.setSslConfiguration(*tls);
        if (!inMessage) request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        QObject::connect(&socket_, &QWebSocket::textMessageReceived,
                         [this](const QString& m) { messages_.push_back(QJsonDocument::fromJson(m.toUtf8()).object()); });
        QObject::connect(&socket_, &QWebSocket::connected, [this, token, inMessage] {
            if (inMessage) socket_.sendTextMessage(QString(R"({"token":"%1"})").arg(token));
        });
        socket_.open(request);
    }
    // The first message kept that `match` accepts, waiting for it up to `ms`.
    std::optional<QJsonObject> WaitFor(const std::function<bool(const QJsonObject&)>& match, int ms = 10000) {
        std::optional<QJsonObject> found;
        Until([&] {
            for (const QJsonObject& m : messages_)
                if (match(m)) {
                    found = m;
                    return true;
                }
            return false;
        }, ms);
        return found;
    }
    bool Closed(int ms = 5000) {
        return Until([&] { return socket_.state() == QAbstractSocket::UnconnectedState; }, ms);
    }
    const std::vector<QJsonObject>& Messages() const { return messages_; }
    void Forget() { messages_.clear(); }

private:
    QWebSocket socket_;
    std::vector<QJsonObject> messages_;
};

}  // namespace kdsp
