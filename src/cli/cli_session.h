// One connection of a kdsp command to the processor: the same link state machine
// as the window, driven by its own event loop, with progress on stderr, bounded
// in time, and ended in order by Ctrl-C.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "qtlink/qt_link.h"

namespace kdsp::cli {

// The LinkHost of the command line: status, port and percent on stderr (as one
// line rewritten on a terminal, else one line per change); the link's messages
// and notes only with -v, since the command prints its own outcome.
class CliHost : public LinkHost {
  public:
    void SetLinkLabel(const std::string&, const std::string&) override {}
    void SetStatusText(const std::string& text) override;
    void SetStatusPort(const std::string& text) override;
    void SetStatusProgress(int percent) override;
    void ShowStatusDialog() override { Show(); }
    void HideStatusDialog() override;
    void ShowMessage(const std::string& caption, const std::string& text) override;
    void RefreshAllPages() override {}
    void ShowLinkButtons(bool) override {}
    void RebuildModeList(const std::vector<std::string>&) override {}
    void ShowDeviceIdentity(const std::string&) override {}
    void Diagnostic(const std::string& line) override { Note("link: " + line); }
    void ShowMainWindow() override {}
    bool SuppressSend() const override { return suppress_; }
    void SetSuppressSend(bool on) override { suppress_ = on; }

    // The port label's "Network" is shown as this address.
    void SetNetworkText(std::string text) { network_ = std::move(text); }
    // What the link has waited for more than a second ("" for nothing), for the line.
    void SetWaitingNote(std::function<std::string()> note) { waitingNote_ = std::move(note); }
    void Show();
    // A line of diagnosis (shown with -v only).
    void Note(const std::string& line);
    void EndLine();

    // Once the command has its result, the goodbye's status changes are noise.
    void Mute() {
        EndLine();
        muted_ = true;
    }

  private:
    std::string network_, text_, port_;
    std::string shownText_, shownPort_, shownNote_;
    int percent_ = 0, shownPercent_ = -1;
    std::function<std::string()> waitingNote_;
    bool lineOpen_ = false;
    bool suppress_ = false;
    bool muted_ = false;
};

struct Endpoint {
    std::string serial;
    std::string host;
    int port = 0;  // 0: not given
    double timeout = 180;
    bool fast = false;  // fast transfers
};

// --serial, --host, --port and --timeout.
void AddEndpointOptions(CLI::App* cmd, Endpoint& e);
// For the commands that move a whole memory (read, upload).
void AddFastOption(CLI::App* cmd, Endpoint& e);

// One run of the link: connect, then hand over to `online` at every online event.
// `online` returns true when the command is finished (it then disconnects).
class LinkSession {
  public:
    explicit LinkSession(const Endpoint& e);

    Model& model() { return model_; }
    Link& link() { return qt_.link(); }

    // Returns once the command is done; throws Refused with one line saying what
    // failed (exit status 1, or 128 + the signal when interrupted).
    void Run(std::function<bool(int onlineCount)> online);

    // What Ctrl-C has cut short, in words; by default "interrupted".
    std::function<std::string()> InterruptedText;

    // Tells the processor goodbye (the link sends the disconnect command while
    // online) and ends the command with `code`.
    void Disconnect(int code);

    // Calls `then` once every edit has left and been acknowledged (checked on a
    // short timer while the link stays online).
    void WhenWritesDone(std::function<void()> then);

    // What the link waits for: "page 6", "an answer from 127.0.0.1:8889"...
    std::string WaitingFor();

  private:
    void Fail(const std::string& why, int code = 1);
    void Finish(int code);
    void Watch();  // the serial port's fate and the progress line, several times a second
    void OnLinkEvent(int event);
    void Interrupt(int signo);
    void Trace(bool sent, std::span<const std::uint8_t> bytes);
    std::string WaitingNote();  // WaitingFor() once it has lasted a second

    std::string waitKey_;  // the request waited for at the last look, and since when
    std::chrono::steady_clock::time_point waitSince_;

    Endpoint endpoint_;
    std::string tcpText_;  // HOST:PORT
    Model model_;
    CliHost host_;
    int rc_ = 1;
    bool done_ = false;
    std::string failure_;
    std::vector<std::uint8_t> received_;  // bytes of a frame not yet complete, for -v
    QtLink qt_;
};

// What `kdsp upload` is asked to do besides sending the file.
struct UploadOptions {
    bool verify = true;     // read the pages back and compare them with the file
    std::string backupDir;  // empty: the backups folder in the user's data folder
};

struct UploadReport {
    std::string backup;     // where the processor's settings from before the upload are
    bool verified = false;  // read back and found equal (false with verify off)
};

// The whole of `kdsp upload` for one processor: connect, read, back the memory up,
// send `preset` and, unless told not to, read it back and compare. Throws Refused
// with one line saying what failed: a backup that cannot be written (nothing is
// sent then), a lost link, or the pages the processor did not store ("page 6 (main
// output): 12 words differ").
UploadReport UploadPreset(const Endpoint& endpoint, const PresetReadResult& preset, const UploadOptions& options);

}  // namespace kdsp::cli
