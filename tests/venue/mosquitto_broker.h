// A real Mosquitto broker for the venue tests: its own config file in a temporary
// folder (loopback only, no persistence, nothing in the system's folders) on a free
// loopback port, stopped by the test; and mosquitto_pub / mosquitto_sub against it.
#pragma once

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

#include <map>
#include <memory>
#include <string>

namespace kdsp {

class Broker {
public:
    Broker() {
        QTcpServer probe;  // a free port, given back at once for the broker to take
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
        probe.close();
        QFile conf(dir_.filePath("mosquitto.conf"));
        conf.open(QIODevice::WriteOnly);
        conf.write(QString("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n"
                           "log_dest stderr\nlog_type error\nlog_type warning\n")
                       .arg(port_)
                       .toUtf8());
        conf.close();
        Start();
    }
    ~Broker() { Stop(); }

    // Same port and config: a broker coming back with nothing retained.
    void Start() {
        proc_ = std::make_unique<QProcess>();
        proc_->start("/usr/sbin/mosquitto", {"-c", dir_.filePath("mosquitto.conf")});
        proc_->waitForStarted(5000);
        for (int i = 0; i < 100 && !Pub("kdsp-test/ready", "1"); ++i) QThread::msleep(50);
    }
    void Stop() {
        if (!proc_ || proc_->state() == QProcess::NotRunning) return;
        proc_->terminate();
        if (!proc_->waitForFinished(5000)) {
            proc_->kill();
            proc_->waitForFinished(3000);
        }
    }
    int Port() const { return port_; }
    QString Url() const { return QString("mqtt://127.0.0.1:%1").arg(port_); }

    // mosquitto_pub at QoS 1; true once the broker has it. `more`: "-r", "-f FILE"...
    bool Pub(const QString& topic, const QByteArray& message, const QStringList& more = {}) const {
        QProcess p;
        QStringList args{"-h", "127.0.0.1", "-p", QString::number(port_), "-q", "1", "-t", topic};
        if (!more.contains("-f") && !more.contains("-n")) args << "-m" << QString::fromUtf8(message);
        p.start("/usr/bin/mosquitto_pub", args + more);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    // Topic -> payload of the first `count` messages on `pattern` (retained ones come
    // first), fewer when no more come within `seconds`.
    std::map<std::string, std::string> Sub(const QString& pattern, int count, int seconds = 2) const {
        QProcess p;
        p.start("/usr/bin/mosquitto_sub", {"-h", "127.0.0.1", "-p", QString::number(port_), "-t", pattern, "-v", "-C",
                                           QString::number(count), "-W", QString::number(seconds)});
        if (!p.waitForFinished((seconds + 5) * 1000)) p.kill(), p.waitForFinished(3000);
        std::map<std::string, std::string> got;
        for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
            if (line.isEmpty()) continue;
            const qsizetype space = line.indexOf(' ');
            got[line.left(space).toStdString()] = space < 0 ? "" : line.mid(space + 1).toStdString();
        }
        return got;
    }

private:
    QTemporaryDir dir_;
    int port_ = 0;
    std::unique_ptr<QProcess> proc_;
};

}  // namespace kdsp
