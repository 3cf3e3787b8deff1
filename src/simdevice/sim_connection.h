// One connection to the simulated processor: incoming bytes are cut into frames and
// answered, and the answers are scheduled as writes, with the faults tests ask for.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "simdevice/frame_splitter.h"
#include "simdevice/sim_device.h"

namespace kdsp {

struct FaultOptions {
    double dropAcks = 0;        // share of acknowledgements never sent
    double dropReplies = 0;     // share of data replies never sent
    int dropFirstReplies = 0;   // the first N data replies are never sent
    double corrupt = 0;         // share of data replies sent with a wrong checksum
    bool split = false;         // each frame goes out as two writes
    bool merge = false;         // an acknowledgement waits for the next answer, one write
    int delayMs = 0;            // every answer leaves this much later
    long silentAfter = -1;      // after this many frames received nothing more is answered
    long closeAfter = -1;       // the frame after this many is not answered: the connection closes
    std::uint64_t seed = 1;
    int splitGapMs = 3;         // between the halves, so the stream really arrives in two reads
    int mergeWindowMs = 40;     // how long an acknowledgement waits for company
};

// How many faults a run has injected, by kind (for soak reports and the log).
struct FaultCounts {
    long acksDropped = 0;
    long repliesDropped = 0;
    long corrupted = 0;
    long split = 0;       // answers sent as two writes
    long merged = 0;      // acknowledgements sent together with the next answer
    long delayed = 0;     // answers held back by the delay
    long unanswered = 0;  // frames taken in while silent
    long Total() const {
        return acksDropped + repliesDropped + corrupted + split + merged + delayed + unanswered;
    }
};

// Faults and their dice, shared by every session of one simulator so that
// a seed gives one sequence and the silence counts frames over the whole run.
class FaultState {
public:
    explicit FaultState(const FaultOptions& options) : options_(options), rng_(options.seed) {}
    const FaultOptions& Options() const { return options_; }
    // New faults from now on: fresh dice, and silence and first-reply drops counted
    // afresh (a test brings the link up cleanly, then turns the faults on).
    void Reconfigure(const FaultOptions& options);
    FaultCounts& Counts() { return counts_; }
    const FaultCounts& Counts() const { return counts_; }
    bool Roll(double share);
    std::size_t SplitPoint(std::size_t size);  // 1..size-1
    // Counts a received frame; true once the processor has gone silent.
    bool CountFrameAndCheckSilent();
    bool Silent() const { return options_.silentAfter >= 0 && framesSeen_ > options_.silentAfter; }
    bool Closing() const { return options_.closeAfter >= 0 && framesSeen_ > options_.closeAfter; }
    bool TakeFirstReplyDrop();

private:
    FaultOptions options_;
    std::mt19937_64 rng_;
    long framesSeen_ = 0;
    int repliesDropped_ = 0;
    FaultCounts counts_;
};

class SimConnection {
public:
    using Logger = std::function<void(const std::string&)>;

    SimConnection(SimDevice& device, FaultState& faults) : device_(device), faults_(faults) {}

    void SetLogger(Logger logger) { log_ = std::move(logger); }
    // Paces this session like a serial line of `baud` (10 bits a byte, both ways): a
    // frame is answered once its last byte would have arrived, and an answer counts as
    // sent once its last byte would have left. 0: no line, bytes are instant.
    void SetLineBaud(int baud) { lineBaud_ = baud; }

    // Bytes from the application at time nowMs (any clock, milliseconds).
    void Receive(std::span<const std::uint8_t> bytes, std::int64_t nowMs);
    // Writes whose time has come, each to be written as one piece, in order.
    std::vector<Bytes> TakeDue(std::int64_t nowMs);
    // When the next write falls due; empty when nothing waits.
    std::optional<std::int64_t> NextDueMs() const;
    // A new client: forget half frames and unsent answers.
    void Reset();
    // The processor hangs up (closeAfter): true once every answer before it has left.
    bool WantsClose() const { return closing_ && pending_.empty() && !heldAck_; }

    std::size_t FramesReceived() const { return framesReceived_; }

private:
    struct Pending {
        std::int64_t due;
        Bytes bytes;
    };
    void Schedule(Bytes bytes, std::int64_t due);
    void Emit(const Answer& answer, std::int64_t nowMs);
    void Log(const std::string& line) const {
        if (log_) log_(line);
    }

    SimDevice& device_;
    FaultState& faults_;
    FrameSplitter splitter_;
    std::deque<Pending> pending_;
    std::optional<Pending> heldAck_;  // waiting to be merged, due = its deadline
    std::int64_t lastDue_ = 0;
    std::size_t framesReceived_ = 0;
    bool closing_ = false;
    int lineBaud_ = 0;
    double rxLineFreeMs_ = 0;  // when the incoming line has carried every byte so far
    double txLineFreeMs_ = 0;  // when the outgoing line has carried every answer so far
    Logger log_;
};

}  // namespace kdsp
