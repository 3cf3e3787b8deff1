// A write frame as the processor takes it (one value, or one EQ band with its five
// words), so a test can compare the exact frames that went out with a list.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "core/protocol/frames.h"

namespace kdsp {

struct SentFrame {
    int id = -1;             // the frame's id: page << 8 | index
    int band = -1;           // band frames: the band's index; -1 for a single value
    std::vector<int> words;  // the value, or type, frequency, gain, peaking Q, shelving Q
    bool operator==(const SentFrame&) const = default;
};

inline SentFrame ValueFrame(int id, int value) {
    return {id, -1, {value}};
}
inline SentFrame BandFrame(int page, int band, std::vector<int> words) {
    return {BandFrameId(page), band, std::move(words)};
}

inline void PrintTo(const SentFrame& f, std::ostream* os) {
    char id[8];
    std::snprintf(id, sizeof id, "0x%04X", f.id & 0xFFFF);
    *os << id;
    if (f.band >= 0)
        *os << " band " << f.band;
    *os << " [";
    for (std::size_t k = 0; k < f.words.size(); ++k)
        *os << (k ? " " : "") << f.words[k];
    *os << "]";
}

// From the bytes of a write frame FC BA length A7 page index payload checksum; a
// band frame is told by its id and its twelve payload bytes (band, five words).
inline SentFrame DecodeSentFrame(const std::vector<std::uint8_t>& f) {
    SentFrame out;
    if (f.size() < 7)
        return out;
    out.id = f[4] << 8 | f[5];
    std::vector<int> words;
    for (std::size_t k = 6; k + 2 < f.size(); k += 2)
        words.push_back(f[k] | f[k + 1] << 8);
    const int page = f[4];
    if (words.size() == 6 && page < 10 && out.id == BandFrameId(page)) {
        out.band = words.front();
        words.erase(words.begin());
    }
    out.words = std::move(words);
    return out;
}

}  // namespace kdsp
