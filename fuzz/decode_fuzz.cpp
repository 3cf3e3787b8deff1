// Fuzzes the input path of `kdsp decode`: hex text, the frame splitter and the
// one-line descriptions. The pieces must account for every byte, in order.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/protocol/frame_text.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto bytes = kdsp::ParseHexBytes(text);
    if (!bytes) return 0;
    Check(bytes->size() <= size / 2, "two digits per byte");

    const auto pieces = kdsp::SplitFrames(*bytes);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const auto& piece = pieces[i];
        Check(!piece.bytes.empty(), "no empty piece");
        Check(pos + piece.bytes.size() <= bytes->size(), "a piece lies inside the input");
        for (std::size_t k = 0; k < piece.bytes.size(); ++k)
            Check(piece.bytes[k] == (*bytes)[pos + k], "a piece is a copy of the input");
        if (piece.kind == kdsp::FrameKind::Incomplete)
            Check(i + 1 == pieces.size(), "only the last piece is incomplete");
        if (piece.kind == kdsp::FrameKind::Data || piece.kind == kdsp::FrameKind::BadChecksum)
            Check(piece.bytes.size() >= 7 && piece.bytes.size() == piece.bytes[2] + 3u,
                  "a frame is as long as its length byte says");
        // A bad frame gives back all but its start byte to the hunt.
        pos += piece.kind == kdsp::FrameKind::BadChecksum ? 1 : piece.bytes.size();

        const std::string line = kdsp::DescribePiece(piece);
        Check(!line.empty() && line.find('\n') == std::string::npos, "one line per piece");
    }
    Check(pos == bytes->size(), "the pieces cover the input");
    return 0;
}
