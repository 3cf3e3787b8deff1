// One device session of the command line: set up from the options, watched while it
// runs, its events and failures put in words, its goodbye let leave before the
// transport closes.
#include "cli/cli_link_run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "cli/cli_output.h"
#include "core/protocol/frames.h"
#include "core/protocol/receiver.h"

namespace kdsp::cli {

namespace {

constexpr int WatchMs = 100;
constexpr int GoodbyePollMs = 5;
constexpr int GoodbyeLimitMs = 1000;
constexpr auto WaitShownAfter = std::chrono::seconds(1);

// The session's state in the command line's words; a read once online is a reload.
std::string StatusWord(SessionState state, bool wasOnline) {
    switch (state) {
        case SessionState::Searching:
        case SessionState::Connecting:
            return "Searching";
        case SessionState::Reading:
            return wasOnline ? "Reloading" : "Reading";
        case SessionState::Uploading:
            return "Uploading";
        case SessionState::Verifying:
            return "Verifying";
        case SessionState::Online:
            return "Online";
        case SessionState::Reconnecting:
            return "Reconnecting";
        case SessionState::Offline:
        case SessionState::Lost:
            break;
    }
    return "Offline";
}

// The link's diagnostic lines are the window's memo lines, in its shorthand
// ("缓存长度K:C:L=16 16 9", "2:3 5"); -v says the same in words.
std::string DiagnosticText(const std::string& line) {
    static const std::string frameTag = "缓存长度K:C:L=";
    int waiting = 0, same = 0, payload = 0, count = 0, band = 0;
    if (line.rfind(frameTag, 0) == 0 &&
        std::sscanf(line.c_str() + frameTag.size(), "%d %d %d", &waiting, &same, &payload) == 3) {
        return "link: frame taken in (" + std::to_string(waiting) + " bytes waited, " +
               std::to_string(payload) + " after the header)";
    }
    if (std::sscanf(line.c_str(), "2:%d %d", &count, &band) == 2)
        return "link: band frame sent for band " + std::to_string(band) + " (" + std::to_string(count) +
               " waiting)";
    return "link: " + line;
}

}  // namespace

std::string RunStatus::Line() const {
    return status + " [" + place + "] " + std::to_string(percent) + "%" +
           (waiting.empty() ? "" : ", waiting for " + waiting);
}

LinkRun::LinkRun(const Endpoint& e)
    : endpoint_(e), limit_(new QTimer(&owner_)), watch_(new QTimer(&owner_)) {
    const std::string host = e.host.empty() ? FactoryTcpHost : e.host;
    const int port = e.port > 0 ? e.port : FactoryTcpPort;
    tcpText_ = host + ":" + std::to_string(port);
    firstPlace_ = e.serial.empty() ? tcpText_ : e.serial;
    if (e.serial.empty() && e.host.empty() && e.port == 0) {
        // Neither given: the window's search, over every serial port, then the
        // processor's usual network address.
        std::string tried;
        const auto ports = qt_.transport().ListPorts();
        for (const std::string& p : ports)
            tried += p + ", ";
        if (!ports.empty())
            firstPlace_ = ports.front();
        std::cerr << "kdsp: no --serial or --host given: trying "
                  << (tried.empty() ? "" : "the serial ports " + tried + "then ") << tcpText_
                  << "\n";
    }
    session().SetFastTransfers(e.fast);
    session().OnDiagnostic = [this](const std::string& line) { Note(DiagnosticText(line)); };
    if (Verbose)
        qt_.transport().SetTrace(
            [this](bool sent, std::span<const std::uint8_t> bytes) { Trace(sent, bytes); });
}

void LinkRun::Note(const std::string& line) {
    if (!Verbose)
        return;
    if (OnNote)
        OnNote(line);
    else
        std::cerr << "kdsp: " << line << "\n";
}

std::string LinkRun::WaitingFor() {
    using Item = LinkWait::Item;
    const ProgressReport p = session().Progress();
    switch (p.waitingFor.item) {
        case Item::Nothing:
            return session().State() == SessionState::Online && session().WritesPending()
                       ? "the processor to take the writes"
                       : "";
        case Item::Answer:
            return (p.place == tcpText_ ? "an answer from " : "an answer on ") + p.place;
        case Item::Page:
            return "page " + std::to_string(p.waitingFor.page);
        case Item::SystemSettings:
            return "system settings";
        case Item::ModeNames:
            return "mode names";
        case Item::Passwords:
            return "passwords";
        case Item::Identity:
            return "device identity";
        case Item::ClosingWord:
            return "the closing word";
        case Item::StoredMode:
            return "the processor to load the stored mode";
        case Item::SaveConfirmation:
            return "the processor to confirm the save";
    }
    return {};
}

std::string LinkRun::WaitingNote() {
    const std::string waiting = WaitingFor();
    // Each request is a wait of its own, also when several are described alike.
    const ProgressReport p = session().Progress();
    const std::string key = waiting + "#" + std::to_string(p.step) + "#" + std::to_string(p.percent);
    const auto now = std::chrono::steady_clock::now();
    if (key != waitKey_) {
        waitKey_ = key;
        waitSince_ = now;
    }
    return now - waitSince_ > WaitShownAfter ? waiting : std::string();
}

RunStatus LinkRun::Status() {
    RunStatus s;
    if (!connecting_)
        return {"", firstPlace_, 0, ""};
    const ProgressReport p = session().Progress();
    s.status = StatusWord(session().State(), wasOnline_);
    s.place = !endpoint_.serial.empty() || p.place.empty() ? firstPlace_ : p.place;
    s.percent = std::clamp(p.percent, 0, 100);
    s.waiting = WaitingNote();
    return s;
}

void LinkRun::Start(std::function<bool(int onlineCount)> online, std::function<void()> finished) {
    online_ = std::move(online);
    finished_ = std::move(finished);
    session().OnEvent = [this](const SessionEvent& event) {
        if (done_)
            return;
        if (OnEvent)
            OnEvent(event);
        Seen(event);
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
    QTimer::singleShot(0, &owner_, [this] {
        if (done_)
            return;
        connecting_ = true;
        if (!endpoint_.serial.empty())
            session().ConnectSerial(endpoint_.serial);
        else if (!endpoint_.host.empty() || endpoint_.port > 0)
            session().ConnectTcp(endpoint_.host.empty() ? FactoryTcpHost : endpoint_.host,
                                 endpoint_.port > 0 ? endpoint_.port : FactoryTcpPort);
        else
            session().Search(FactoryTcpHost, FactoryTcpPort);
    });
}

void LinkRun::Seen(const SessionEvent& event) {
    if (const auto* change = std::get_if<StateChanged>(&event)) {
        const SessionState to = change->to;
        // Between an upload and its read-back the session passes through a read for
        // an instant; the read-back is what there is to show.
        if (change->from == SessionState::Uploading && to == SessionState::Reading)
            return;
        const bool settled =
            to == SessionState::Online || to == SessionState::Offline || to == SessionState::Lost;
        if (OnShow)
            OnShow(settled);
        if (to != SessionState::Online)
            return;
        wasOnline_ = true;
        // Not from inside the session's event: the work starts on the loop's next turn.
        QTimer::singleShot(0, &owner_, [this] {
            if (!done_ && session().State() == SessionState::Online && online_(++onlineCount_))
                Disconnect(0);
        });
    } else if (std::holds_alternative<ProgressReport>(event)) {
        if (OnShow)
            OnShow(false);
    } else if (std::holds_alternative<WritesAcknowledged>(event)) {
        auto then = std::move(writesDone_);
        writesDone_.clear();
        for (auto& f : then)
            QTimer::singleShot(0, &owner_, [this, f = std::move(f)] {
                if (!done_)
                    f();
            });
    } else if (const auto* failure = std::get_if<kdsp::Failure>(&event)) {
        if (!EndsConnection(failure->code))
            return;
        // The link says what failed ("lost the processor during the read at page 6",
        // "connection closed by HOST:PORT during the read of page 6"...).
        std::string reason = failure->reason;
        if (reason.empty() && failure->code == FailureCode::LinkLost)
            reason = "lost the processor: it stopped answering";
        else if (reason.empty())
            reason = endpoint_.serial.empty() ? "no answer from " + tcpText_
                                              : "no answer on " + endpoint_.serial;
        Fail(LostText ? LostText(reason) : reason);
    }
}

void LinkRun::Watch() {
    const auto& t = qt_.transport();
    if (!done_ && !endpoint_.serial.empty() && session().State() != SessionState::Online &&
        !t.IsSerialOpen() && !t.SerialError().empty()) {
        Fail("cannot open " + endpoint_.serial + ": " + t.SerialError() +
             (t.OpenDenied() ? " (" + DialoutHint() + ")" : ""));
    }
    if (!done_ && OnShow)
        OnShow(false);
}

void LinkRun::Trace(bool sent, std::span<const std::uint8_t> bytes) {
    if (sent) {
        Note("> " + HexBytes(bytes));
        return;
    }
    // Received bytes arrive in chunks of any size: shown as the frames they make up.
    received_.insert(received_.end(), bytes.begin(), bytes.end());
    std::vector<std::uint8_t> rest;
    for (FramePiece& piece : SplitFrames(received_)) {
        if (piece.kind == FrameKind::Incomplete)
            rest = std::move(piece.bytes);
        else
            Note("< " + HexBytes(piece.bytes));
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
    // No further step or write goes out; online, the processor is told goodbye.
    session().Disconnect();
    // What is on its way leaves while the event loop runs on (other runs keep going
    // meanwhile); then the transport closes, so a port is free for the next.
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
    if (session().WritesPending()) {
        writesDone_.push_back(std::move(then));
        return;
    }
    QTimer::singleShot(0, &owner_, [this, then = std::move(then)] {
        if (!done_)
            then();
    });
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
