// The progress of a fleet run on stderr: on a terminal, one line per running
// processor rewritten in place below the lines of those done; otherwise plain
// lines, one when a processor's status changes or a wait begins, one at its end.
// And the summary table of the run.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_fleet_job.h"

namespace kdsp::cli {

class FleetProgress {
  public:
    explicit FleetProgress(const std::vector<FleetDevice>& devices);

    void Refresh();                        // several times a second
    void Finished(const FleetDevice& d);   // its last line
    void Note(const std::string& line);    // a line of diagnosis (-v)
    void End();                            // the lines of the running ones go

    // "room1   ok      9.8 s  backups/room1.Nddt": a processor's end in one line.
    std::string EndText(const FleetDevice& d) const;

  private:
    std::string Name(const FleetDevice& d) const;  // padded to the longest name
    std::string LiveText(const FleetDevice& d) const;
    void Redraw();
    // Back to the top of the live lines, then the pending lines over them (emptied).
    std::string RewindWithPending();

    const std::vector<FleetDevice>& devices_;
    bool tty_;
    std::size_t nameWidth_ = 0;
    int drawn_ = 0;                       // live lines on the terminal now
    std::vector<std::string> live_;       // and what they say
    std::vector<std::string> pending_;    // lines to print above the live ones
    std::vector<std::string> shown_;      // plain: the status and wait printed last
};

// NAME, ADDRESS, RESULT, TIME and DETAIL (what was done, or the error) of every
// processor in the inventory's order, under a heading line.
std::string SummaryTable(const std::vector<FleetDevice>& devices);

}  // namespace kdsp::cli
