// kdsp-sim started on a free loopback port for one test, stopped by the test's end;
// with "--log", the writes it received can be read back as frames.
#pragma once

#include <csignal>
#include <map>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

#include "core/protocol/frames.h"
#include "sent_frame.h"

namespace kdsp {

class SimProcess {
public:
    // On a free port, or on `port` (a processor started again where it was).
    explicit SimProcess(const QStringList& extraArguments = {}, int port = 0) {
        proc_.setProgram(QString::fromLatin1(KDSP_SIM_PATH));
        proc_.setArguments(QStringList{"--listen", QString("127.0.0.1:%1").arg(port)} + extraArguments);
        proc_.start();
        if (!proc_.waitForStarted(5000)) return;
        // With --devices, one line per processor: the first is the first port.
        for (int i = 0; i < 50 && port_ == 0; ++i) {
            if (!proc_.waitForReadyRead(200)) continue;
            const QList<QByteArray> parts = proc_.readAllStandardOutput().trimmed().split('\n').value(0).split(' ');
            if (parts.size() == 3 && parts[0] == "listen") port_ = parts[2].toInt();
        }
    }
    ~SimProcess() { Stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Ends the simulator (SIGTERM, so a --state file is written), killing it if
    // it does not go within three seconds.
    void Stop() {
        if (proc_.state() == QProcess::NotRunning) return;
        proc_.terminate();
        if (!proc_.waitForFinished(3000)) {
            proc_.kill();
            proc_.waitForFinished(3000);
        }
    }
    int Port() const { return port_; }
    // SIGSTOP holds every answer back until SIGCONT.
    void Signal(int signo) { ::kill(static_cast<pid_t>(proc_.processId()), signo); }

    // Sets a word of the processor's memory as another client's write would (the
    // words a test needs that no control of the window can set); true once
    // acknowledged.
    bool Poke(ParamId id, int value) {
        QTcpSocket socket;
        socket.connectToHost("127.0.0.1", static_cast<quint16>(port_));
        if (!socket.waitForConnected(3000)) return false;
        const Bytes frame = BuildValueFrame(CmdWrite, id, static_cast<std::uint16_t>(value));
        socket.write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size()));
        const bool acked = socket.waitForReadyRead(3000);
        socket.disconnectFromHost();
        return acked;
    }

    // The processor sends `bytes` as they stand to its clients (started with
    // "--stdin-commands"): what no request brings out of it, such as a frame cut off
    // halfway. True once the simulator has written them to at least one client.
    bool Send(const Bytes& bytes) {
        proc_.write(("send " + HexBytes(bytes) + "\n").c_str());
        proc_.setReadChannel(QProcess::StandardOutput);
        QByteArray answer;
        for (int i = 0; i < 25 && !answer.contains('\n'); ++i) {
            answer += proc_.readAllStandardOutput();
            if (!answer.contains('\n')) proc_.waitForReadyRead(200);
        }
        return answer.startsWith("sent ") && !answer.contains(" to 0 clients");
    }

    // The writes received since the last call, from the simulator's log (started
    // with "--log"), without the link's own commands (connect, keep-alive,
    // disconnect). Waits until the log has been quiet for a moment.
    std::vector<SentFrame> TakeWrites() {
        WaitQuiet();
        devices_.clear();
        return std::exchange(writes_, {});
    }
    // The same, by processor of a "--devices" venue (1, 2...; 0 for a single one).
    std::map<int, std::vector<SentFrame>> TakeWritesByDevice() {
        WaitQuiet();
        std::map<int, std::vector<SentFrame>> by;
        for (std::size_t i = 0; i < writes_.size(); ++i) by[devices_[i]].push_back(writes_[i]);
        writes_.clear();
        devices_.clear();
        return by;
    }
    // The keep-alives received so far, as far as the log has come without waiting
    // (the caller keeps the event loop running).
    int KeepAlives() {
        ReadLog();
        return keepAlives_;
    }

private:
    void WaitQuiet() {
        proc_.setReadChannel(QProcess::StandardError);
        // A simulator that never falls quiet still lets the test go on after 30 s.
        for (int i = 0; i < 200 && proc_.waitForReadyRead(150); ++i) {
        }
        ReadLog();
    }
    // Takes the whole lines of the log that have come.
    void ReadLog() {
        log_ += proc_.readAllStandardError();
        const qsizetype end = log_.lastIndexOf('\n');
        if (end < 0) return;
        for (const QByteArray& line : log_.left(end).split('\n')) {
            const qsizetype at = line.indexOf(" rx write 0x");
            if (at < 0) continue;
            if (line.contains("(link")) {
                if (line.contains("keep-alive")) ++keepAlives_;
                continue;
            }
            SentFrame f;
            f.id = line.mid(at + 12, 4).toInt(nullptr, 16);
            // "(band N of page P) 6 words: N type frequency gain q shelf" or "= value"
            const qsizetype words = line.indexOf("words:");
            const qsizetype equals = line.indexOf(" = ");
            QList<QByteArray> numbers;
            if (words >= 0)
                numbers = line.mid(words + 6).simplified().split(' ');
            else if (equals >= 0)
                numbers = {line.mid(equals + 3).simplified().split(' ').value(0)};
            for (const QByteArray& n : numbers) f.words.push_back(n.toInt());
            if (line.contains("(band ") && !f.words.empty()) {
                f.band = f.words.front();
                f.words.erase(f.words.begin());
            }
            writes_.push_back(f);
            // "[  12.345] 2/tcp#1 rx write ...": the processor's number before the slash.
            const qsizetype bracket = line.indexOf("] "), slash = line.indexOf('/');
            devices_.push_back(bracket >= 0 && slash > bracket ? line.mid(bracket + 2, slash - bracket - 2).trimmed().toInt() : 0);
        }
        log_ = log_.mid(end + 1);
    }

    QProcess proc_;
    int port_ = 0;
    QByteArray log_;
    std::vector<SentFrame> writes_;  // taken from the log, not yet by TakeWrites
    std::vector<int> devices_;       // the processor of each of writes_
    int keepAlives_ = 0;
};

}  // namespace kdsp
