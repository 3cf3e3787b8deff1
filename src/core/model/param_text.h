// Named parameters as a person reads and types them: stored values shown the way
// the window shows them, with their unit, and typed text turned into stored
// values the way the window converts a typed number (table snapping, clamping).
#pragma once

#include <string>
#include <string_view>

#include "core/model/param_names.h"

namespace kdsp {

// The stored mode in use (system.stored_mode): stored 0..8, shown and typed as the
// window's mode numbers 1..9. A recall is a command, not a level: a mode the
// processor does not have is refused, never brought into range.
bool IsStoredMode(const NamedParam& p);

// The stored value shown as "Off", or -1 for a parameter without one.
int OffValueOf(const NamedParam& p);

// "1000.0Hz", "-3.0dB", "Off", "stereo", "42".
std::string ShowParam(const NamedParam& p, int raw);

struct ParsedValue {
    bool ok = false;
    int value = 0;         // the stored value, inside the parameter's range
    bool clamped = false;  // what was given lay outside the range and was brought inside
    std::string error;     // why the text could not be read (ok is false)
};

// Text as typed into the window: "1000", "1000Hz", "1k", "-3.5dB", "Off", "0.71",
// or one of the parameter's value words ("stereo", "on"; letter case ignored; the
// crossover types also by their usual English names, "Bessel", "Linkwitz-Riley").
ParsedValue ParseParamValue(const NamedParam& p, std::string_view text);

// A stored value given as it is: only brought into the parameter's range.
ParsedValue ClampParamValue(const NamedParam& p, long long raw);

// A stored value written to the stored mode, which recalls that mode: one the
// processor does not have is refused (not ok), never brought into range.
ParsedValue RecallValue(const NamedParam& p, long long raw);

}  // namespace kdsp
