// The one list of the value kinds' ranges, units, steps and "Off" values.
#include "core/model/value_kinds.h"

#include <array>

#include "core/model/eq_layout.h"

namespace kdsp {
namespace {

constexpr std::array<KindSpec, ValueKindCount> Specs = {{
    {0, false, "", -1, 1, "plain"},
    {2, true, "", -1, 1, "item"},
    {361, true, "Hz", -1, 0, "frequency"},
    {180, true, "dB", -1, 0.2, "gain"},
    {100, true, "", -1, 0, "q"},
    {362, true, "Hz", 362, 0, "lowpass_frequency"},
    {362, true, "Hz", 0, 0, "highpass_frequency"},
    {64, true, "Hz", 64, 0, "effect_lowpass"},
    {100, true, "", -1, 1, "level"},
    {200, true, "", -1, 2, "doubled_level"},
    {100, true, "", -1, 1, "centred"},
    {250, true, "ms", -1, 2, "doubled_ms"},
    {80, true, "ms", -1, 62.5, "reverb_time"},
    {205, true, "Hz", 0, 0, "effect_highpass"},
    {34, true, "", -1, 1, "offset20"},
    {40, true, "", -1, 0, "ratio"},
    {7, true, "", -1, 0, "release"},
    {15, true, "ms", -1, 0, "attack"},
    {500, true, "ms", -1, 0.1, "tenth_ms"},
    {23, true, "", -1, 0, "crossover_q"},
    {50, true, "dB", -1, 1, "threshold"},
    {7, true, "Hz", 0, 1, "feedback_step"},
    {10, true, "", 0, 1, "decay"},
}};

}  // namespace

const KindSpec& SpecOf(ValueKind kind) {
    return Specs[static_cast<std::size_t>(kind)];
}

bool ShownAsText(ValueKind kind) { return kind >= ValueKind::LowPassFrequency; }

bool DrawnOnCurve(ValueKind kind) {
    switch (kind) {
        case ValueKind::Item:
        case ValueKind::Frequency:
        case ValueKind::Gain:
        case ValueKind::Q:
        case ValueKind::LowPassFrequency:
        case ValueKind::HighPassFrequency:
        case ValueKind::EffectLowPass:
        case ValueKind::EffectHighPass:
        case ValueKind::CrossoverQ:
            return true;
        default:
            return false;
    }
}

int BandQMax(int bandType) { return bandType == BandTypePEQ ? SpecOf(ValueKind::Q).max : 24; }

std::optional<ValueKind> KindFromNumber(int number) {
    if (number < 0 || number >= ValueKindCount)
        return std::nullopt;
    return static_cast<ValueKind>(number);
}

}  // namespace kdsp
