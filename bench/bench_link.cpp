// Time from pressing the link button to online for a full read against kdsp-sim
// over loopback TCP, as a ratio to the pacing floor: two search ticks plus
// 38 transfer steps at the TCP transfer interval. A ratio near 1 means nothing
// but the link's own pacing costs time.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "qtlink/qt_link.h"

extern char** environ;

namespace {

constexpr int ReadRequests = 38;
constexpr double PacingFloorMs =
    2.0 * kdsp::SearchIntervalMs + ReadRequests * double(kdsp::TransferTcpIntervalMs);

class QuietHost : public kdsp::LinkHost {
public:
    void SetLinkLabel(const std::string&, const std::string&) override {}
    void SetStatusText(const std::string&) override {}
    void SetStatusPort(const std::string&) override {}
    void SetStatusProgress(int) override {}
    void ShowStatusDialog() override {}
    void HideStatusDialog() override {}
    void ShowMessage(const std::string&, const std::string&) override {}
    void RefreshAllPages() override {}
    void ShowLinkButtons(bool) override {}
    void RebuildModeList(const std::vector<std::string>&) override {}
    void ShowDeviceIdentity(const std::string&) override {}
    void Diagnostic(const std::string&) override {}
    void ShowMainWindow() override {}
    bool SuppressSend() const override { return suppress; }
    void SetSuppressSend(bool on) override { suppress = on; }
    bool suppress = false;
};

// kdsp-sim on a free loopback port, stopped by pid when the benchmark ends.
struct Simulator {
    Simulator() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string program = KDSP_SIM_PATH;
        char listen[] = "--listen";
        char address[] = "127.0.0.1:0";
        char* argv[] = {program.data(), listen, address, nullptr};
        if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        std::string line;
        pollfd p{fds[0], POLLIN, 0};
        while (pid > 0 && line.find('\n') == std::string::npos && ::poll(&p, 1, 5000) > 0) {
            char c[64];
            const ssize_t n = ::read(fds[0], c, sizeof c);
            if (n <= 0) break;
            line.append(c, static_cast<std::size_t>(n));
        }
        ::close(fds[0]);
        if (line.rfind("listen ", 0) == 0) port = std::stoi(line.substr(line.rfind(' ') + 1));
    }
    ~Simulator() {
        if (pid <= 0) return;
        ::kill(pid, SIGTERM);
        int st = 0;
        for (int i = 0; i < 250 && ::waitpid(pid, &st, WNOHANG) == 0; ++i) ::usleep(20000);
        if (::waitpid(pid, &st, WNOHANG) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &st, 0);
        }
    }
    pid_t pid = -1;
    int port = 0;
};

void FullReadToOnline(benchmark::State& state) {
    int argc = 1;
    char name[] = "bench_link";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Simulator sim;
    if (sim.port == 0) {
        state.SkipWithError("kdsp-sim did not start");
        return;
    }
    double ratioSum = 0;
    int runs = 0;
    for (auto _ : state) {
        kdsp::Model model;
        QuietHost host;
        kdsp::QtLink qt(model, host);
        qt.transport().SetPortList(std::vector<std::string>{});
        qt.link().SetTcpEndpoint("127.0.0.1", sim.port);
        qt.link().RefreshPortList();
        bool online = false;
        qt.link().EventObserver = [&](int event) {
            if (event == kdsp::EventOnline) online = true;
            if (event == kdsp::EventOnline || event == kdsp::EventConnectFailed)
                QCoreApplication::exit(0);
        };
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        limit.start(60000);
        QElapsedTimer clock;
        clock.start();
        qt.link().LinkBtnClick(true);
        QCoreApplication::exec();
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        qt.link().EventObserver = nullptr;
        qt.link().LinkBtnClick(false);
        qt.transport().FlushWrites(500);
        if (!online) {
            state.SkipWithError("the read did not come online");
            return;
        }
        state.SetIterationTime(ms / 1000.0);
        ratioSum += ms / PacingFloorMs;
        ++runs;
    }
    state.counters["floor_ms"] = PacingFloorMs;
    state.counters["ratio_to_floor"] = runs ? ratioSum / runs : 0;
}

BENCHMARK(FullReadToOnline)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
