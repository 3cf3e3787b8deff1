// Many processors at once on one event loop: each gets a link run of its own, all
// of them together unless `jobs` says fewer, entries sharing an address never run together, and one
// that is slow or dead holds up none of the others.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_json.h"
#include "cli/cli_link_run.h"
#include "core/fleet/inventory.h"

namespace kdsp::cli {

struct FleetOptions {
    int jobs = 0;  // processors at once; 0: all of them
    double timeout = 180;  // for each processor, from its own start
    bool fast = false;
};

// What a fleet command does with one processor once its link is online: one kind
// per command (status, backup, set).
class FleetJob {
  public:
    virtual ~FleetJob() = default;
    // At every online event (another one follows an upload or a stored-mode
    // recall): true when the work is done and the run may say goodbye. A job that
    // finishes later calls run.Disconnect(0) itself; run.Fail(why) ends it failed.
    virtual bool Online(LinkRun& run, int onlineCount) = 0;
    // What Ctrl-C cut short on this processor.
    virtual std::string InterruptedText() const { return "interrupted"; }
    // A lost link in the job's words (by default the link's own).
    virtual std::string LostText(const std::string& reason) const { return reason; }
    // The result in the summary ("ok" / "failed", "online" / "offline" for status).
    virtual const char* ResultWord(bool ok) const { return ok ? "ok" : "failed"; }
    // The summary's words after a success ("backups/room1.Nddt", "identity ...").
    virtual std::string Detail() const { return {}; }
    // The file the job wrote, if any, for the report.
    virtual std::string File() const { return {}; }
    // More members of the device's entry in the JSON report.
    virtual void AddJson(JsonValue&) const {}
    // What the job reads of each processor (by default the whole memory).
    virtual ReadPlan Plan() const { return {}; }
};

struct FleetDevice {
    InventoryEntry entry;
    std::unique_ptr<FleetJob> job;
    std::unique_ptr<LinkRun> run;  // made when its turn comes, kept to the end
    enum class State { Waiting, Running, Done } state = State::Waiting;
    bool ok = false;
    std::string error;
    std::chrono::steady_clock::time_point started, ended;

    double Seconds() const;  // 0 for a processor never started
};

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
