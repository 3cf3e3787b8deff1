// Cuts the application's byte stream into data frames on the processor's side:
// hunting for the start byte, the length, and the checksum, with resync after junk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/protocol/frames.h"

namespace kdsp {

struct SplitFrame {
    Bytes bytes;     // the whole frame, start byte first
    bool valid = true;  // false: header and length were fine but the checksum was not
};

class FrameSplitter {
public:
    // Appends bytes and returns every frame they complete, in order.
    std::vector<SplitFrame> Push(std::span<const std::uint8_t> bytes);
    // Forgets a half-collected frame (a new client connected).
    void Reset() { buffer_.clear(); }
    std::size_t DroppedBytes() const { return dropped_; }
    std::size_t Pending() const { return buffer_.size(); }

private:
    Bytes buffer_;
    std::size_t dropped_ = 0;
};

}  // namespace kdsp
