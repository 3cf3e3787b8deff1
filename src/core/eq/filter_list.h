// Filter lists written by room-measurement software: REW's "Filter Settings file"
// export and Equalizer APO configuration text, read into one neutral list. Both
// readers take the raw bytes (UTF-8 or UTF-16, CR LF or LF) and refuse anything
// that is not a plausible filter list with the line at fault.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdsp {

enum class FilterFormat { Rew, Apo };

enum class FilterType { Peak, LowShelf, HighShelf, LowPass, HighPass };

struct ListedFilter {
    FilterType type = FilterType::Peak;
    double frequency = 0;  // Hz
    double gainDb = 0;     // 0 for the pass filters
    // Peaks and pass filters: Q. Shelves: the slope S the shelf maths takes (1 is the
    // steepest slope without overshoot), converted from the file's Q or dB per octave.
    double q = 0;
    int line = 0;  // 1-based line of the file
};

// A line the processor cannot follow (a switched-off filter, a band-pass, a
// command other than Preamp and Filter): listed for the user, never dropped silently.
struct IgnoredLine {
    int line = 0;
    std::string text;
    std::string why;
};

struct FilterList {
    FilterFormat format = FilterFormat::Apo;
    std::vector<ListedFilter> filters;  // switched on and expressible, in file order
    std::optional<double> preampDb;
    std::vector<IgnoredLine> ignored;
    // The refusal of the whole file: "line 12: gain 900 dB is not a room EQ setting".
    std::string error;
    int errorLine = 0;  // 0: not tied to a line

    bool Ok() const { return error.empty(); }
};

inline constexpr std::size_t MaxFilterFileBytes = 1 << 20;

// REW's filter settings export.
FilterList ReadRewFilters(std::string_view bytes);
// Equalizer APO configuration text.
FilterList ReadApoConfig(std::string_view bytes);
// Either, told apart by REW's first line.
FilterList ReadFilterList(std::string_view bytes);

// Conversions between a shelf's Q (as the measurement software writes it) and the
// slope S of the shelf maths, at the shelf's gain.
double ShelfSlopeFromQ(double q, double gainDb);
double ShelfQFromSlope(double slope, double gainDb);
// Q of a peak given its bandwidth in octaves.
double QFromOctaves(double octaves);

}  // namespace kdsp
