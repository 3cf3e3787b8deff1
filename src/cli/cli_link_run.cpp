// One link of the command line: set up from the options, watched while it runs,
// its failures put in words, its goodbye let leave before the transport closes.
#include "cli/cli_link_run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "cli/cli.h"
#include "core/protocol/frames.h"
#include "core/protocol/receiver.h"

namespace kdsp::cli {

namespace {

constexpr int DefaultTcpPort = 8889;
constexpr int DrainCheckMs = 5;  // a set of one value is over in a few of these
constexpr int WatchMs = 100;
constexpr int GoodbyePollMs = 5;
constexpr int GoodbyeLimitMs = 1000;
constexpr auto WaitShownAfter = std::chrono::seconds(1);

// The link's status captions (Chinese, or English where it has one) in the words
// of the command line.
std::string StatusWord(const std::string& caption) {
    static const std::pair<const char*, const char*> words[] = {
        {"设备搜索...", "Searching"},  {"连接中...", "Reading"},    {"Linking...", "Reading"},
        {"加载中...", "Reloading"},    {"Loading...", "Reloading"}, {"下载数据...", "Uploading"},
        {"Uploading...", "Uploading"}, {"设备已连接", "Online"},    {"设备未连接", "Offline"},
        {"Off Line", "Offline"},       {"保存中...", "Saving"},     {"校验中...", "Verifying"},
        {"Verifying...", "Verifying"},
    };
    for (const auto& [from, to] : words)
        if (caption == from)
            return to;
    return caption;
}

}  // namespace

// ---- CliHost ---------------------------------------------------------------------

// The link sets text, port and percent one after the other; a display shows them
// together when the dialog would be shown or hidden, and on the run's watch.
void CliHost::SetStatusText(const std::string& text) { text_ = StatusWord(text); }

void CliHost::SetStatusPort(const std::string& text) {
    port_ = text == "Network" && !network_.empty() ? network_ : text;
}

void CliHost::SetStatusProgress(int percent) { percent_ = std::clamp(percent, 0, 100); }

// The link's diagnostic lines are the window's memo lines, in its shorthand
// ("缓存长度K:C:L=16 16 9", "2:3 5"); -v says the same in words.
void CliHost::Diagnostic(const std::string& line) {
    static const std::string frameTag = "缓存长度K:C:L=";
    int waiting = 0, same = 0, payload = 0, count = 0, band = 0;
    if (line.rfind(frameTag, 0) == 0 &&
        std::sscanf(line.c_str() + frameTag.size(), "%d %d %d", &waiting, &same, &payload) == 3) {
        Note("link: frame taken in (" + std::to_string(waiting) + " bytes waited, " +
             std::to_string(payload) + " after the header)");
    } else if (std::sscanf(line.c_str(), "2:%d %d", &count, &band) == 2) {
        Note("link: band frame sent for band " + std::to_string(band) + " (" + std::to_string(count) +
             " waiting)");
    } else {
        Note("link: " + line);
    }
}

void CliHost::ShowMessage(const std::string& caption, const std::string& text) {
    Note(caption + ": " + text);
}

void CliHost::Note(const std::string& line) {
    if (!Verbose)
        return;
    if (OnNote)
        OnNote(line);
    else
        std::cerr << "kdsp: " << line << "\n";
}

std::string CliHost::Line(const std::string& note) const {
    return text_ + " [" + port_ + "] " + std::to_string(percent_) + "%" +
           (note.empty() ? "" : ", waiting for " + note);
}

// ---- LinkRun -------------------------------------------------------------------

LinkRun::LinkRun(const Endpoint& e)
    : endpoint_(e), qt_(model_, host_), limit_(new QTimer(&owner_)), watch_(new QTimer(&owner_)) {
    auto& t = qt_.transport();
    Link& l = link();
    const int port = e.port > 0 ? e.port : DefaultTcpPort;
    if (!e.serial.empty()) {
        // That port only: the search's fall-back to TCP gets an end point no socket
        // can reach, and Watch() ends the run when the search gets there.
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

std::string LinkRun::WaitingFor() {
    const Link& l = link();
    if (l.LinkState == LinkOnline && l.Signals.ClearToSend == 0 && l.PendingEvent == 0)
        return "the processor to take the writes";
    return l.WaitingFor();
}

std::string LinkRun::WaitingNote() {
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

void LinkRun::Start(std::function<bool(int onlineCount)> online, std::function<void()> finished) {
    finished_ = std::move(finished);
    link().EventObserver = [this, online = std::move(online), onlineCount = 0](int event) mutable {
        if (done_)
            return;
        if (event == EventOnline) {
            if (online(++onlineCount))
                Disconnect(0);
        } else {
            OnLinkEvent(event);
        }
    };
    limit_->setSingleShot(true);
    QObject::connect(limit_, &QTimer::timeout, [this] {
        const std::string waiting = WaitingFor();
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", endpoint_.timeout);
        Fail(std::string("gave up after ") + seconds + " s" +
             (waiting.empty() ? "" : " waiting for " + waiting) + " (--timeout)");
    });
    limit_->start(static_cast<int>(std::lround(endpoint_.timeout * 1000.0)));
    QObject::connect(watch_, &QTimer::timeout, [this] { Watch(); });
    watch_->start(WatchMs);
    QTimer::singleShot(0, &owner_, [this] { link().LinkBtnClick(true); });
}

void LinkRun::OnLinkEvent(int event) {
    if (event != EventLinkLost && event != EventConnectFailed)
        return;
    // The link says what failed ("lost the processor during the read at page 6",
    // "connection closed by HOST:PORT during the read of page 6"...).
    std::string reason = link().FailureReason();
    if (reason.empty() && event == EventLinkLost)
        reason = "lost the processor: it stopped answering";
    else if (reason.empty())
        reason = endpoint_.serial.empty() ? "no answer from " + tcpText_ : "no answer on " + endpoint_.serial;
    Fail(LostText ? LostText(reason) : reason);
}

void LinkRun::Watch() {
    const auto& t = qt_.transport();
    if (!done_ && !endpoint_.serial.empty() && link().LinkState != LinkOnline) {
        if (!t.IsSerialOpen() && !t.SerialError().empty()) {
            Fail("cannot open " + endpoint_.serial + ": " + t.SerialError() +
                 (t.OpenDenied() ? " (" + DialoutHint() + ")" : ""));
        } else if (link().TransportKind == TransportTcp) {
            // The search has given the port its second and would now try TCP.
            Fail("no answer on " + endpoint_.serial);
        }
    }
    if (!done_ && host_.OnShow)
        host_.OnShow(false);
}

void LinkRun::Trace(bool sent, std::span<const std::uint8_t> bytes) {
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

void LinkRun::Disconnect(int code) { Finish(code); }

void LinkRun::Fail(const std::string& why, int code) {
    if (done_)
        return;
    failure_ = why;
    Finish(code);
}

void LinkRun::Finish(int code) {
    if (done_)
        return;
    done_ = true;
    code_ = code;
    limit_->stop();
    watch_->stop();
    Finishing();
    // No further step or edit goes out; online, the processor is told goodbye.
    link().LinkBtnClick(false);
    // What is on its way leaves while the event loop runs on (other links keep
    // going meanwhile); then the transport closes, so a port is free for the next.
    auto* goodbye = new QTimer(&owner_);
    goodbyeClock_.start();
    QObject::connect(goodbye, &QTimer::timeout, [this, goodbye] {
        if (qt_.transport().HasPendingWrites() && goodbyeClock_.elapsed() < GoodbyeLimitMs)
            return;
        goodbye->stop();
        qt_.transport().Close();
        if (finished_)
            finished_();
    });
    goodbye->start(GoodbyePollMs);
}

void LinkRun::WhenWritesDone(std::function<void()> then) {
    auto* timer = new QTimer(&owner_);
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

std::unique_ptr<QCoreApplication> CommandApplication() {
    if (QCoreApplication::instance())
        return nullptr;
    static int argc = 1;
    static char name[] = "kdsp";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

}  // namespace kdsp::cli
