// One connection of a kdsp command to the processor: one run of a device session on
// its own event loop, with a progress line on stderr, ended in order by Ctrl-C.
#pragma once

#include <functional>
#include <string>

#include "cli/cli.h"
#include "cli/cli_link_run.h"

namespace kdsp::cli {

// --serial, --host, --port and --timeout.
void AddEndpointOptions(CLI::App* cmd, Endpoint& e);
// For the commands that move a whole memory (read, upload, fleet).
void AddFastOption(CLI::App* cmd, bool& fast);

// The status of one link as one line on stderr: rewritten in place on a terminal,
// otherwise one line per change of status, per wait that begins and per tenth of
// the way.
class ProgressLine {
  public:
    void Show(const RunStatus& status);
    void EndLine();
    // Once the command has its result, the goodbye's status changes are noise.
    void Mute() {
        EndLine();
        muted_ = true;
    }

  private:
    std::string shownText_, shownPort_, shownNote_;
    int shownPercent_ = -1;
    bool lineOpen_ = false;
    bool muted_ = false;
};

class LinkSession : public LinkRun {
  public:
    explicit LinkSession(const Endpoint& e);

    // Connects, then hands over to `online` at every online event (as LinkRun::Start);
    // returns once the command is done; throws Refused with one line saying what
    // failed (exit status 1, or 128 + the signal when interrupted).
    void Run(std::function<bool(int onlineCount)> online);

    // What Ctrl-C has cut short, in words; by default "interrupted".
    std::function<std::string()> InterruptedText;

  protected:
    void Finishing() override { line_.Mute(); }

  private:
    void Interrupt(int signo);

    ProgressLine line_;
};

}  // namespace kdsp::cli
