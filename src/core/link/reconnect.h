// Reconnecting by itself after the processor has been lost: the waits between the
// attempts, a few seconds at first and longer each time, up to half a minute.
#pragma once

namespace kdsp {

struct ReconnectTiming {
    int firstDelayMs = 2000;  // from the loss to the first attempt
    int factor = 2;           // each wait is this many times the one before...
    int maxDelayMs = 30000;   // ...but never longer than this
};

class ReconnectSchedule {
public:
    explicit ReconnectSchedule(ReconnectTiming timing = {}) : timing_(timing) {}

    // A new loss: the next wait is the first one again.
    void Reset() { nextDelayMs_ = -1; }
    // The wait before the next attempt; the one after it is longer.
    int NextDelayMs();

private:
    ReconnectTiming timing_;
    int nextDelayMs_ = -1;  // -1: the first wait comes next
};

}  // namespace kdsp
