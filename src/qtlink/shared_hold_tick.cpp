#include "qtlink/shared_hold_tick.h"

#include <algorithm>

#include "core/link/link_interfaces.h"

namespace kdsp {

SharedHoldTick::SharedHoldTick() {
    timer_.setInterval(HoldIntervalMs);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Fire(); });
}

void SharedHoldTick::Join(const void* key, std::function<void()> tick) {
    if (Has(key)) return;
    members_.push_back({key, std::move(tick)});
    if (!timer_.isActive()) timer_.start();
}

void SharedHoldTick::Leave(const void* key) {
    const auto at = std::find_if(members_.begin(), members_.end(), [key](const Member& m) { return m.key == key; });
    if (at == members_.end()) return;
    // A member may leave (or be destroyed) from inside a tick: during one its place
    // is only emptied, and Fire closes the gaps afterwards.
    if (firing_) {
        at->key = nullptr;
        at->tick = nullptr;
    } else {
        members_.erase(at);
    }
    if (std::none_of(members_.begin(), members_.end(), [](const Member& m) { return m.key; })) timer_.stop();
}

bool SharedHoldTick::Has(const void* key) const {
    return key && std::any_of(members_.begin(), members_.end(), [key](const Member& m) { return m.key == key; });
}

void SharedHoldTick::Fire() {
    firing_ = true;
    // Members that join during this tick have their first tick on the next one.
    const std::size_t count = members_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (!members_[i].key) continue;
        // A copy: the member may leave while its tick runs.
        const std::function<void()> tick = members_[i].tick;
        tick();
    }
    firing_ = false;
    std::erase_if(members_, [](const Member& m) { return !m.key; });
}

}  // namespace kdsp
