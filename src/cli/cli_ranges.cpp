// Range checks of the values the kdsp commands are given or find in files.
#include "cli/cli_ranges.h"

#include <iostream>

namespace kdsp::cli {

bool Strict = false;

void AddStrictFlag(CLI::App* cmd) {
    cmd->add_flag("--strict", Strict,
                  "refuse a value outside its parameter's range instead of bringing it inside");
}

std::string RangeText(const NamedParam& p) {
    if (p.words.empty()) {
        // "Off" sits at one end of the stored values; the numbers run to the other.
        const int off = OffValueOf(p);
        if (off == p.min)
            return ShowParam(p, p.min + 1) + ".." + ShowParam(p, p.max) + ", Off";
        if (off == p.max)
            return ShowParam(p, p.min) + ".." + ShowParam(p, p.max - 1) + ", Off";
        return ShowParam(p, p.min) + ".." + ShowParam(p, p.max);
    }
    std::string text;
    for (const char* w : p.words)
        text += (text.empty() ? "" : "|") + std::string(w);
    return text;
}

namespace {

std::string Outside(const NamedParam& p, const std::string& given) {
    return p.name + ": " + given + " is out of range (" + RangeText(p) + ")";
}

}  // namespace

void AcceptClamped(const NamedParam& p, const std::string& given, const ParsedValue& v) {
    if (!v.clamped)
        return;
    if (Strict)
        throw Refused(Outside(p, given));
    std::cerr << "kdsp: warning: " << Outside(p, given) << ", set to " << ShowParam(p, v.value)
              << "\n";
}

std::vector<OutOfRange> ValuesOutOfRange(const DeviceImageRows& image) {
    std::vector<OutOfRange> found;
    for (const NamedParam& p : NamedParams()) {
        const int v = image[static_cast<std::size_t>(p.page)][static_cast<std::size_t>(p.slot)];
        if (!p.Reserved() && (v < p.min || v > p.max))
            found.push_back({&p, v});
    }
    return found;
}

std::string OutOfRangeText(const OutOfRange& o) {
    return Outside(*o.param, "stored value " + std::to_string(o.value));
}

}  // namespace kdsp::cli
