// Reads of part of the memory: the steps a slot needs, and the link's walk through
// a plan's steps in place of the read's fixed order.
#include "core/link/read_plan.h"

#include <algorithm>

#include "core/link/link.h"
#include "core/model/codecs.h"
#include "core/protocol/frames.h"

namespace kdsp {

namespace {
constexpr int StoredModeSlot = IndexOf(IdRecallMode);  // the stored mode in use
}  // namespace

void ReadPlan::Add(int step) {
    if (std::find(steps.begin(), steps.end(), step) == steps.end()) steps.push_back(step);
}

int ReadStepItem(int step) {
    if (step >= 10 && step <= 14) return MakeId(PageSystem, 0x07 + step - 10);
    if (step >= 15 && step <= 17) return MakeId(PageSystem, 0x20 + step - 15);
    if (step == ModeNameStep) return IdModeName;
    if (step == 19) return 0x0A06;
    if (step >= 20 && step <= 23) return MakeId(PageSystem, 0x02 + step - 20);
    if (step >= 24 && step <= 26) return MakeId(PageSystem, 0x0C + step - 24);
    if (step == IdentityStep) return IdDeviceIdentity;
    if (step == 28) return IdRemote;
    if (step == 29) return IdSaveMode;
    return -1;
}

std::vector<int> ReadStepsFor(int page, int slot) {
    if (page >= 0 && page < PageSystem) return {page};
    if (page != PageSystem) return {};
    for (int step = 10; step <= ReadStepCount; ++step) {
        if (step == ModeNameStep || ReadStepItem(step) != MakeId(PageSystem, slot)) continue;
        if (slot == StoredModeSlot) return {step, ModeNameStep};
        return {step};
    }
    return {};
}

void Link::SetReadPlan(ReadPlan plan) {
    if (!plan.Whole() && plan.steps.front() != 0) {
        plan.steps.erase(std::remove(plan.steps.begin(), plan.steps.end(), 0), plan.steps.end());
        plan.steps.insert(plan.steps.begin(), 0);
    }
    plan_ = std::move(plan);
}

bool Link::Planned() const { return UploadFlag == 0 && !plan_.Whole(); }

bool Link::NextPlannedStep() {
    if (StepIndex == ModeNameStep && !plan_.storedModeNameOnly) {
        ModeNameIndex += 1;
        if (ModeNameIndex <= StoredModeCount) return true;  // the next mode's name
    }
    ModeNameIndex = 0;
    const auto& steps = plan_.steps;
    for (planPos_ += 1; planPos_ < static_cast<int>(steps.size()); ++planPos_) {
        const int step = steps[static_cast<std::size_t>(planPos_)];
        if (step > StepCount) continue;  // a reload stops short of the identity and later items
        if (step == ModeNameStep) {
            const int stored = model_.DeviceImage[PageSystem][StoredModeSlot];
            if (plan_.storedModeNameOnly && (stored < 0 || stored >= StoredModeCount)) continue;
            ModeNameIndex = plan_.storedModeNameOnly ? stored + 1 : 1;
        }
        StepIndex = step;
        return true;
    }
    return false;
}

int Link::PlannedProgress() const {
    const int last = static_cast<int>(plan_.steps.size()) - 1;
    if (last <= 0) return 0;
    return static_cast<int>(RoundHalfEven(std::min(planPos_, last) * 100.0 / last));
}

}  // namespace kdsp
