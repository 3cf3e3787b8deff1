// Frame splitting for the processor's receive side. A frame whose header or
// checksum is wrong gives up only its start byte, so the frames behind it survive.
#include "simdevice/frame_splitter.h"

#include <algorithm>

namespace kdsp {

namespace {

constexpr std::size_t HeaderBytes = 4;  // start, key, length, command

}  // namespace

std::vector<SplitFrame> FrameSplitter::Push(std::span<const std::uint8_t> bytes) {
    std::vector<SplitFrame> out;
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    std::size_t pos = 0;
    for (;;) {
        // Hunt for a start byte; everything before it is noise.
        const auto start = std::find(buffer_.begin() + static_cast<std::ptrdiff_t>(pos),
                                     buffer_.end(), FrameStart);
        const auto startPos = static_cast<std::size_t>(start - buffer_.begin());
        dropped_ += startPos - pos;
        pos = startPos;
        if (buffer_.size() - pos < HeaderBytes) break;
        const std::uint8_t key = buffer_[pos + 1];
        const std::uint8_t length = buffer_[pos + 2];
        const std::uint8_t cmd = buffer_[pos + 3];
        if (key != FrameKey || length < 4 || (cmd != CmdWrite && cmd != CmdRead)) {
            ++dropped_;
            ++pos;
            continue;
        }
        const std::size_t total = std::size_t{length} + 3;
        if (buffer_.size() - pos < total) break;
        SplitFrame frame;
        frame.bytes.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(pos),
                           buffer_.begin() + static_cast<std::ptrdiff_t>(pos + total));
        if (FrameChecksumOk(frame.bytes)) {
            pos += total;
        } else {
            // Maybe the length byte itself was hit; retry from the next byte.
            frame.valid = false;
            ++dropped_;
            ++pos;
        }
        out.push_back(std::move(frame));
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos));
    return out;
}

}  // namespace kdsp
