// The EQ of one page as the processor stores it (bands and, on the output pages,
// the two crossovers), read from and written to a device image, and its response.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/eq/filter_response.h"
#include "core/model/model.h"

namespace kdsp {

struct StoredBand {
    int type = 0;   // 0 PEQ, 1 LSEQ, 2 HSEQ
    int freq = 0;   // FreqTable index
    int gain = 0;   // gain step, 120 = 0.0 dB
    int peakQ = 0;  // QTable index used by a PEQ band
    int shelfQ = 0; // QTable index used by a shelf
    friend bool operator==(const StoredBand&, const StoredBand&) = default;
};

// A crossover as the output pages store it: type 0..4 (Bessel 24, Butterworth 24,
// Linkwitz-Riley 24, user 12, user 24 dB), frequency (high-pass: FreqTable index + 1,
// 0 off; low-pass: FreqTable index, 362 off) and Q index 0..23.
struct StoredCrossover {
    int type = 0;
    int freq = 0;
    int q = 0;
    friend bool operator==(const StoredCrossover&, const StoredCrossover&) = default;
};

inline constexpr int CrossoverUser12 = 3;  // one section with the crossover's own Q
inline constexpr int CrossoverQMax = 23;
inline constexpr int ShelfQMax = 24;
inline constexpr int HighPassOff = 0;
inline constexpr int LowPassOff = 362;

struct PageEq {
    int page = 0;
    std::vector<StoredBand> bands;
    bool hasCrossovers = false;  // pages 6..9
    StoredCrossover highPass, lowPass;
    friend bool operator==(const PageEq&, const PageEq&) = default;
};

// Pages whose bands take a filter list: every page with an EQ but the dynamic EQ.
bool TakesFilterList(int page);
// "main" -> 6; the catalogue's page words (music, mic_a, mic_b, echo, reverb, main,
// aux1, aux2, rear; "mic" for mic_a) or a page number.
std::optional<int> FilterPageByName(std::string_view name);
std::string_view FilterPageName(int page);

// The copy of the page of operating mode `mode` (the music EQ exists per mode).
PageEq ReadPageEq(const DeviceImageRows& image, int page, int mode);
void WritePageEq(DeviceImageRows& image, const PageEq& eq, int mode);

// A page with every band flat at its default frequency, the crossovers as given.
PageEq FlatPageEq(int page, const PageEq& crossoversFrom);

// The summed response of the page's bands, and of its crossovers when asked.
std::array<float, GridPoints> PageResponse(const PageEq& eq, bool highPass, bool lowPass);

// Curve code, frequency and Q a crossover is drawn with; false when it is off.
struct CrossoverShape {
    int code;
    double frequency;
    double q;
};
std::optional<CrossoverShape> CrossoverOf(const StoredCrossover& c, bool high);

// The words that take a page from `before` to `after` as the window sends them: each
// band whole (its five fields; the last goes out as the band's frame once the others
// are stored), then each crossover word that changes. Ids are those of `controlPage`,
// the page whose controls edit the copy.
struct EqWord {
    ParamId id;
    int value;
};
struct PageEqWrites {
    std::vector<std::array<EqWord, 5>> bands;
    std::vector<EqWord> words;
};
PageEqWrites WritesFor(const PageEq& before, const PageEq& after, int controlPage);

// The processor's own texts: "PEQ 46.0Hz +3.0dB Q 1.00", "USER 12dB 31.3Hz Q 0.71", "Off".
std::string BandText(const StoredBand& b);
std::string CrossoverText(const StoredCrossover& c, bool high);

}  // namespace kdsp
