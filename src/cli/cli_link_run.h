// One link of the command line to one processor, on an event loop that someone else
// runs: connect where told and nowhere else, hand over at each online event, say
// goodbye, all bounded in time; every failure ends as one line saying what failed.
// `kdsp read/upload/get/set` run one on its own loop, `kdsp fleet` many on one loop.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qtlink/qt_link.h"

namespace kdsp::cli {

// The LinkHost of the command line: keeps what the link shows (its status in the
// command line's words, the port, the percent) for whatever displays it; the link's
// messages and notes go to OnNote, and only with -v, since commands print their
// own outcome.
class CliHost : public LinkHost {
  public:
    void SetLinkLabel(const std::string&, const std::string&) override {}
    void SetStatusText(const std::string& text) override;
    void SetStatusPort(const std::string& text) override;
    void SetStatusProgress(int percent) override;
    void ShowStatusDialog() override { Shown(false); }
    void HideStatusDialog() override { Shown(true); }
    void ShowMessage(const std::string& caption, const std::string& text) override;
    void RefreshAllPages() override {}
    void ShowLinkButtons(bool) override {}
    void RebuildModeList(const std::vector<std::string>&) override {}
    void ShowDeviceIdentity(const std::string&) override {}
    void Diagnostic(const std::string& line) override;
    void ShowMainWindow() override {}
    bool SuppressSend() const override { return suppress_; }
    void SetSuppressSend(bool on) override { suppress_ = on; }

    // The port label's "Network" is shown as this address.
    void SetNetworkText(std::string text) { network_ = std::move(text); }
    // What the link has waited for more than a second ("" for nothing).
    void SetWaitingNote(std::function<std::string()> note) { waitingNote_ = std::move(note); }

    const std::string& Status() const { return text_; }  // "Reading"; "" before the first
    const std::string& Port() const { return port_; }
    int Percent() const { return percent_; }
    std::string WaitingNote() const { return waitingNote_ ? waitingNote_() : std::string(); }
    // "Reading [127.0.0.1:8889] 21%, waiting for page 6" (with the note given).
    std::string Line(const std::string& note) const;

    // A line of diagnosis (passed on with -v only).
    void Note(const std::string& line);

    // Told when the link shows its status (hidden: it also put the status away), and
    // on the run's watch several times a second, so a display can follow.
    std::function<void(bool hidden)> OnShow;
    // Where the notes go (without it, stderr).
    std::function<void(const std::string&)> OnNote;

  private:
    void Shown(bool hidden) {
        if (OnShow) OnShow(hidden);
    }

    std::string network_, text_, port_;
    int percent_ = 0;
    std::function<std::string()> waitingNote_;
    bool suppress_ = false;
};

struct Endpoint {
    std::string serial;
    std::string host;
    int port = 0;  // 0: not given
    double timeout = 180;
    bool fast = false;  // fast transfers
};

class LinkRun {
  public:
    explicit LinkRun(const Endpoint& e);
    virtual ~LinkRun() = default;
    LinkRun(const LinkRun&) = delete;
    LinkRun& operator=(const LinkRun&) = delete;

    Model& model() { return model_; }
    Link& link() { return qt_.link(); }
    CliHost& host() { return host_; }

    // Connects on the event loop's next turn and calls `online` at every online event;
    // `online` returns true when the work is done (the run then says goodbye).
    // `finished` is called once, from the event loop, when the run has ended and what
    // it sent last has left (a second at most).
    void Start(std::function<bool(int onlineCount)> online, std::function<void()> finished);

    // Tells the processor goodbye (the link sends the disconnect command while
    // online) and ends the run with `code`.
    void Disconnect(int code);
    // Ends the run as failed: nothing further goes out; the frame already on its way
    // is let finish, so the processor never gets half a frame.
    void Fail(const std::string& why, int code = 1);

    bool Done() const { return done_; }
    int Code() const { return code_; }
    const std::string& Failure() const { return failure_; }

    // Calls `then` once every edit has left and been acknowledged (checked on a
    // short timer while the link stays online).
    void WhenWritesDone(std::function<void()> then);

    // What the link waits for: "page 6", "an answer from 127.0.0.1:8889"...
    std::string WaitingFor();

    // Puts a lost link (the link's reason: "lost the processor during the upload at
    // page 3") in the words of the command, which knows what it leaves behind.
    std::function<std::string(const std::string& reason)> LostText;

  protected:
    // The run has its result: what it shows of the goodbye is noise.
    virtual void Finishing() {}

  private:
    void Finish(int code);
    void Watch();  // the serial port's fate and the display, several times a second
    void OnLinkEvent(int event);
    void Trace(bool sent, std::span<const std::uint8_t> bytes);
    std::string WaitingNote();  // WaitingFor() once it has lasted a second

    std::string waitKey_;  // the request waited for at the last look, and since when
    std::chrono::steady_clock::time_point waitSince_;

    Endpoint endpoint_;
    std::string tcpText_;  // HOST:PORT
    Model model_;
    CliHost host_;
    int code_ = 1;
    bool done_ = false;
    std::string failure_;
    std::vector<std::uint8_t> received_;  // bytes of a frame not yet complete, for -v
    std::function<void()> finished_;
    QtLink qt_;
    QObject owner_;  // parent of the run's timers, so none outlives it
    QTimer* limit_;
    QTimer* watch_;
    QElapsedTimer goodbyeClock_;
};

// The application object a command's event loop needs, or none when one exists already
// (the tests run commands inside their own).
std::unique_ptr<QCoreApplication> CommandApplication();

}  // namespace kdsp::cli
