// A/B slots and the writes of a switch between them.
#include "core/preset/ab_slots.h"

#include <cstddef>

#include "core/model/operating_mode.h"
#include "core/preset/image_compare.h"

namespace kdsp {

namespace {

constexpr int ModeSlot = 1;  // page 0: the sing/dance word, shared by both copies

int At(const DeviceImageRows& image, int page, int slot) {
    return image[static_cast<std::size_t>(page)][static_cast<std::size_t>(slot)];
}

}  // namespace

AbSwitch PlanSwitch(const DeviceImageRows& from, const DeviceImageRows& to) {
    AbSwitch plan;
    const int mode = ModeCopyOf(At(to, PageMusic, ModeSlot));
    for (const ParamSpec& p : ParamTable()) {
        if (!p.Writable() || p.Reserved() || !UploadCarries(p.Page(), p.Slot()))
            continue;
        if (At(from, p.Page(), p.Slot()) == At(to, p.Page(), p.Slot()))
            continue;
        if (p.Mode() >= 0 && p.Mode() != mode) {
            ++plan.unreachable;
            continue;
        }
        if (p.Page() == PageMusic && p.Slot() == ModeSlot)
            plan.writes.insert(plan.writes.begin(), &p);
        else
            plan.writes.push_back(&p);
    }
    return plan;
}

void AbSlots::Take(AbSlot slot, const DeviceImageRows& image, bool held) {
    slots_[Index(slot)] = image;
    if (held)
        active_ = slot;
    else if (active_ == slot)
        active_.reset();  // the processor no longer holds what the slot does
}

void AbSlots::Follow(const DeviceImageRows& now) {
    // Until both slots are taken, A is the "before" the edits are compared with.
    if (active_ && Ready())
        slots_[Index(*active_)] = now;
}

AbSwitch AbSlots::SwitchTo(AbSlot target, const DeviceImageRows& now) {
    Follow(now);
    if (active_ == target || !Has(target))
        return {};
    active_ = target;
    return PlanSwitch(now, Image(target));
}

AbSlot AbSlots::Other() const {
    return active_ == AbSlot::A ? AbSlot::B : AbSlot::A;
}

void AbSlots::Leave() {
    slots_ = {};
    active_.reset();
}

}  // namespace kdsp
