// A page's stored EQ and its response, with the same rules the graph loads a
// channel by.
#include "core/eq/page_eq.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/value_tables.h"

namespace kdsp {
namespace {

constexpr std::array<std::string_view, PageCount> PageWords = {
    "music", "mic_a", "deq", "mic_b", "echo", "reverb", "main", "aux1", "aux2", "rear", "system"};

// Indices of the crossovers on the output pages: type, frequency, Q.
constexpr int HighPassIndex = 16, LowPassIndex = 19;

int BandCount(int page) { return PageBandCount[static_cast<std::size_t>(page)]; }

void AddBand(std::array<float, GridPoints>& sum, int code, double frequency, double q, double gain) {
    std::array<float, GridPoints> one{};
    const int hz = static_cast<int>(std::nearbyint(std::clamp(frequency, 1.0, 1e6)));
    BandResponse(one, hz, static_cast<CurveCode>(code), static_cast<float>(q), static_cast<float>(gain));
    for (int g = 0; g < GridPoints; ++g) sum[g] += one[g];
}

}  // namespace

bool TakesFilterList(int page) {
    return page >= PageMusic && page <= PageRear && page != PageDynEq;
}

std::optional<int> FilterPageByName(std::string_view name) {
    for (int p = 0; p < PageCount; ++p)
        if (name == PageWords[static_cast<std::size_t>(p)] && TakesFilterList(p)) return p;
    if (name == "mic") return PageMic;
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9' && TakesFilterList(name[0] - '0'))
        return name[0] - '0';
    return std::nullopt;
}

std::string_view FilterPageName(int page) {
    return page >= 0 && page < PageCount ? PageWords[static_cast<std::size_t>(page)] : "";
}

PageEq ReadPageEq(const DeviceImageRows& image, int page, int mode) {
    PageEq eq;
    eq.page = page;
    if (!TakesFilterList(page)) return eq;
    const auto& row = image[static_cast<std::size_t>(page)];
    auto at = [&](int index) { return row[static_cast<std::size_t>(DeviceSlot(page, index, mode))]; };
    for (int b = 0; b < BandCount(page); ++b) {
        auto field = [&](int k) { return at(BandParamIndex(FirstEqIndex[static_cast<std::size_t>(page)], b, k)); };
        eq.bands.push_back({field(0), field(1), field(2), field(3), field(4)});
    }
    eq.hasCrossovers = page >= PageMain;
    if (eq.hasCrossovers) {
        eq.highPass = {at(HighPassIndex), at(HighPassIndex + 1), at(HighPassIndex + 2)};
        eq.lowPass = {at(LowPassIndex), at(LowPassIndex + 1), at(LowPassIndex + 2)};
    }
    return eq;
}

void WritePageEq(DeviceImageRows& image, const PageEq& eq, int mode) {
    if (!TakesFilterList(eq.page)) return;
    auto& row = image[static_cast<std::size_t>(eq.page)];
    auto set = [&](int index, int v) { row[static_cast<std::size_t>(DeviceSlot(eq.page, index, mode))] = v; };
    const int first = FirstEqIndex[static_cast<std::size_t>(eq.page)];
    for (int b = 0; b < BandCount(eq.page) && b < static_cast<int>(eq.bands.size()); ++b) {
        const StoredBand& s = eq.bands[static_cast<std::size_t>(b)];
        const int v[5] = {s.type, s.freq, s.gain, s.peakQ, s.shelfQ};
        for (int k = 0; k < 5; ++k) set(BandParamIndex(first, b, k), v[k]);
    }
    if (eq.hasCrossovers) {
        const StoredCrossover* c[2] = {&eq.highPass, &eq.lowPass};
        const int index[2] = {HighPassIndex, LowPassIndex};
        for (int i = 0; i < 2; ++i) {
            set(index[i], c[i]->type);
            set(index[i] + 1, c[i]->freq);
            set(index[i] + 2, c[i]->q);
        }
    }
}

PageEq FlatPageEq(int page, const PageEq& crossoversFrom) {
    PageEq eq = crossoversFrom;
    eq.page = page;
    eq.bands.clear();
    if (!TakesFilterList(page)) return eq;
    for (int b = 0; b < BandCount(page); ++b)
        eq.bands.push_back({BandTypePEQ, DefaultBandFreq[static_cast<std::size_t>(page)][static_cast<std::size_t>(b)],
                            DefaultBandGain, DefaultPeakQ, DefaultShelfQ});
    return eq;
}

std::optional<CrossoverShape> CrossoverOf(const StoredCrossover& c, bool high) {
    if (c.type < 0 || c.type > 4) return std::nullopt;
    // Off, or a word no crossover stores.
    if (high ? (c.freq <= HighPassOff || c.freq > FreqTableSize) : (c.freq < 0 || c.freq >= LowPassOff))
        return std::nullopt;
    // The type box's item v is crossover kind v + 4 (codes 104..108, 204..208).
    return CrossoverShape{(high ? 104 : 204) + c.type, FreqValue(high ? c.freq - 1 : c.freq), QValue(c.q)};
}

std::array<float, GridPoints> PageResponse(const PageEq& eq, bool highPass, bool lowPass) {
    std::array<float, GridPoints> sum{};
    for (const StoredBand& b : eq.bands)
        AddBand(sum, b.type, FreqValue(b.freq), QValue(b.type == BandTypePEQ ? b.peakQ : b.shelfQ),
                b.gain / 5.0 - 24.0);
    if (eq.hasCrossovers) {
        if (const auto c = CrossoverOf(eq.highPass, true); c && highPass) AddBand(sum, c->code, c->frequency, c->q, 0);
        if (const auto c = CrossoverOf(eq.lowPass, false); c && lowPass) AddBand(sum, c->code, c->frequency, c->q, 0);
    }
    return sum;
}

PageEqWrites WritesFor(const PageEq& before, const PageEq& after, int controlPage) {
    PageEqWrites out;
    if (!TakesFilterList(controlPage)) return out;
    const int first = FirstEqIndex[static_cast<std::size_t>(controlPage)];
    for (std::size_t b = 0; b < after.bands.size(); ++b) {
        const StoredBand& s = after.bands[b];
        const int v[5] = {s.type, s.freq, s.gain, s.peakQ, s.shelfQ};
        std::array<EqWord, 5> band{};
        for (int k = 0; k < 5; ++k) band[static_cast<std::size_t>(k)] = {MakeId(controlPage, BandParamIndex(first, static_cast<int>(b), k)), v[k]};
        out.bands.push_back(band);
    }
    if (!after.hasCrossovers) return out;
    const StoredCrossover* now[2] = {&after.highPass, &after.lowPass};
    const StoredCrossover* was[2] = {&before.highPass, &before.lowPass};
    const int index[2] = {HighPassIndex, LowPassIndex};
    for (int c = 0; c < 2; ++c) {
        const int v[3] = {now[c]->type, now[c]->freq, now[c]->q};
        const int w[3] = {was[c]->type, was[c]->freq, was[c]->q};
        for (int k = 0; k < 3; ++k)
            if (v[k] != w[k]) out.words.push_back({MakeId(controlPage, index[c] + k), v[k]});
    }
    return out;
}

std::string BandText(const StoredBand& b) {
    static constexpr const char* Types[] = {"PEQ", "LSEQ", "HSEQ"};
    const bool shelf = b.type == 1 || b.type == 2;
    char gain[16];
    std::snprintf(gain, sizeof gain, "%+.1f", b.gain / 5.0 - 24.0);
    const int q = std::clamp(shelf ? b.shelfQ : b.peakQ, 0, QTableSize - 1);
    return std::string(Types[shelf ? b.type : 0]) + " " +
           std::string(FreqTable()[static_cast<std::size_t>(std::clamp(b.freq, 0, FreqTableSize - 1))]) + "Hz " +
           gain + "dB Q " + std::string(QTable()[static_cast<std::size_t>(q)]);
}

std::string CrossoverText(const StoredCrossover& c, bool high) {
    static constexpr const char* Types[] = {"Besell 24dB", "Butterworth 24dB", "Link Riley 24dB", "USER 12dB",
                                            "USER 24dB"};
    if (!CrossoverOf(c, high)) return "Off";
    const int index = high ? c.freq - 1 : c.freq;
    return std::string(Types[c.type]) + " " + std::string(FreqTable()[static_cast<std::size_t>(index)]) +
           "Hz Q " + std::string(QTable()[static_cast<std::size_t>(std::clamp(c.q, 0, CrossoverQMax))]);
}

}  // namespace kdsp
