// Whole-memory transfers against kdsp-sim, paced and fast, over loopback TCP and over
// a pseudo-terminal the simulator paces like a 57600-baud line: a full read (link
// button to online) and an upload (upload event to online). Each reports its time
// as a ratio to the wire limit (every byte both ways at 10 bits / 57600 baud) and to
// the paced floor (the search ticks and one step per transfer tick).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "child_process.h"
#include "core/link/link.h"
#include "qtlink/qt_link_timers.h"
#include "qtlink/qt_transport.h"

namespace {

constexpr int ReadRequests = 38;
constexpr int UploadFrames = 20;
constexpr int LineBaud = 57600;

class QuietHost : public kdsp::LinkDisplay {
public:
    void StatusChanged(kdsp::LinkStatus) override {}
    void WorkStatus(kdsp::LinkStatus) override {}
    void WorkPlace(const std::optional<std::string>&) override {}
    void WorkProgress(int) override {}
    void WorkGoesOn() override {}
    void WorkEnded() override {}
    void Notify(kdsp::LinkNotice) override {}
    void ImageLoaded() override {}
    void LinkActive(bool) override {}
    void ModeNamesChanged(const std::vector<std::string>&) override {}
    void IdentityChanged(const std::string&) override {}
    void Diagnostic(const std::string&) override {}
    void CameOnline() override {}
    bool HoldsEdits() const override { return suppress; }
    void SetHoldsEdits(bool on) override { suppress = on; }
    bool suppress = false;
};

// The Qt transport, counting the bytes written through it.
class CountingTransport : public kdsp::Transport {
public:
    explicit CountingTransport(kdsp::QtTransport& t) : t_(t) {}
    std::vector<std::string> ListPorts() override { return t_.ListPorts(); }
    bool OpenSerial(const std::string& name) override { return t_.OpenSerial(name); }
    void CloseSerial() override { t_.CloseSerial(); }
    bool IsSerialOpen() const override { return t_.IsSerialOpen(); }
    void ConnectTcp(const std::string& host, int port) override { t_.ConnectTcp(host, port); }
    void DisconnectTcp() override { t_.DisconnectTcp(); }
    void Write(int kind, std::span<const std::uint8_t> bytes) override {
        written += static_cast<long>(bytes.size());
        t_.Write(kind, bytes);
    }
    long written = 0;

private:
    kdsp::QtTransport& t_;
};

// kdsp-sim on a free loopback port and a paced pseudo-terminal, stopped by pid.
struct Simulator {
    Simulator() {
        for (const std::string& line : process.ReadLines(2, 5000)) {
            if (line.rfind("listen ", 0) == 0) port = std::stoi(line.substr(line.rfind(' ') + 1));
            if (line.rfind("pty ", 0) == 0) pty = line.substr(4);
        }
    }
    ChildProcess process{{KDSP_SIM_PATH, "--listen", "127.0.0.1:0", "--pty", "--pty-baud", std::to_string(LineBaud)}};
    int port = 0;
    std::string pty;
};

Simulator* sim = nullptr;

enum class Op { Read, Upload };

// One link, its transport and timers, counting every byte both ways.
struct BenchLink {
    kdsp::Model model;
    QuietHost host;
    kdsp::QtTransport qtTransport;
    CountingTransport transport{qtTransport};
    kdsp::QtLinkTimers timers;
    kdsp::Link link{model, transport, timers, host};
    long received = 0;

    BenchLink(bool tcp, bool fast) {
        timers.Attach(&link);
        qtTransport.SetHandlers(
            [this](std::span<const std::uint8_t> b) {
                received += static_cast<long>(b.size());
                link.OnSerialBytes(b);
            },
            [this](std::span<const std::uint8_t> b) {
                received += static_cast<long>(b.size());
                link.OnTcpBytes(b);
            },
            [this](bool was, const std::string& why) { link.OnTcpClosed(was, why); });
        qtTransport.SetPortList(tcp ? std::vector<std::string>{} : std::vector<std::string>{sim->pty});
        link.SetTcpEndpoint("127.0.0.1", sim->port);
        link.RefreshPortList();
        link.SetFastTransfers(fast);
    }

    // Runs `start` and the event loop until online (true) or a failure.
    bool RunUntilOnline(const std::function<void()>& start) {
        bool online = false;
        link.EventObserver = [&online](int event) {
            if (event == kdsp::EventOnline) online = true;
            if (event == kdsp::EventOnline || event == kdsp::EventConnectFailed || event == kdsp::EventLinkLost)
                QCoreApplication::exit(0);
        };
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        limit.start(60000);
        QTimer::singleShot(0, start);
        QCoreApplication::exec();
        link.EventObserver = nullptr;
        return online;
    }

    long Bytes() const { return transport.written + received; }
};

void Transfer(benchmark::State& state, Op op, bool tcp, bool fast) {
    if (!sim || sim->port == 0 || sim->pty.empty()) {
        state.SkipWithError("kdsp-sim did not start");
        return;
    }
    double ms = 0, wireMs = 0;
    for (auto _ : state) {
        BenchLink b(tcp, fast);
        QElapsedTimer clock;
        clock.start();
        if (!b.RunUntilOnline([&b] { b.link.LinkBtnClick(true); })) {
            state.SkipWithError("the read did not come online");
            return;
        }
        if (op == Op::Upload) {
            const long before = b.Bytes();
            clock.restart();
            if (!b.RunUntilOnline([&b] { b.link.RaiseLinkEvent(kdsp::EventUpload); })) {
                state.SkipWithError("the upload did not come back online");
                return;
            }
            ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            wireMs = static_cast<double>(b.Bytes() - before) * 10.0 * 1000.0 / LineBaud;
        } else {
            ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            wireMs = static_cast<double>(b.Bytes()) * 10.0 * 1000.0 / LineBaud;
        }
        b.link.LinkBtnClick(false);
        b.qtTransport.FlushWrites(500);
        state.SetIterationTime(ms / 1000.0);
    }
    const double stepMs = tcp && op == Op::Read ? kdsp::TransferTcpIntervalMs : kdsp::TransferIntervalMs;
    const double floorMs = op == Op::Read ? 2.0 * kdsp::SearchIntervalMs + ReadRequests * stepMs
                                          : UploadFrames * stepMs;
    state.counters["wire_ms"] = wireMs;
    state.counters["ratio_to_wire"] = ms / wireMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["ratio_to_floor"] = ms / floorMs;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Simulator simulator;
    sim = &simulator;
    for (Op op : {Op::Read, Op::Upload})
        for (bool tcp : {true, false})
            for (bool fast : {false, true}) {
                const std::string name = std::string(op == Op::Read ? "FullRead" : "Upload") + "/" +
                                         (tcp ? "tcp" : "pty57600") + "/" + (fast ? "fast" : "paced");
                benchmark::RegisterBenchmark(name.c_str(), Transfer, op, tcp, fast)
                    ->Iterations(1)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
            }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
