// Many processors at once on one event loop: each gets a run of its own, all
// of them together unless `jobs` says fewer, entries sharing an address never run together, and one
// that is slow or dead holds up none of the others.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_fleet_job.h"

namespace kdsp::cli {

class FleetProgress;

class FleetRun {
  public:
    using JobFactory = std::function<std::unique_ptr<FleetJob>(const InventoryEntry&)>;

    FleetRun(const std::vector<InventoryEntry>& entries, const FleetOptions& options,
             const JobFactory& makeJob);
    ~FleetRun();

    // Runs every processor to its end, with progress on stderr. Ctrl-C ends the
    // running ones as failed and starts no more. Returns 0, or 128 + the signal.
    int Run();

    const std::vector<FleetDevice>& Devices() const { return devices_; }

  private:
    void StartMore();
    void Start(FleetDevice& d);
    void Finished(FleetDevice& d);
    void Interrupt(int signo);

    FleetOptions options_;
    std::vector<FleetDevice> devices_;
    std::size_t firstWaiting_ = 0;    // devices before it have all been started
    std::vector<std::string> busy_;   // addresses in use (never more than `jobs`)
    int running_ = 0;
    int signalCode_ = 0;
    std::unique_ptr<FleetProgress> progress_;
};

}  // namespace kdsp::cli
