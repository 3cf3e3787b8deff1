// The link session of the kdsp commands: connect, run the command's steps at
// each online event, say goodbye, all bounded in time.
#include "cli/cli_session.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>

namespace kdsp::cli {

namespace {

// How long a whole command may take before it gives up on its own (the link's
// own time-outs normally end a failed attempt well before).
constexpr int CommandLimitMs = 180000;
constexpr int DrainCheckMs = 20;

}  // namespace

void CliHost::SetStatusText(const std::string& text) {
    text_ = text;
    Show();
}

void CliHost::SetStatusProgress(int percent) {
    percent_ = percent;
    Show();
}

void CliHost::ShowMessage(const std::string& caption, const std::string& text) {
    EndLine();
    std::cerr << "kdsp: " << caption << ": " << text << "\n";
}

void CliHost::EndLine() {
    if (lineOpen_)
        std::cerr << "\n";
    lineOpen_ = false;
}

void CliHost::Show() {
    if (muted_)
        return;
    percent_ = std::clamp(percent_, 0, 100);
    const std::string note = waitingNote ? waitingNote() : std::string();
    if (text_ == shownText_ && percent_ == shownPercent_ && port_ == shownPort_ && note == shownNote_)
        return;
    const bool tty = ::isatty(STDERR_FILENO) != 0;
    // Without a terminal, one line per status change and per tenth of the way.
    if (!tty && text_ == shownText_ && port_ == shownPort_ && note == shownNote_ &&
        percent_ / 10 == shownPercent_ / 10 && percent_ != 100)
        return;
    shownText_ = text_;
    shownPercent_ = percent_;
    shownPort_ = port_;
    shownNote_ = note;
    const std::string waiting = note.empty() ? "" : ", waiting for " + note;
    if (tty) {
        std::cerr << "\r" << text_ << " [" << port_ << "] " << percent_ << "%" << waiting << "\x1b[K"
                  << std::flush;
        lineOpen_ = true;
    } else {
        std::cerr << text_ << " [" << port_ << "] " << percent_ << "%" << waiting << "\n";
    }
}

void AddEndpointOptions(CLI::App* cmd, Endpoint& e) {
    cmd->add_option("--serial", e.serial, "serial port of the processor");
    cmd->add_option("--host", e.host, "TCP address of the processor");
    cmd->add_option("--port", e.port, "TCP port (default 8889)")->check(CLI::Range(1, 65535));
}

void AddFastOption(CLI::App* cmd, Endpoint& e) {
    cmd->add_flag("--fast", e.fast,
                  "send each transfer step as soon as the last one is answered, not on the "
                  "processor's usual pace");
}

LinkSession::LinkSession(const Endpoint& e) : qt_(model_, host_) {
    if (e.serial.empty() && e.host.empty())
        throw Refused("give --serial PORT or --host HOST");
    auto& t = qt_.transport();
    t.SetPortList(e.serial.empty() ? std::vector<std::string>{}
                                   : std::vector<std::string>{e.serial});
    // With only a serial port named, the TCP fall-back stays on this machine.
    qt_.link().SetTcpEndpoint(e.host.empty() ? "127.0.0.1" : e.host, e.port);
    qt_.link().RefreshPortList();
    qt_.link().SetFastTransfers(e.fast);
    host_.waitingNote = [this] {
        return qt_.link().WaitedMs() > 1000 ? qt_.link().WaitingFor() : std::string();
    };
}

int LinkSession::Run(std::function<bool(int onlineCount)> online) {
    int argc = 1;
    static char name[] = "kdsp";
    char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> ownApp;
    if (!QCoreApplication::instance())
        ownApp = std::make_unique<QCoreApplication>(argc, argv);
    int onlineCount = 0;
    link().EventObserver = [&](int event) {
        if (done_)
            return;
        if (event == EventOnline) {
            if (online(++onlineCount))
                Disconnect(0);
        } else if (event == EventConnectFailed || event == EventLinkLost) {
            const std::string& reason = link().FailureReason();
            std::cerr << "kdsp: " << (reason.empty() ? "connect failed" : reason) << "\n";
            Finish(1);
        }
    };
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [this] {
        std::cerr << "kdsp: no result within " << CommandLimitMs / 1000 << " s\n";
        Finish(1);
    });
    limit.start(CommandLimitMs);
    QTimer::singleShot(0, [this] { link().LinkBtnClick(true); });
    QCoreApplication::exec();
    link().EventObserver = nullptr;
    return rc_;
}

void LinkSession::Disconnect(int code) {
    host_.Mute();
    link().LinkBtnClick(false);
    qt_.transport().FlushWrites(1000);
    Finish(code);
}

void LinkSession::Finish(int code) {
    if (done_)
        return;
    done_ = true;
    rc_ = code;
    host_.EndLine();
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
}

void LinkSession::WhenWritesDone(std::function<void()> then) {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [this, timer, then = std::move(then)] {
        if (done_) {
            timer->deleteLater();
            return;
        }
        const Link& l = link();
        if (l.LinkState == LinkOnline && l.Writes.Count() == 0 && l.Bands.Count() == 0 &&
            l.RepeatLast == 0 && l.Signals.ClearToSend == 1 && !l.WaitingSave()) {
            timer->stop();
            timer->deleteLater();
            then();
        }
    });
    timer->start(DrainCheckMs);
}

}  // namespace kdsp::cli
