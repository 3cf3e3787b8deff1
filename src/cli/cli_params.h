// Writes by parameter name or id, planned from NAME VALUE pairs with the checks of
// `kdsp set` and handed in order to a run's device session: shared by set and fleet set.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_link_run.h"
#include "core/link/read_plan.h"
#include "core/model/param_names.h"

namespace kdsp::cli {

// 0 sing, 1 dance: the operating mode an image says the processor is in.
int OperatingMode(const Model& m);
const char* ModeText(int mode);  // "sing", "dance"

// The row of the table a by-name parameter is.
const ParamSpec& SpecOf(const NamedParam& p);

struct PlannedWrite {
    const NamedParam* param = nullptr;  // nullptr: a stored value written by id
    ParamId id = 0;
    int value = 0;
    bool clamped = false;
    std::string given;
    std::string modeName;  // a stored mode given by name: found once the names are read
    std::optional<int> old;  // the processor's value before the command
};

// NAME VALUE pairs (or ID STORED-VALUE) checked and brought into range as `kdsp set`
// does; throws Refused for what it refuses, before anything is connected.
std::vector<PlannedWrite> PlanWrites(const std::vector<std::string>& pairs, bool raw);

// What a set of these writes has to read first: the operating mode and the pages
// (or system items) of the parameters written.
ReadPlan ReadPlanFor(const std::vector<PlannedWrite>& writes);

// A value as the processor's words show it: a stored mode with its name ("3-Pop").
std::string ShownValue(const NamedParam& p, int raw, const Model& m);

// The writes in the order they go out: recalls of a stored mode first (the
// processor reloads everything after one), then the copies of the operating mode in
// use, then those of the other mode (the session switches to it and back), and last
// a new operating mode, so the mode asked for is the one the processor ends in.
// Online() at each time the run is online; the run is disconnected when all are taken.
class SetRun {
  public:
    SetRun(LinkRun& run, std::vector<PlannedWrite> writes);

    void Online(int onlineCount);

    const std::vector<PlannedWrite>& Writes() const { return writes_; }
    int modeInUse = 0;
    bool switched = false;
    // Where the switch of operating mode is told (by default a line on stderr).
    std::function<void(const std::string&)> Say;

  private:
    void Start();
    void WriteAll();
    bool Write(const PlannedWrite& w);

    LinkRun& s_;
    std::vector<PlannedWrite> writes_;
    bool started_ = false;
    bool recalled_ = false;  // a recall's reload is awaited
};

}  // namespace kdsp::cli
