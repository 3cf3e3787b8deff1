// kdsp-sim started on a free loopback port for one test, stopped by the test's end.
#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace kdsp {

class SimProcess {
public:
    explicit SimProcess(const QStringList& extraArguments = {}) {
        proc_.setProgram(QString::fromLatin1(KDSP_SIM_PATH));
        proc_.setArguments(QStringList{"--listen", "127.0.0.1:0"} + extraArguments);
        proc_.start();
        if (!proc_.waitForStarted(5000)) return;
        for (int i = 0; i < 50 && port_ == 0; ++i) {
            if (!proc_.waitForReadyRead(200)) continue;
            const QList<QByteArray> parts = proc_.readAllStandardOutput().trimmed().split(' ');
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

private:
    QProcess proc_;
    int port_ = 0;
};

}  // namespace kdsp
