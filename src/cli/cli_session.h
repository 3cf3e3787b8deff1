// One connection of a kdsp command to the processor: the same link state machine
// as the window, driven by its own event loop, with progress on stderr.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "qtlink/qt_link.h"

namespace kdsp::cli {

// The LinkHost of the command line: status and percent on stderr, messages as lines.
class CliHost : public LinkHost {
  public:
    void SetLinkLabel(const std::string& caption, const std::string&) override {
        caption_ = caption;
    }
    void SetStatusText(const std::string& text) override;
    void SetStatusPort(const std::string& text) override { port_ = text; }
    void SetStatusProgress(int percent) override;
    void ShowStatusDialog() override {}
    void HideStatusDialog() override { EndLine(); }
    void ShowMessage(const std::string& caption, const std::string& text) override;
    void RefreshAllPages() override {}
    void ShowLinkButtons(bool) override {}
    void RebuildModeList(const std::vector<std::string>&) override {}
    void ShowDeviceIdentity(const std::string&) override {}
    void Diagnostic(const std::string&) override {}
    void ShowMainWindow() override {}
    bool SuppressSend() const override { return suppress_; }
    void SetSuppressSend(bool on) override { suppress_ = on; }

    void EndLine();

    // Once the command has its result, the goodbye's status changes are noise.
    void Mute() {
        EndLine();
        muted_ = true;
    }

    // What the link waits for once it has waited more than a second ("" otherwise).
    std::function<std::string()> waitingNote;

  private:
    void Show();

    std::string caption_, text_, port_;
    std::string shownText_, shownPort_, shownNote_;
    int percent_ = 0, shownPercent_ = -1;
    bool lineOpen_ = false;
    bool suppress_ = false;
    bool muted_ = false;
};

struct Endpoint {
    std::string serial;
    std::string host;
    int port = 8889;
    bool fast = false;  // fast transfers
};

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

    int Run(std::function<bool(int onlineCount)> online);

    // Tells the processor goodbye (the link sends the disconnect command while
    // online) and ends the command with `code`.
    void Disconnect(int code);
    void Finish(int code);

    // Calls `then` once every edit has left and been acknowledged (checked on a
    // short timer while the link stays online).
    void WhenWritesDone(std::function<void()> then);

  private:
    Model model_;
    CliHost host_;
    int rc_ = 1;
    bool done_ = false;
    QtLink qt_;
};

}  // namespace kdsp::cli
