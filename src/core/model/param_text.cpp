// Shown and typed values of named parameters, through the same codecs as the
// window's edits and panes.
#include "core/model/param_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <span>

#include "core/model/codecs.h"
#include "core/model/value_kinds.h"
#include "core/model/value_tables.h"

namespace kdsp {
namespace {

std::string LowerText(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

// The stored value that shows "Off", for the kinds that have one; -1 for the others.
int OffValue(int kind) {
    const std::optional<ValueKind> k = KindFromNumber(kind);
    return k ? SpecOf(*k).off : -1;
}

double Number(std::string_view s) {
    double v = 0.0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

// Index of the nearest entry of a numeric text table (a tie goes to the lower).
int Nearest(std::span<const std::string_view> table, double x) {
    int best = 0;
    for (int i = 1; i < static_cast<int>(table.size()); ++i)
        if (std::fabs(Number(table[static_cast<std::size_t>(i)]) - x) <
            std::fabs(Number(table[static_cast<std::size_t>(best)]) - x))
            best = i;
    return best;
}

bool OutsideTable(std::span<const std::string_view> table, int first, int last, double x) {
    return x < Number(table[static_cast<std::size_t>(first)]) ||
           x > Number(table[static_cast<std::size_t>(last)]);
}

// Typed numbers are decimals; a table entry typed exactly must not count as outside.
constexpr double TypedSlack = 1e-9;

bool OutsideFreq(int first, int last, double x) {
    return x < FreqValue(first) * (1 - TypedSlack) || x > FreqValue(last) * (1 + TypedSlack);
}

struct Converted {
    double value;
    bool outside;  // beyond the ends of the table the kind shows
};

// A typed number to the stored value, before the range clamp.
Converted ConvertNumber(const NamedParam& p, double x) {
    const int max = p.max;
    switch (p.kind) {
        case 2:
        case 5:
            return {TextToValue(2, x), OutsideFreq(0, std::min(max, FreqTableSize - 1), x)};
        case 6:
        case 13:  // 0 is "Off", v shows entry v - 1
            return {TextToValue(2, x) + 1, OutsideFreq(0, max - 1, x)};
        case 7:  // v shows entry v + 297; 64 is "Off"
            return {TextToValue(2, x) - 297, OutsideFreq(297, 297 + max - 1, x)};
        case 3:
            return {TextToValue(3, x), false};
        case 4:
        case 19:
            return {TextToValue(4, x), x < QValue(0) * (1 - TypedSlack)};
        case 15:
            return {static_cast<double>(Nearest(RatioTable(), x)),
                    OutsideTable(RatioTable(), 0, max, x)};
        case 16:
            return {static_cast<double>(Nearest(ReleaseTable(), x)),
                    OutsideTable(ReleaseTable(), 0, max, x)};
        case 17:
            return {static_cast<double>(Nearest(AttackTable(), x)),
                    OutsideTable(AttackTable(), 0, max, x)};
        case 9:
        case 11:
            return {RoundHalfEven(x / 2), false};
        case 10:
            return {RoundHalfEven(x + 50), false};
        case 12:
            return {RoundHalfEven(x / 62.5), false};
        case 14:
            return {RoundHalfEven(x + 20), false};
        case 18:
            return {RoundHalfEven(x * 10), false};
        case 20:
            return {RoundHalfEven(x + 36), false};
        case 21:  // "2Hz" is 1
            return {RoundHalfEven(x - 1), false};
        default:
            return {RoundHalfEven(x), false};
    }
}

// A number never selects "Off": the numbers a kind shows lie beside its "Off" value.
Converted Convert(const NamedParam& p, double x) {
    Converted c = ConvertNumber(p, x);
    int low = p.min, high = p.max;
    switch (p.kind) {
        case 6:
        case 13:
        case 21:
            low = 1;
            break;
        case 5:
        case 7:
            high = p.max - 1;
            break;
        default:
            break;
    }
    if (c.value < low || c.value > high) {
        c.value = std::clamp<double>(c.value, low, high);
        c.outside = true;
    }
    return c;
}

ParsedValue Failed(std::string why) {
    ParsedValue r;
    r.error = std::move(why);
    return r;
}

// The usual English names of the crossover types, for the design's words.
std::string_view CrossoverWord(std::string_view lower) {
    static const std::pair<std::string_view, std::string_view> aliases[] = {
        {"bessel", "besell 24db"},           {"bessel 24db", "besell 24db"},
        {"butterworth", "butterworth 24db"}, {"linkwitz-riley", "link riley 24db"},
        {"linkwitz riley", "link riley 24db"}, {"linkwitz-riley 24db", "link riley 24db"},
        {"linkwitz riley 24db", "link riley 24db"}, {"link riley", "link riley 24db"},
    };
    for (const auto& [alias, word] : aliases)
        if (lower == alias)
            return word;
    return lower;
}

std::string StoredModeRange() {
    return "the processor has stored modes 1.." + std::to_string(StoredModeCount);
}

std::string WordList(std::span<const char* const> words) {
    std::string list;
    for (const char* w : words)
        list += (list.empty() ? "" : ", ") + std::string(w);
    return list;
}

}  // namespace

bool IsStoredMode(const NamedParam& p) {
    return !p.Reserved() && p.page == PageSystem && p.slot == 2;
}

int OffValueOf(const NamedParam& p) {
    return p.words.empty() && ValueKindRange(p.kind).hasRange ? OffValue(p.kind) : -1;
}

std::string ShowParam(const NamedParam& p, int raw) {
    if (IsStoredMode(p))
        return std::to_string(raw + 1);
    if (!p.words.empty()) {
        return raw >= 0 && raw < static_cast<int>(p.words.size())
                   ? p.words[static_cast<std::size_t>(raw)]
                   : std::to_string(raw);
    }
    if (!ValueKindRange(p.kind).hasRange)
        return std::to_string(raw);
    std::string text = FormatValue(p.kind, raw, p.max).text;
    const bool hasUnit =
        text.size() >= p.unit.size() && text.compare(text.size() - p.unit.size(), std::string::npos,
                                                     p.unit.data(), p.unit.size()) == 0;
    if (text != "Off" && !hasUnit)
        text += p.unit;
    return text;
}

ParsedValue ClampParamValue(const NamedParam& p, long long raw) {
    ParsedValue r;
    r.ok = true;
    r.clamped = raw < p.min || raw > p.max;
    r.value = static_cast<int>(std::clamp<long long>(raw, p.min, p.max));
    return r;
}

ParsedValue RecallValue(const NamedParam& p, long long raw) {
    if (raw < p.min || raw > p.max)
        return Failed("stored value " + std::to_string(raw) + " is no stored mode (" +
                      StoredModeRange() + ", stored 0.." + std::to_string(p.max) + ")");
    return ClampParamValue(p, raw);
}

ParsedValue ParseParamValue(const NamedParam& p, std::string_view typed) {
    const std::string_view text = Trim(typed);
    if (text.empty())
        return Failed("no value given");
    const std::string lower = LowerText(text);
    if (IsStoredMode(p)) {
        long long n = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
        if (ec != std::errc() || end != text.data() + text.size())
            return Failed("'" + std::string(text) + "' is not a stored mode number");
        if (n < 1 || n > StoredModeCount)
            return Failed(StoredModeRange() + "; there is no mode " + std::string(text));
        return RecallValue(p, n - 1);
    }
    const std::string_view word = CrossoverWord(lower);
    for (std::size_t k = 0; k < p.words.size(); ++k)
        if (word == LowerText(p.words[k]))
            return ClampParamValue(p, static_cast<long long>(k));
    if (lower == "off" && OffValue(p.kind) >= 0)
        return ClampParamValue(p, OffValue(p.kind));

    // A number, then optionally the unit ("Hz", "dB", "ms"; "k" or "kHz" for thousands of Hz).
    std::string_view number = text;
    if (!number.empty() && number.front() == '+')
        number.remove_prefix(1);
    double x = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), x);
    if (ec != std::errc() || !std::isfinite(x)) {
        if (!p.words.empty())
            return Failed("'" + std::string(text) + "' is not one of: " + WordList(p.words));
        return Failed("'" + std::string(text) + "' is not a number");
    }
    const std::string unit = LowerText(Trim(std::string_view(end, number.data() + number.size())));
    if (!unit.empty() && unit != LowerText(p.unit)) {
        if (p.unit == "Hz" && (unit == "k" || unit == "khz"))
            x *= 1000.0;
        else
            return Failed("'" + std::string(text) + "' is not a value in " +
                          (p.unit.empty() ? std::string("plain numbers") : std::string(p.unit)));
    }
    if (!p.words.empty()) {
        if (x != std::floor(x))
            return Failed("'" + std::string(text) + "' is not one of: " + WordList(p.words));
        return ClampParamValue(p, static_cast<long long>(std::clamp(x, -1e9, 1e9)));
    }
    const Converted c = Convert(p, x);
    ParsedValue r = ClampParamValue(p, static_cast<long long>(std::clamp(c.value, -1e9, 1e9)));
    r.clamped = r.clamped || c.outside;
    return r;
}

}  // namespace kdsp
