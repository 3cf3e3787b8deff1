// kdspd serving a venue of simulated processors (kdsp-sim --devices N) with M clients on
// its events WebSocket, all on loopback: the time from an HTTP set to its frame at the
// simulator and to the answer (p50, p99), from the answer to the last subscribed client
// hearing the acknowledgement (p50, p99), the service's CPU while idle with every
// processor online, and its memory per processor. The clients run in this process, so
// the fan-out includes their own work on the same cores.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QWebSocket>

#include <algorithm>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

int Processors() {
    return qEnvironmentVariableIntValue("KDSP_BENCH_PROCESSORS") > 0 ? qEnvironmentVariableIntValue("KDSP_BENCH_PROCESSORS") : 200;
}
int Clients() {
    return qEnvironmentVariableIntValue("KDSP_BENCH_CLIENTS") > 0 ? qEnvironmentVariableIntValue("KDSP_BENCH_CLIENTS") : 500;
}

bool Until(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

// The kernel's count of a process's CPU time (user + system) in clock ticks, and its
// resident memory in KiB.
long long CpuTicks(qint64 pid) {
    QFile f(QString("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = f.readAll().split(')').value(1).trimmed().split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}
long long RssKiB(qint64 pid) {
    QFile f(QString("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// The simulator, the venue file with an installer token, and kdspd serving it.
class Venue {
public:
    // With `log`, the writes the simulator receives can be seen (its log is read all along).
    Venue(int processors, bool log) {
        sim_.setProgram(KDSP_SIM_PATH);
        sim_.setArguments({"--listen", "127.0.0.1:0", "--devices", QString::number(processors)});
        if (log)
            sim_.setArguments(sim_.arguments() << "--log");
        else
            sim_.setStandardErrorFile(QProcess::nullDevice());
        sim_.start();
        int first = 0;
        QByteArray out;
        Until([&] {
            sim_.waitForReadyRead(50);
            out += sim_.readAllStandardOutput();
            if (!first && out.startsWith("listen ")) first = out.split('\n')[0].split(' ').value(2).toInt();
            return out.count('\n') >= processors;
        }, 30000);
        const QString file = dir_.filePath("venue.conf");
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        for (int k = 0; k < processors; ++k) f.write(QString("room%1 tcp:127.0.0.1:%2\n").arg(k + 1).arg(first + k).toUtf8());
        f.write("limits.rate = 100000\nlimits.websockets = 100000\n");
        f.close();
        QProcess add;
        add.start(KDSPD_PATH, {"token", "add", file, "installer"});
        add.waitForFinished(10000);
        token_ = add.readAllStandardOutput().trimmed();
        kdspd_.setProgram(KDSPD_PATH);
        kdspd_.setArguments({file, "--listen", "127.0.0.1:0"});
        kdspd_.setStandardErrorFile(QProcess::nullDevice());
        kdspd_.start();
        Until([&] {
            kdspd_.waitForReadyRead(50);
            const QList<QByteArray> parts = kdspd_.readAllStandardOutput().trimmed().split(' ');
            if (parts.size() == 3) port_ = parts[2].toInt();
            return port_ != 0;
        }, 10000);
        // A log nobody reads would fill its pipe and stop the simulator.
        online_ = Until([&] { return sim_.readAllStandardError(), Health() == processors; }, 120000);
    }
    ~Venue() {
        for (QProcess* p : {&kdspd_, &sim_}) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }
    int Health() {
        QNetworkReply* r = net_.get(QNetworkRequest(QUrl(QString("http://127.0.0.1:%1/api/v1/health").arg(port_))));
        Until([r] { return r->isFinished(); }, 5000);
        const QByteArray body = r->readAll();
        r->deleteLater();
        const qsizetype at = body.indexOf("\"online\":");
        return at < 0 ? -1 : body.mid(at + 9).split(',').value(0).split('}').value(0).toInt();
    }
    QNetworkReply* Patch(int room, int value) {
        QNetworkRequest request(QUrl(QString("http://127.0.0.1:%1/api/v1/rooms/room%2/params").arg(port_).arg(room)));
        request.setRawHeader("Authorization", "Bearer " + token_);
        return net_.sendCustomRequest(request, "PATCH", QString(R"({"echo.effect.level": %1})").arg(value).toUtf8());
    }
    // True once the simulator's log shows a write of `value` to the echo level.
    bool FrameSeen(int value) {
        log_ += sim_.readAllStandardError();
        const QByteArray want = "rx write 0x0401 = " + QByteArray::number(value) + " ";
        const qsizetype at = log_.indexOf(want);
        if (at < 0) return false;
        log_ = log_.mid(at + want.size());
        return true;
    }
    bool Online() const { return online_; }
    int Port() const { return port_; }
    QByteArray Token() const { return token_; }
    qint64 Pid() const { return kdspd_.processId(); }

private:
    QTemporaryDir dir_;
    QProcess sim_, kdspd_;
    QNetworkAccessManager net_;
    QByteArray token_, log_;
    int port_ = 0;
    bool online_ = false;
};

void BM_VenueSetAndFanOut(benchmark::State& state) {
    Venue venue(Processors(), true);
    if (!venue.Online()) {
        state.SkipWithError("the venue did not come online");
        return;
    }
    std::vector<std::unique_ptr<QWebSocket>> clients;
    int acks = 0, connected = 0;
    for (int i = 0; i < Clients(); ++i) {
        auto ws = std::make_unique<QWebSocket>();
        QObject::connect(ws.get(), &QWebSocket::textMessageReceived, [&acks](const QString& m) {
            if (m.contains("\"type\":\"ack\"") && m.contains("\"room1\"")) ++acks;
        });
        QObject::connect(ws.get(), &QWebSocket::connected, [&connected] { ++connected; });
        QNetworkRequest request(QUrl(QString("ws://127.0.0.1:%1/api/v1/events?room=room1").arg(venue.Port())));
        request.setRawHeader("Authorization", "Bearer " + venue.Token());
        ws->open(request);
        clients.push_back(std::move(ws));
    }
    if (!Until([&] { return connected == Clients(); }, 60000)) {
        state.SkipWithError("the clients did not all connect");
        return;
    }
    std::vector<double> toFrame, toAnswer, fanOut;
    int value = 1;
    for (auto _ : state) {
        value = value % 99 + 1;
        acks = 0;
        QElapsedTimer clock;
        clock.start();
        QNetworkReply* reply = venue.Patch(1, value);
        double frame = -1, answer = -1, last = -1;
        Until([&] {
            if (frame < 0 && venue.FrameSeen(value)) frame = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            if (answer < 0 && reply->isFinished()) answer = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            if (last < 0 && acks >= Clients()) last = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            return frame >= 0 && answer >= 0 && last >= 0;
        }, 10000);
        reply->deleteLater();
        toFrame.push_back(frame);
        toAnswer.push_back(answer);
        fanOut.push_back(last - answer);
        state.SetIterationTime(answer / 1000.0);
    }
    state.counters["set_to_frame_p50_ms"] = Percentile(toFrame, 0.5);
    state.counters["set_to_frame_p99_ms"] = Percentile(toFrame, 0.99);
    state.counters["set_to_answer_p50_ms"] = Percentile(toAnswer, 0.5);
    state.counters["set_to_answer_p99_ms"] = Percentile(toAnswer, 0.99);
    state.counters["fan_out_p50_ms"] = Percentile(fanOut, 0.5);
    state.counters["fan_out_p99_ms"] = Percentile(fanOut, 0.99);
    state.counters["processors"] = Processors();
    state.counters["clients"] = Clients();
}
BENCHMARK(BM_VenueSetAndFanOut)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

void BM_VenueIdle(benchmark::State& state) {
    long long oneRoom = 0;
    {
        Venue one(1, false);
        oneRoom = RssKiB(one.Pid());
    }
    Venue venue(Processors(), false);
    if (!venue.Online()) {
        state.SkipWithError("the venue did not come online");
        return;
    }
    double cpu = 0;
    for (auto _ : state) {
        const long long before = CpuTicks(venue.Pid());
        QElapsedTimer clock;
        clock.start();
        Until([] { return false; }, 10000);  // ten idle seconds: keep-alives only
        const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
        cpu = 100.0 * static_cast<double>(CpuTicks(venue.Pid()) - before) / static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["idle_cpu_percent"] = cpu;
    state.counters["rss_MiB"] = static_cast<double>(RssKiB(venue.Pid())) / 1024.0;
    state.counters["KiB_per_processor"] =
        static_cast<double>(RssKiB(venue.Pid()) - oneRoom) / std::max(1, Processors() - 1);
    state.counters["processors"] = Processors();
}
BENCHMARK(BM_VenueIdle)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
