// Value kinds and the codecs between stored integers, shown texts and typed
// numbers; decoding of ids into EQ bands.
#pragma once

#include <cstdint>
#include <string>

#include "core/model/model.h"
#include "core/model/value_kinds.h"

namespace kdsp {

// Band number in the high byte, parameter within the band (0..4) in the low byte.
using BandRef = std::uint16_t;
inline constexpr BandRef NotEq = 255;
inline constexpr int BandOf(BandRef r) {
    return r >> 8;
}
inline constexpr int FieldOf(BandRef r) {
    return r & 0xFF;
}

// Band and field of an EQ parameter id, or NotEq. Past the last band of pages
// 0 and 4..9 the band number simply keeps counting: callers check it against
// the page's band count before indexing a table with it.
BandRef DecodeBand(const Model& model, ParamId id);
int BandParamIndex(int firstIndex, int band, int k);
ParamId ActiveQParam(const Model& model, ParamId id);
int EqGraphOf(ParamId id);

struct KindRange {
    int max;        // top of the stored range (0 for kind 0: no conversion)
    bool hasRange;  // kind 0 has none
};
// Stored range of a kind number (value_kinds.h); kind 4 reports 100 (24 applies to
// non-peaking bands).
KindRange ValueKindRange(int kind);

struct Formatted {
    std::string text;
    int value;  // the clamped, truncated value the text shows
};
// Clamps v into the kind's range, truncates, and produces the shown text.
// Kind 4 takes the band's limit from `qMax` (100, or 24 for a shelving band).
Formatted FormatValue(int kind, double v, int qMax = 100);

// Typed number -> stored value (a real; callers truncate). NaN gives 0 and
// the result stays within +-1e9, so the truncation is always defined.
double TextToValue(int kind, double x);

// Rounds to the nearest integer, exact halves to the even neighbour.
double RoundHalfEven(double x);

}  // namespace kdsp
