// A/B: two whole sets of settings, one of which the processor holds, and the writes
// that move it from one to the other — only the words that differ, as edits go.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "core/model/model.h"
#include "core/model/param_table.h"

namespace kdsp {

enum class AbSlot { A = 0, B = 1 };

struct AbSwitch {
    // In the order they are to be sent: the sing/dance word first, since it decides
    // which copy every later write reaches; then page and slot order.
    std::vector<const ParamSpec*> writes;
    // Differing copies of the sing/dance mode the target is not in: no single write
    // reaches them while the processor is in the other mode, so they are not sent.
    int unreachable = 0;
};

// The writes that bring a processor holding `from` to `to`: every word a preset
// upload carries that has a write address and differs. Values come from `to`.
AbSwitch PlanSwitch(const DeviceImageRows& from, const DeviceImageRows& to);

class AbSlots {
  public:
    // `image` becomes the slot's settings; `held`: the processor holds them now,
    // so the slot becomes the active one.
    void Take(AbSlot slot, const DeviceImageRows& image, bool held);
    bool Has(AbSlot slot) const { return slots_[Index(slot)].has_value(); }
    const DeviceImageRows& Image(AbSlot slot) const { return *slots_[Index(slot)]; }
    std::optional<AbSlot> Active() const { return active_; }
    bool Ready() const { return Has(AbSlot::A) && Has(AbSlot::B); }

    // Edits go to the active slot once both are taken: it takes the processor's
    // memory as it is now. Before that, the first slot stays as it was taken.
    void Follow(const DeviceImageRows& now);
    // Makes `target` active after the active slot has followed `now`; the writes
    // that take the processor there. Nothing to write when `target` is already
    // active or empty.
    AbSwitch SwitchTo(AbSlot target, const DeviceImageRows& now);
    // The other slot than the active one (A when none is).
    AbSlot Other() const;
    // Both slots are dropped; the processor keeps what it holds.
    void Leave();

  private:
    static std::size_t Index(AbSlot s) { return static_cast<std::size_t>(s); }
    std::array<std::optional<DeviceImageRows>, 2> slots_;
    std::optional<AbSlot> active_;
};

}  // namespace kdsp
