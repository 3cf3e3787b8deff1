// Scheduling of the simulated processor's answers and the injected faults.
#include "simdevice/sim_connection.h"

#include <algorithm>
#include <cmath>

#include "simdevice/frame_text.h"

namespace kdsp {

void FaultState::Reconfigure(const FaultOptions& options) {
    options_ = options;
    rng_.seed(options.seed);
    framesSeen_ = 0;
    repliesDropped_ = 0;
}

bool FaultState::Roll(double share) {
    if (share <= 0) return false;
    if (share >= 1) return true;
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < share;
}

std::size_t FaultState::SplitPoint(std::size_t size) {
    if (size < 2) return size;
    return std::uniform_int_distribution<std::size_t>(1, size - 1)(rng_);
}

bool FaultState::CountFrameAndCheckSilent() {
    ++framesSeen_;
    return Silent();
}

bool FaultState::TakeFirstReplyDrop() {
    if (repliesDropped_ >= options_.dropFirstReplies) return false;
    ++repliesDropped_;
    return true;
}

namespace {
double ByteMs(int baud) { return 10.0 * 1000.0 / baud; }
}  // namespace

void SimConnection::Receive(std::span<const std::uint8_t> bytes, std::int64_t nowMs) {
    if (lineBaud_ > 0) {
        rxLineFreeMs_ = std::max(rxLineFreeMs_, static_cast<double>(nowMs)) +
                        static_cast<double>(bytes.size()) * ByteMs(lineBaud_);
        nowMs = static_cast<std::int64_t>(std::ceil(rxLineFreeMs_));
    }
    for (auto& frame : splitter_.Push(bytes)) {
        if (closing_) return;  // hanging up: nothing more is taken in
        if (!frame.valid) {
            Log("rx bad checksum, dropped: " + HexBytes(frame.bytes));
            continue;
        }
        ++framesReceived_;
        Log("rx " + DescribeFrame(frame.bytes));
        const bool silent = faults_.CountFrameAndCheckSilent();
        if (faults_.Closing()) {
            closing_ = true;
            Log("   (hanging up)");
            return;
        }
        if (silent) {
            ++faults_.Counts().unanswered;
            Log("   (silent: not answered)");
            continue;
        }
        Emit(device_.Handle(frame.bytes), nowMs);
    }
}

void SimConnection::Emit(const Answer& answer, std::int64_t nowMs) {
    if (answer.kind == AnswerKind::None) return;
    const FaultOptions& o = faults_.Options();
    Bytes bytes = answer.bytes;
    if (answer.kind == AnswerKind::Ack && faults_.Roll(o.dropAcks)) {
        ++faults_.Counts().acksDropped;
        Log("   (ack dropped)");
        return;
    }
    if (answer.kind == AnswerKind::Reply) {
        if (faults_.TakeFirstReplyDrop() || faults_.Roll(o.dropReplies)) {
            ++faults_.Counts().repliesDropped;
            Log("   (reply dropped): " + DescribeFrame(bytes));
            return;
        }
        if (faults_.Roll(o.corrupt)) {
            bytes.back() ^= 0x5A;
            ++faults_.Counts().corrupted;
            Log("   (checksum corrupted)");
        }
    }
    Log("tx " + DescribeFrame(bytes));
    const std::int64_t due = nowMs + std::max(0, o.delayMs);
    if (o.delayMs > 0) ++faults_.Counts().delayed;
    if (o.merge) {
        if (heldAck_) {
            // The waiting acknowledgement leaves together with this answer.
            Bytes joined = std::move(heldAck_->bytes);
            joined.insert(joined.end(), bytes.begin(), bytes.end());
            heldAck_.reset();
            ++faults_.Counts().merged;
            Schedule(std::move(joined), due);
            return;
        }
        if (answer.kind == AnswerKind::Ack) {
            heldAck_ = Pending{due + o.mergeWindowMs, std::move(bytes)};
            return;
        }
    }
    Schedule(std::move(bytes), due);
}

void SimConnection::Schedule(Bytes bytes, std::int64_t due) {
    if (lineBaud_ > 0) {
        txLineFreeMs_ = std::max(txLineFreeMs_, static_cast<double>(due)) +
                        static_cast<double>(bytes.size()) * ByteMs(lineBaud_);
        due = static_cast<std::int64_t>(std::ceil(txLineFreeMs_));
    }
    due = std::max(due, lastDue_);  // writes never overtake each other
    const FaultOptions& o = faults_.Options();
    if (o.split && bytes.size() >= 2) {
        const std::size_t cut = faults_.SplitPoint(bytes.size());
        ++faults_.Counts().split;
        Bytes second(bytes.begin() + static_cast<std::ptrdiff_t>(cut), bytes.end());
        bytes.resize(cut);
        pending_.push_back({due, std::move(bytes)});
        due += std::max(0, o.splitGapMs);
        pending_.push_back({due, std::move(second)});
    } else {
        pending_.push_back({due, std::move(bytes)});
    }
    lastDue_ = due;
}

std::vector<Bytes> SimConnection::TakeDue(std::int64_t nowMs) {
    if (heldAck_ && heldAck_->due <= nowMs) {
        // Nothing came to merge with: the acknowledgement goes alone.
        Pending held = std::move(*heldAck_);
        heldAck_.reset();
        Schedule(std::move(held.bytes), held.due);
    }
    std::vector<Bytes> out;
    while (!pending_.empty() && pending_.front().due <= nowMs) {
        out.push_back(std::move(pending_.front().bytes));
        pending_.pop_front();
    }
    return out;
}

std::optional<std::int64_t> SimConnection::NextDueMs() const {
    std::optional<std::int64_t> next;
    if (!pending_.empty()) next = pending_.front().due;
    if (heldAck_ && (!next || heldAck_->due < *next)) next = heldAck_->due;
    return next;
}

void SimConnection::Reset() {
    closing_ = false;
    rxLineFreeMs_ = txLineFreeMs_ = 0;
    splitter_.Reset();
    pending_.clear();
    heldAck_.reset();
    lastDue_ = 0;
}

}  // namespace kdsp
