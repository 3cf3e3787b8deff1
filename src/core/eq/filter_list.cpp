// The REW and Equalizer APO readers. Both share the filter line:
//   Filter[ N]: ON|OFF TYPE [SLOPE dB] Fc F Hz [Gain G dB] [Q Q | BW Oct B]
// REW adds its free header before the first filter; APO adds comments and other
// commands, which are listed as not taken.
#include "core/eq/filter_list.h"

#include <cmath>
#include <cstdio>

#include "core/eq/filter_text.h"

namespace kdsp {
namespace {

// Limits beyond which a number is not a room EQ setting but a damaged file.
constexpr double MinFrequency = 1, MaxFrequency = 100000;
constexpr double MaxAbsGain = 60;
constexpr double MinQ = 0.01, MaxQ = 1000;
constexpr double MinOctaves = 0.01, MaxOctaves = 20;
constexpr double MaxSlopeDbPerOctave = 48;
constexpr double ButterworthQ = 0.70710678118654752;
constexpr std::size_t MaxFilters = 1000;

std::string TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

bool StartsWithWord(std::string_view s, std::string_view word) {
    return s.size() >= word.size() && SameWord(s.substr(0, word.size()), word);
}

struct LineError {
    std::string why;
};

// A number in a filter line, checked against its plausible range.
double Number(const std::vector<std::string_view>& w, std::size_t& i, const char* what, double lo,
              double hi, const char* unit) {
    if (i >= w.size()) throw LineError{std::string(what) + " has no value"};
    const auto v = ParseDecimal(w[i]);
    if (!v) throw LineError{std::string(what) + " '" + std::string(w[i]) + "' is not a number"};
    if (!(*v >= lo && *v <= hi)) {
        throw LineError{std::string(what) + " " + std::string(w[i]) + unit +
                        " is not a room EQ setting"};
    }
    ++i;
    return *v;
}

void SkipUnit(const std::vector<std::string_view>& w, std::size_t& i, std::initializer_list<std::string_view> units) {
    if (i < w.size())
        for (std::string_view u : units)
            if (SameWord(w[i], u)) {
                ++i;
                return;
            }
}

enum class Kind { Peak, Shelf, Pass, None, Unsupported };

struct TypeInfo {
    Kind kind;
    FilterType type;
    bool qAllowed;  // LP/HP are fixed at Butterworth Q; LPQ/HPQ take one
};

std::optional<TypeInfo> TypeOf(std::string_view word) {
    using FT = FilterType;
    const struct {
        std::string_view name;
        TypeInfo info;
    } types[] = {
        {"PK", {Kind::Peak, FT::Peak, true}},       {"PEQ", {Kind::Peak, FT::Peak, true}},
        {"LS", {Kind::Shelf, FT::LowShelf, true}},  {"LSC", {Kind::Shelf, FT::LowShelf, true}},
        {"LSQ", {Kind::Shelf, FT::LowShelf, true}}, {"HS", {Kind::Shelf, FT::HighShelf, true}},
        {"HSC", {Kind::Shelf, FT::HighShelf, true}}, {"HSQ", {Kind::Shelf, FT::HighShelf, true}},
        {"LP", {Kind::Pass, FT::LowPass, false}},   {"LPQ", {Kind::Pass, FT::LowPass, true}},
        {"HP", {Kind::Pass, FT::HighPass, false}},  {"HPQ", {Kind::Pass, FT::HighPass, true}},
        {"None", {Kind::None, FT::Peak, false}},
    };
    for (const auto& t : types)
        if (SameWord(word, t.name)) return t.info;
    // Named by the measurement software, but nothing on the processor draws them.
    for (std::string_view other : {"BP", "NO", "AP", "LP1", "HP1", "LPF1", "HPF1", "IIR", "Modal",
                                   "LS6", "HS6", "BPQ", "NOQ", "APQ"})
        if (SameWord(word, other)) return TypeInfo{Kind::Unsupported, FT::Peak, false};
    return std::nullopt;
}

// Slope in dB per octave written after a shelf type: "12 dB", "12dB", "6dB/oct".
std::optional<double> SlopeWord(const std::vector<std::string_view>& w, std::size_t& i) {
    if (i >= w.size()) return std::nullopt;
    std::string_view s = w[i];
    for (std::string_view suffix : {"dB/oct", "dB"})
        if (s.size() > suffix.size() && SameWord(s.substr(s.size() - suffix.size()), suffix)) {
            s.remove_suffix(suffix.size());
            break;
        }
    const auto v = ParseDecimal(s);
    if (!v) return std::nullopt;
    if (!(*v > 0 && *v <= MaxSlopeDbPerOctave))
        throw LineError{"shelf slope " + std::string(w[i]) + " is not a room EQ setting"};
    ++i;
    if (s.size() == w[i - 1].size()) SkipUnit(w, i, {"dB", "dB/oct"});
    return *v;
}

struct Reader {
    FilterList list;
    bool failed = false;

    void Fail(int line, const std::string& why) {
        if (failed) return;
        failed = true;
        list.error = "line " + std::to_string(line) + ": " + why;
        list.errorLine = line;
    }
    void Ignore(int line, const std::string& text, std::string why) {
        list.ignored.push_back({line, text, std::move(why)});
    }

    // The part of a Filter line after its colon.
    void FilterLine(int line, const std::string& text, std::string_view rest) {
        const std::vector<std::string_view> w = Words(rest);
        std::size_t i = 0;
        bool on = true;
        if (i < w.size() && (SameWord(w[i], "ON") || SameWord(w[i], "OFF"))) on = SameWord(w[i++], "ON");
        if (i >= w.size()) throw LineError{"a filter line without a filter type"};
        const std::string typeWord(w[i]);
        const auto type = TypeOf(w[i++]);
        if (type && type->kind == Kind::None) return;  // an empty slot of the equaliser
        if (!on) return Ignore(line, text, "switched off");
        if (!type) return Ignore(line, text, "unknown filter type '" + typeWord + "'");
        if (type->kind == Kind::Unsupported)
            return Ignore(line, text, "the processor has no " + typeWord + " filter");

        ListedFilter f;
        f.type = type->type;
        f.line = line;
        std::optional<double> slope;
        if (type->kind == Kind::Shelf) slope = SlopeWord(w, i);
        std::optional<double> fc, gain, q, octaves;
        while (i < w.size()) {
            const std::string_view key = w[i++];
            if (SameWord(key, "Fc")) {
                fc = Number(w, i, "frequency", 0, MaxFrequency * 1000, " Hz");
                if (i < w.size() && SameWord(w[i], "kHz")) {
                    *fc *= 1000;
                    ++i;
                } else {
                    SkipUnit(w, i, {"Hz"});
                }
                if (!(*fc >= MinFrequency && *fc <= MaxFrequency)) {
                    char shown[32];
                    std::snprintf(shown, sizeof shown, "%g", *fc);
                    throw LineError{"frequency " + std::string(shown) + " Hz is not a room EQ setting"};
                }
            } else if (SameWord(key, "Gain")) {
                gain = Number(w, i, "gain", -MaxAbsGain, MaxAbsGain, " dB");
                SkipUnit(w, i, {"dB"});
            } else if (SameWord(key, "Q")) {
                q = Number(w, i, "Q", MinQ, MaxQ, "");
            } else if (SameWord(key, "BW")) {
                SkipUnit(w, i, {"Oct"});
                octaves = Number(w, i, "bandwidth", MinOctaves, MaxOctaves, " octaves");
            } else {
                throw LineError{"cannot read '" + std::string(key) + "' in a filter line"};
            }
        }
        if (!fc) throw LineError{"a filter without a frequency (Fc)"};
        f.frequency = *fc;
        if (q && octaves) throw LineError{"a filter with both Q and BW"};
        if (octaves) q = QFromOctaves(*octaves);
        switch (type->kind) {
            case Kind::Peak:
                if (!gain) throw LineError{"a peaking filter without a gain"};
                if (!q) throw LineError{"a peaking filter without Q or BW"};
                f.gainDb = *gain;
                f.q = *q;
                break;
            case Kind::Shelf:
                if (!gain) throw LineError{"a shelf without a gain"};
                f.gainDb = *gain;
                if (slope && q) throw LineError{"a shelf with both a slope and Q"};
                // Without Q or slope a shelf is the 12 dB per octave Butterworth shelf.
                f.q = slope ? *slope / 12.0 : ShelfSlopeFromQ(q.value_or(ButterworthQ), *gain);
                break;
            default:
                if (q && !type->qAllowed)
                    return Ignore(line, text, typeWord + " takes no Q (" + typeWord + "Q does)");
                f.q = q.value_or(ButterworthQ);
                break;
        }
        if (list.filters.size() >= MaxFilters)
            throw LineError{"more than " + std::to_string(MaxFilters) + " filters"};
        list.filters.push_back(f);
    }

    void PreampLine(std::string_view rest) {
        const std::vector<std::string_view> w = Words(rest);
        std::size_t i = 0;
        const double v = Number(w, i, "preamp", -MaxAbsGain, MaxAbsGain, " dB");
        SkipUnit(w, i, {"dB"});
        if (i != w.size()) throw LineError{"cannot read '" + std::string(w[i]) + "' after the preamp"};
        if (list.preampDb) throw LineError{"a second Preamp line"};
        list.preampDb = v;
    }

    // A "Head: rest" line common to both formats; false when the head is neither
    // a filter nor the preamp.
    bool Command(int line, const std::string& text, std::string_view head, std::string_view rest) {
        if (SameWord(head, "Preamp")) {
            PreampLine(rest);
            return true;
        }
        if (!StartsWithWord(head, "Filter")) return false;
        const std::string number = TrimBlanks(head.substr(6));
        if (!number.empty()) {
            for (char c : number)
                if (c < '0' || c > '9') return false;
        }
        FilterLine(line, text, rest);
        return true;
    }

    void Finish() {
        if (failed) return;
        if (list.filters.empty()) {
            list.error = list.ignored.empty() ? "no filters in the file"
                                              : "no filter in the file that the processor can follow";
        }
    }
};

// Splits "Head: rest" at its first colon; false without one.
bool SplitCommand(const std::string& line, std::string& head, std::string_view& rest) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) return false;
    head = TrimBlanks(std::string_view(line).substr(0, colon));
    rest = std::string_view(line).substr(colon + 1);
    return true;
}

template <class Each>
FilterList Read(std::string_view bytes, FilterFormat format, Each each) {
    Reader r;
    r.list.format = format;
    const TextLines text = SplitFilterText(bytes, MaxFilterFileBytes);
    if (!text.error.empty()) {
        r.list.error = text.error;
        r.list.errorLine = text.errorLine;
        return r.list;
    }
    for (std::size_t n = 0; n < text.lines.size() && !r.failed; ++n) {
        const int line = static_cast<int>(n) + 1;
        try {
            each(r, line, text.lines[n]);
        } catch (const LineError& e) {
            r.Fail(line, e.why);
        }
    }
    r.Finish();
    return r.list;
}

}  // namespace

FilterList ReadRewFilters(std::string_view bytes) {
    bool sawFilter = false;
    bool sawTitle = false;
    return Read(bytes, FilterFormat::Rew, [&](Reader& r, int line, const std::string& text) {
        const std::string t = TrimBlanks(text);
        if (t.empty()) return;
        if (!sawTitle) {
            if (!SameWord(t, "Filter Settings file"))
                throw LineError{"not a REW filter settings file (it begins with 'Filter Settings file')"};
            sawTitle = true;
            return;
        }
        std::string head;
        std::string_view rest;
        if (SplitCommand(t, head, rest) && r.Command(line, text, head, rest)) {
            sawFilter = sawFilter || StartsWithWord(head, "Filter");
            return;
        }
        // Before the filters: REW's header (version, date, notes, equaliser, the
        // measurement's name), free text. After them, nothing else belongs.
        if (sawFilter) throw LineError{"not a filter line"};
    });
}

FilterList ReadApoConfig(std::string_view bytes) {
    return Read(bytes, FilterFormat::Apo, [&](Reader& r, int line, const std::string& text) {
        const std::string t = TrimBlanks(text);
        if (t.empty() || t[0] == '#') return;
        std::string head;
        std::string_view rest;
        if (!SplitCommand(t, head, rest) || head.empty())
            throw LineError{"not an Equalizer APO line (COMMAND: ...)"};
        if (r.Command(line, text, head, rest)) return;
        r.Ignore(line, text, "only Preamp and Filter lines are taken, not " + head);
    });
}

FilterList ReadFilterList(std::string_view bytes) {
    // REW's export begins with its title; the text is decoded first so a UTF-16 file is told too.
    const TextLines text = SplitFilterText(bytes, MaxFilterFileBytes);
    if (text.error.empty())
        for (const std::string& line : text.lines) {
            const std::string t = TrimBlanks(line);
            if (t.empty()) continue;
            if (SameWord(t, "Filter Settings file")) return ReadRewFilters(bytes);
            break;
        }
    return ReadApoConfig(bytes);
}

double ShelfSlopeFromQ(double q, double gainDb) {
    // 1/Q^2 = (A + 1/A)(1/S - 1) + 2, the shelf's own relation between Q and slope.
    const double a = std::pow(10.0, gainDb / 40.0);
    const double inverse = 1.0 + (1.0 / (q * q) - 2.0) / (a + 1.0 / a);
    if (!(inverse > 0.25)) return 4.0;  // steeper than the maths draws
    return 1.0 / inverse;
}

double ShelfQFromSlope(double slope, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double inverseSquare = (a + 1.0 / a) * (1.0 / slope - 1.0) + 2.0;
    if (!(inverseSquare > 0)) return MaxQ;
    return 1.0 / std::sqrt(inverseSquare);
}

double QFromOctaves(double octaves) {
    const double p = std::pow(2.0, octaves);
    return std::sqrt(p) / (p - 1.0);
}

}  // namespace kdsp
