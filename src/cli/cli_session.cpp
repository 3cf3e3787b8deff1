// The link session of the kdsp commands: connect where the options say and
// nowhere else, run the command's steps at each online event, say goodbye, all
// bounded in time; every failure ends as one line saying what failed.
#include "cli/cli_session.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <iostream>
#include <memory>

#include "core/protocol/frames.h"
#include "core/protocol/receiver.h"
#include "qtlink/signal_watch.h"

namespace kdsp::cli {

namespace {

constexpr int DefaultTcpPort = 8889;
constexpr int DrainCheckMs = 20;
constexpr int WatchMs = 100;
constexpr auto WaitShownAfter = std::chrono::seconds(1);

// The link's status captions (Chinese, or English where it has one) in the words
// of the command line.
std::string StatusWord(const std::string& caption) {
    static const std::pair<const char*, const char*> words[] = {
        {"设备搜索...", "Searching"},  {"连接中...", "Reading"},    {"Linking...", "Reading"},
        {"加载中...", "Reloading"},    {"Loading...", "Reloading"}, {"下载数据...", "Uploading"},
        {"Download...", "Uploading"},  {"设备已连接", "Online"},    {"设备未连接", "Offline"},
        {"Off Line", "Offline"},       {"保存中...", "Saving"},      {"校验中...", "Verifying"},
        {"Verifying...", "Verifying"},
    };
    for (const auto& [from, to] : words)
        if (caption == from)
            return to;
    return caption;
}

bool StderrIsTerminal() {
    static const bool tty = ::isatty(STDERR_FILENO) != 0;
    return tty;
}

}  // namespace

// ---- CliHost ---------------------------------------------------------------------

// The link sets text, port and percent one after the other; the line shows them
// together when the dialog would be shown or hidden, and on the session's watch.
void CliHost::SetStatusText(const std::string& text) { text_ = StatusWord(text); }

void CliHost::SetStatusPort(const std::string& text) {
    port_ = text == "Network" && !network_.empty() ? network_ : text;
}

void CliHost::SetStatusProgress(int percent) { percent_ = std::clamp(percent, 0, 100); }

void CliHost::HideStatusDialog() {
    Show();
    EndLine();
}

void CliHost::ShowMessage(const std::string& caption, const std::string& text) {
    Note(caption + ": " + text);
}

void CliHost::Note(const std::string& line) {
    if (!Verbose)
        return;
    EndLine();
    std::cerr << "kdsp: " << line << "\n";
}

void CliHost::EndLine() {
    if (lineOpen_)
        std::cerr << "\n";
    lineOpen_ = false;
}

void CliHost::Show() {
    // "Offline" says nothing the command's own last line does not say better.
    if (muted_ || text_.empty() || text_ == "Offline")
        return;
    const std::string note = waitingNote_ ? waitingNote_() : std::string();
    if (text_ == shownText_ && percent_ == shownPercent_ && port_ == shownPort_ &&
        note == shownNote_)
        return;
    const bool tty = StderrIsTerminal();
    // Without a terminal, one line per change of status, per wait that begins and
    // per tenth of the way.
    if (!tty && text_ == shownText_ && port_ == shownPort_ &&
        percent_ / 10 == shownPercent_ / 10 && percent_ != 100 &&
        (note == shownNote_ || note.empty())) {
        shownNote_ = note;
        return;
    }
    shownText_ = text_;
    shownPercent_ = percent_;
    shownPort_ = port_;
    shownNote_ = note;
    const std::string line = text_ + " [" + port_ + "] " + std::to_string(percent_) + "%" +
                             (note.empty() ? "" : ", waiting for " + note);
    if (tty) {
        std::cerr << "\r" << line << "\x1b[K" << std::flush;
        lineOpen_ = true;
    } else {
        std::cerr << line << "\n";
    }
}

// ---- options -------------------------------------------------------------------

void AddEndpointOptions(CLI::App* cmd, Endpoint& e) {
    auto* serial = cmd->add_option("--serial", e.serial,
                                   "serial port of the processor; that port only");
    auto* host = cmd->add_option("--host", e.host, "TCP address of the processor; TCP only");
    auto* port = cmd->add_option("--port", e.port, "TCP port (default 8889); TCP only")
                     ->check(CLI::Range(1, 65535));
    serial->excludes(host)->excludes(port);
    cmd->add_option("--timeout", e.timeout,
                    "give up after S seconds, whatever is happening (default 180)")
        ->check(CLI::Range(0.1, 86400.0));
}

void AddFastOption(CLI::App* cmd, Endpoint& e) {
    cmd->add_flag("--fast", e.fast,
                  "send each transfer step as soon as the last one is answered, not on the "
                  "processor's usual pace");
}

// ---- LinkSession ---------------------------------------------------------------

LinkSession::LinkSession(const Endpoint& e) : endpoint_(e), qt_(model_, host_) {
    auto& t = qt_.transport();
    Link& l = link();
    const int port = e.port > 0 ? e.port : DefaultTcpPort;
    if (!e.serial.empty()) {
        // That port only: the search's fall-back to TCP gets an end point no socket
        // can reach, and Watch() ends the command when the search gets there.
        t.SetPortList(std::vector<std::string>{e.serial});
        l.SetTcpEndpoint("", -1);
    } else if (!e.host.empty() || e.port > 0) {
        t.SetPortList(std::vector<std::string>{});
        l.SetTcpEndpoint(e.host.empty() ? l.TcpHost() : e.host, port);
    } else {
        // Neither given: the window's search, over every serial port, then the
        // processor's usual network address.
        l.SetTcpEndpoint(l.TcpHost(), port);
    }
    l.RefreshPortList();
    l.SetFastTransfers(e.fast);
    tcpText_ = l.TcpHost() + ":" + std::to_string(l.TcpPort());
    if (e.serial.empty() && e.host.empty() && e.port == 0) {
        std::string tried;
        for (const std::string& p : l.Ports())
            tried += p + ", ";
        std::cerr << "kdsp: no --serial or --host given: trying "
                  << (tried.empty() ? "" : "the serial ports " + tried + "then ") << tcpText_
                  << "\n";
    }
    // Over a serial port only, the search's fall-back is no place worth showing.
    host_.SetNetworkText(e.serial.empty() ? tcpText_ : e.serial);
    host_.SetStatusPort(l.Ports().empty() ? "Network" : l.Ports().front());
    host_.SetWaitingNote([this] { return WaitingNote(); });
    if (Verbose)
        t.SetTrace([this](bool sent, std::span<const std::uint8_t> bytes) { Trace(sent, bytes); });
}

std::string LinkSession::WaitingFor() {
    const Link& l = link();
    if (l.LinkState == LinkOnline && l.Signals.ClearToSend == 0 && l.PendingEvent == 0)
        return "the processor to take the writes";
    return l.WaitingFor();
}

std::string LinkSession::WaitingNote() {
    const std::string waiting = WaitingFor();
    // Each request is a wait of its own, also when several are described alike.
    const Link& l = link();
    const std::string key =
        waiting + "#" + std::to_string(l.StepIndex) + "#" + std::to_string(l.ModeNameIndex);
    const auto now = std::chrono::steady_clock::now();
    if (key != waitKey_) {
        waitKey_ = key;
        waitSince_ = now;
    }
    return now - waitSince_ > WaitShownAfter ? waiting : std::string();
}

void LinkSession::Run(std::function<bool(int onlineCount)> online) {
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
        } else {
            OnLinkEvent(event);
        }
    };
    SignalWatch signalWatch([this](int signo) { Interrupt(signo); });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [this] {
        const std::string waiting = WaitingFor();
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", endpoint_.timeout);
        // Nothing more goes out once the command has given up.
        link().LinkBtnClick(false);
        Fail(std::string("gave up after ") + seconds + " s" +
             (waiting.empty() ? "" : " waiting for " + waiting) + " (--timeout)");
    });
    limit.start(static_cast<int>(std::lround(endpoint_.timeout * 1000.0)));
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [this] { Watch(); });
    watch.start(WatchMs);
    QTimer::singleShot(0, [this] { link().LinkBtnClick(true); });
    QCoreApplication::exec();
    link().EventObserver = nullptr;
    host_.EndLine();
    if (rc_ != 0)
        throw Refused(failure_, rc_);
}

void LinkSession::OnLinkEvent(int event) {
    if (event != EventLinkLost && event != EventConnectFailed)
        return;
    // The link says what failed ("lost the processor during the read at page 6",
    // "connection closed by HOST:PORT during the read of page 6"...).
    const std::string& reason = link().FailureReason();
    if (!reason.empty())
        Fail(reason);
    else if (event == EventLinkLost)
        Fail("lost the processor: it stopped answering");
    else
        Fail(endpoint_.serial.empty() ? "no answer from " + tcpText_ : "no answer on " + endpoint_.serial);
}

void LinkSession::Watch() {
    const auto& t = qt_.transport();
    if (!done_ && !endpoint_.serial.empty() && link().LinkState != LinkOnline) {
        if (!t.IsSerialOpen() && !t.SerialError().empty()) {
            link().LinkBtnClick(false);
            Fail("cannot open " + endpoint_.serial + ": " + t.SerialError());
        } else if (link().TransportKind == TransportTcp) {
            // The search has given the port its second and would now try TCP.
            link().LinkBtnClick(false);
            Fail("no answer on " + endpoint_.serial);
        }
    }
    host_.Show();
}

void LinkSession::Interrupt(int signo) {
    if (done_)
        return;
    const std::string what = InterruptedText ? InterruptedText() : "interrupted";
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    // No further step or edit goes out; the frame already on its way is let finish,
    // so the processor never gets half a frame.
    link().LinkBtnClick(false);
    qt_.transport().FlushWrites(1000);
    Fail(what, 128 + signo);
}

void LinkSession::Trace(bool sent, std::span<const std::uint8_t> bytes) {
    if (sent) {
        host_.Note("> " + HexBytes(bytes));
        return;
    }
    // Received bytes arrive in chunks of any size: shown as the frames they make up.
    received_.insert(received_.end(), bytes.begin(), bytes.end());
    std::vector<std::uint8_t> rest;
    for (FramePiece& piece : SplitFrames(received_)) {
        if (piece.kind == FrameKind::Incomplete)
            rest = std::move(piece.bytes);
        else
            host_.Note("< " + HexBytes(piece.bytes));
    }
    received_ = std::move(rest);
}

void LinkSession::Disconnect(int code) {
    host_.Mute();
    link().LinkBtnClick(false);
    qt_.transport().FlushWrites(1000);
    Finish(code);
}

void LinkSession::Fail(const std::string& why, int code) {
    if (done_)
        return;
    failure_ = why;
    Finish(code);
}

void LinkSession::Finish(int code) {
    if (done_)
        return;
    done_ = true;
    rc_ = code;
    host_.Mute();
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
