// The link session of the single-processor commands: the options that say where to
// connect, the progress line, and the event loop that runs until the command is done.
#include "cli/cli_session.h"

#include <QCoreApplication>

#include <unistd.h>

#include <csignal>
#include <iostream>
#include <memory>

#include "qtlink/signal_watch.h"

namespace kdsp::cli {

namespace {

bool StderrIsTerminal() {
    static const bool tty = ::isatty(STDERR_FILENO) != 0;
    return tty;
}

}  // namespace

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

void AddFastOption(CLI::App* cmd, bool& fast) {
    cmd->add_flag("--fast", fast,
                  "send each transfer step as soon as the last one is answered, not on the "
                  "processor's usual pace");
}

// ---- ProgressLine ----------------------------------------------------------------

void ProgressLine::EndLine() {
    if (lineOpen_)
        std::cerr << "\n";
    lineOpen_ = false;
}

void ProgressLine::Show(const RunStatus& status) {
    const std::string& text = status.status;
    // "Offline" says nothing the command's own last line does not say better.
    if (muted_ || text.empty() || text == "Offline")
        return;
    const std::string& note = status.waiting;
    const int percent = status.percent;
    const std::string& port = status.place;
    if (text == shownText_ && percent == shownPercent_ && port == shownPort_ && note == shownNote_)
        return;
    const bool tty = StderrIsTerminal();
    if (!tty && text == shownText_ && port == shownPort_ && percent / 10 == shownPercent_ / 10 &&
        percent != 100 && (note == shownNote_ || note.empty())) {
        shownNote_ = note;
        return;
    }
    shownText_ = text;
    shownPercent_ = percent;
    shownPort_ = port;
    shownNote_ = note;
    if (tty) {
        std::cerr << "\r" << status.Line() << "\x1b[K" << std::flush;
        lineOpen_ = true;
    } else {
        std::cerr << status.Line() << "\n";
    }
}

// ---- LinkSession ---------------------------------------------------------------

LinkSession::LinkSession(const Endpoint& e) : LinkRun(e) {
    OnShow = [this](bool settled) {
        line_.Show(Status());
        if (settled)
            line_.EndLine();
    };
    OnNote = [this](const std::string& line) {
        line_.EndLine();
        std::cerr << "kdsp: " << line << "\n";
    };
}

void LinkSession::Run(std::function<bool(int onlineCount)> online) {
    const auto ownApp = CommandApplication();
    SignalWatch signalWatch([this](int signo) { Interrupt(signo); });
    Start(std::move(online), [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    line_.EndLine();
    if (Code() != 0)
        throw Refused(Failure(), Code());
}

void LinkSession::Interrupt(int signo) {
    if (Done())
        return;
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    Fail(InterruptedText ? InterruptedText() : "interrupted", 128 + signo);
}

}  // namespace kdsp::cli
