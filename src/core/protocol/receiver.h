// Turning the processor's byte stream into frames and applying each frame to the
// device image, the device texts and the three link signals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/model/model.h"

namespace kdsp {

// Owned by the link: set here whenever an acknowledgement or a frame arrives.
struct LinkSignals {
    int DeviceFound = 0;    // 0/1
    int ClearToSend = 0;    // 0/1
    int TransferState = 0;  // 0 idle, 1 acknowledged, 2 frame received, 3 waiting, 4 late
    // 1 when the last complete data frame failed its checksum, 0 after a good one:
    // a transfer step asks again rather than go on without the data.
    int DamagedFrame = 0;
    // Page * 256 + index of the last good data frame, -1 before the first: a late
    // answer to an earlier request can be told from a mode name.
    int FrameAddress = -1;
};

inline constexpr int TransferIdle = 0;
inline constexpr int TransferAcked = 1;
inline constexpr int TransferFrameReceived = 2;
inline constexpr int TransferWaiting = 3;
inline constexpr int TransferLate = 4;

// What one cut of the byte stream turned out to be.
enum class FrameKind {
    Ack,          // FE BB or FE AA
    Data,         // FC BA L cmd page index payload checksum, checksum good
    BadChecksum,  // a whole data frame whose checksum is wrong
    BadHeader,    // FC followed by three bytes that are not BA L A7/A0
    BadAck,       // FE followed by anything but BB/AA
    BadLength,    // a header whose length byte is below 4
    Skipped,      // bytes before any start byte
    Incomplete,   // the stream ends inside a frame
};

const char* FrameKindName(FrameKind kind);

// One cut at the front of a byte run.
struct FrameCut {
    FrameKind kind = FrameKind::Incomplete;
    std::size_t length = 0;    // bytes that make up the piece (a data frame: L + 3)
    std::size_t consumed = 0;  // bytes to drop before cutting again (0: wait for more)
};

// Cuts the next piece off the front of `bytes`. A data frame failing its checksum
// consumes only its start byte, so a corrupted length byte cannot swallow the
// frames behind it; a length byte below 4 likewise. Incomplete consumes nothing.
FrameCut CutNextFrame(std::span<const std::uint8_t> bytes);

// A whole byte run cut into pieces the way the receiver cuts it (for decoders and
// tools); a trailing partial frame comes last as Incomplete.
struct FramePiece {
    FrameKind kind;
    std::vector<std::uint8_t> bytes;
};
std::vector<FramePiece> SplitFrames(std::span<const std::uint8_t> bytes);

// Validates and applies one complete frame (acks and data frames). Anything that
// starts with FC counts as a received frame for the transfer, valid or not.
FrameKind ApplyFrame(std::span<const std::uint8_t> frame, Model& model, LinkSignals& signals,
                     int modeNameIndex);

// A frame whose rest has not come this long after its first bytes is given up: a
// whole frame takes 45 ms on the serial line, and a processor that stopped sending
// halfway must not leave every later byte waiting behind it.
inline constexpr long CutOffFrameLimitMs = 500;

// What the link tells the assembler about the moment bytes arrive.
struct FeedContext {
    // The mode of the last name request + 1, 0 when none is outstanding.
    int modeNameIndex = 0;
    // Data frames are answers to a transfer step; with false (no step asked for
    // anything) they are checked and dropped, and neither the model nor the transfer
    // state changes. Acknowledgements count either way.
    bool takeData = true;
    long nowMs = 0;  // the link's clock, for giving up cut-off frames
};

// Collects bytes from either transport (serial or TCP) across reads.
class RxAssembler {
public:
    // Every complete frame waiting is applied; a partial frame waits for the next call,
    // unless it has waited CutOffFrameLimitMs already (see GiveUpCutOff).
    void Feed(std::span<const std::uint8_t> bytes, Model& model, LinkSignals& signals,
              const FeedContext& context);
    void Feed(std::span<const std::uint8_t> bytes, Model& model, LinkSignals& signals,
              int modeNameIndex) {
        Feed(bytes, model, signals, FeedContext{modeNameIndex});
    }
    // A partial frame that has waited CutOffFrameLimitMs for its rest is given up: its
    // start byte is dropped and hunting resumes behind it, so an acknowledgement that
    // came after it still counts. True when one was given up.
    bool GiveUpCutOff(Model& model, LinkSignals& signals, const FeedContext& context);
    // A new connection: nothing of the last one's bytes is kept.
    void Reset();
    // The receive-buffer lines for the diagnostic memo, oldest first.
    std::vector<std::string> TakeDiagnostics();

    std::size_t PendingBytes() const { return buffer_.size(); }
    // Counters for tools and soak reports.
    std::size_t FramesApplied() const { return framesApplied_; }
    std::size_t FramesDropped() const { return framesDropped_; }

private:
    static constexpr std::size_t MaxDiagnostics = 256;
    // Cuts and applies every complete frame at the front of the buffer.
    void CutWaiting(Model& model, LinkSignals& signals, const FeedContext& context);
    void Note(std::string line);
    std::vector<std::uint8_t> buffer_;
    // The buffer's bytes before this offset belong to a frame that failed its checksum.
    std::size_t damagedUntil_ = 0;
    long partialSince_ = 0;  // when the partial frame at the front began to wait
    std::vector<std::string> diagnostics_;
    std::size_t framesApplied_ = 0;
    std::size_t framesDropped_ = 0;
};

}  // namespace kdsp
