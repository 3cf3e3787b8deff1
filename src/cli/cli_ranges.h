// Values outside a parameter's range, treated alike by set, preset import and
// preset check: brought inside with a warning that names the parameter and its
// range, as the window clamps, or refused with --strict.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"
#include "core/model/param_names.h"
#include "core/model/param_text.h"

namespace kdsp::cli {

// "19.7Hz..20600.0Hz, Off", "0.0ms..50.0ms", or the value words "mono|stereo".
std::string RangeText(const NamedParam& p);

// --strict: a value outside its range is refused instead of brought inside.
extern bool Strict;
void AddStrictFlag(CLI::App* cmd);

// Takes a checked value (`given` says how it was given: "700", "stored value 700"):
// when it had to be brought inside the range, warns on stderr, or refuses with --strict.
void AcceptClamped(const NamedParam& p, const std::string& given, const ParsedValue& v);

// The named words of an image that lie outside their parameter's range.
struct OutOfRange {
    const NamedParam* param;
    int value;
};
std::vector<OutOfRange> ValuesOutOfRange(const DeviceImageRows& image);
// "main.delay.right: stored value 700 is out of range (0.0ms..50.0ms)"
std::string OutOfRangeText(const OutOfRange& o);

}  // namespace kdsp::cli
