// What a fleet command does with each processor, and what the run keeps of each:
// the job of its command, its run, its state and result.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "cli/cli_json.h"
#include "cli/cli_link_run.h"
#include "core/fleet/inventory.h"
#include "core/link/read_plan.h"

namespace kdsp::cli {

struct FleetOptions {
    int jobs = 0;  // processors at once; 0: all of them
    double timeout = 180;  // for each processor, from its own start
    bool fast = false;
};

// What a fleet command does with one processor once its session is online: one kind
// per command (status, backup, upload, set, verify).
class FleetJob {
  public:
    virtual ~FleetJob() = default;
    // At every online event (another one follows an upload or a stored-mode
    // recall's reload): true when the work is done and the run may say goodbye. A job that
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
    // The run is made and about to start: a job that follows its session's events
    // takes them here.
    virtual void Attach(LinkRun&) {}
};

struct FleetDevice {
    InventoryEntry entry;
    std::unique_ptr<FleetJob> job;
    std::unique_ptr<LinkRun> run;  // made when its turn comes, kept to the end
    enum class State { Waiting, Running, Done } state = State::Waiting;
    bool ok = false;
    std::string error;
    std::chrono::steady_clock::time_point started, ended;

    // 0 for a processor never started.
    double Seconds() const {
        if (state == State::Waiting || !run)
            return 0;
        const auto end = state == State::Done ? ended : std::chrono::steady_clock::now();
        return std::chrono::duration<double>(end - started).count();
    }
};

}  // namespace kdsp::cli
