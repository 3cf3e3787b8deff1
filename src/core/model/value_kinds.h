// How a stored word becomes a shown value: the value kinds with their stored range,
// unit, shown step and "Off" value. The codecs, the catalogue by name and the
// parameter table all take a kind's range from here.
#pragma once

#include <optional>
#include <string_view>

namespace kdsp {

// The numbers are the kind numbers the window's controls and tables use.
enum class ValueKind : int {
    Plain = 0,              // shown as stored; no range of its own
    Item = 1,               // an item number (band type, dynamics), 0..2
    Frequency = 2,          // the frequency table, 0..361
    Gain = 3,               // n / 5 - 24 dB, 0..180
    Q = 4,                  // the Q table, 0..100 (a shelving band stops at 24)
    LowPassFrequency = 5,   // the frequency table; 362 is "Off"
    HighPassFrequency = 6,  // 0 is "Off", n shows entry n - 1
    EffectLowPass = 7,      // entry n + 297; 64 is "Off"
    Level = 8,              // 0..100 as stored
    DoubledLevel = 9,       // 2 n
    Centred = 10,           // n - 50
    DoubledMs = 11,         // 2 n ms
    ReverbTime = 12,        // 62.5 n ms
    EffectHighPass = 13,    // 0 is "Off", n shows entry n - 1, 0..205
    Offset20 = 14,          // n - 20
    Ratio = 15,             // the ratio table
    Release = 16,           // the release table
    Attack = 17,            // the attack table (ms)
    TenthMs = 18,           // n / 10 ms
    CrossoverQ = 19,        // the Q table, 0..23
    Threshold = 20,         // n - 36 dB
    FeedbackStep = 21,      // 0 is "Off", then n + 1 Hz
    Decay = 22,             // 0 is "Off", then n
};

inline constexpr int ValueKindCount = 23;

struct KindSpec {
    int max;                // top of the stored range (the bottom is 0)
    bool ranged;            // false for Plain: the parameter's own limits apply
    std::string_view unit;  // "Hz", "dB", "ms" or ""
    int off;                // the stored value shown as "Off"; -1 for none
    double step;            // shown units per stored step; 0 where a table decides
    std::string_view word;  // the kind's name in machine-readable output ("gain")
};

const KindSpec& SpecOf(ValueKind kind);
// Kinds whose shown value is a text of its own ("Off", "12.5ms") rather than the
// position of a slider: the filters and times from LowPassFrequency on.
bool ShownAsText(ValueKind kind);
// The kinds of an EQ band or a filter: a change of one is drawn on the curve.
bool DrawnOnCurve(ValueKind kind);
// The top of a band's Q for its type (BandTypePEQ or a shelf): a shelving band
// stops at 24.
int BandQMax(int bandType);
// The kind of a kind number; nothing for -1 (no kind) or a number out of range.
std::optional<ValueKind> KindFromNumber(int number);

}  // namespace kdsp
