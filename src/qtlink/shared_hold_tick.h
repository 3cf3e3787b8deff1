// One hold tick for many links. Every link online ticks every 20 ms to pace its
// writes and keep-alives; with a timer of its own per link, a service holding
// hundreds of processors wakes up ten thousand times a second, and every wake-up
// polls all of its sockets. Links that share this tick all tick in the same
// wake-up: 50 a second, whatever their number.
#pragma once

#include <QTimer>

#include <cstddef>
#include <functional>
#include <vector>

namespace kdsp {

class SharedHoldTick {
  public:
    SharedHoldTick();
    SharedHoldTick(const SharedHoldTick&) = delete;
    SharedHoldTick& operator=(const SharedHoldTick&) = delete;

    // `tick` is called on every tick from now on, until Leave with the same key.
    // A member's first tick comes within one interval rather than after exactly one.
    void Join(const void* key, std::function<void()> tick);
    void Leave(const void* key);
    bool Has(const void* key) const;

  private:
    struct Member {
        const void* key;
        std::function<void()> tick;
    };
    void Fire();

    QTimer timer_;
    std::vector<Member> members_;
    bool firing_ = false;
};

}  // namespace kdsp
