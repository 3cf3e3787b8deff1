// Loading a page's EQ bands and crossovers into band slots, and the cached sum.
#include "core/eq/channel_curve.h"

#include <algorithm>
#include <cmath>

#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/value_tables.h"

namespace kdsp {
namespace {

constexpr float CrossoverOffLow = 19.0f;      // shown frequency of a switched-off high-pass
constexpr float CrossoverOffHigh = 20600.0f;  // and of a switched-off low-pass
constexpr int FreqIndexMax = FreqTableSize;   // a low-pass at this index is off (pages 6, 7)

float Freq(int index) { return static_cast<float>(FreqValue(index)); }

void LoadBand(const Model& model, BandSlot& slot, int page, int band) {
    const auto& row = model.ParamImage[page];
    const int first = FirstEqIndex[page];
    auto at = [&](int field) { return BandParamIndex(first, band, field); };
    slot.code = row[at(0)];
    slot.frequency = Freq(row[at(1)]);
    slot.gain = static_cast<float>(row[at(2)] / 5.0 - 24.0);
    slot.q = static_cast<float>(QValue(slot.code == 0 ? row[at(3)] : row[at(4)]));
    slot.frequencyControl = MakeId(page, at(1));
    slot.gainControl = MakeId(page, at(2));
    slot.qControl = MakeId(page, at(3));
}

// A crossover slot: gain 0 dB, q untouched unless the page gives one.
void SetCrossover(BandSlot& slot, int code, float frequency, ParamId pane) {
    slot.code = code;
    slot.frequency = frequency;
    slot.gain = 0.0f;
    slot.frequencyControl = pane;
    slot.gainControl = NoControl;
    slot.qControl = NoControl;
}

// High-pass whose frequency index v is stored one up, 0 meaning off.
void HighPassFromIndex(BandSlot& slot, int code, int v, ParamId pane) {
    if (v == 0)
        SetCrossover(slot, 100, CrossoverOffLow, pane);
    else
        SetCrossover(slot, code, Freq(v - 1), pane);
}

}  // namespace

int LoadChannelBands(const Model& model, BandSlots& slots, int pointSel, int page) {
    if (page < PageMusic || page >= PageSystem) return 0;
    const auto& image = model.ParamImage;
    const bool effect = page == PageEcho || page == PageReverb;
    const bool mic = page == PageMic || page == PageMic9;
    // The effect page shows one EQ, always read from page 4's slots.
    const int bandPage = effect ? PageEcho : page;
    const int bands = mic ? (model.MicBandMode == 1 ? 9 : 15) : PageBandCount[page];
    for (int i = 0; i < bands; ++i)
        if (pointSel == AllSlots || pointSel == i) LoadBand(model, slots[i], bandPage, i);
    const int c = bands - 1;
    BandSlot& highSlot = slots[c + 1];
    switch (page) {
        case PageMusic:
            return c;
        case PageDynEq:
            // A dynamic-EQ band whose group bypass is on is drawn flat.
            for (int i = 0; i < bands; ++i)
                if (image[PageDynEq][12 * i + 1] == 1) slots[i].gain = 0.0f;
            return c;
        case PageMic:
        case PageMic9: {
            const ParamId pane = MakeId(PageMic, 0);
            HighPassFromIndex(highSlot, 102, image[page][0], pane);
            slots[15].frequencyControl = pane;
            return c + 100;
        }
        case PageEcho:
        case PageReverb: {
            const int e = model.EffectEqVariant == PageReverb ? PageReverb : PageEcho;
            const int j = e == PageEcho ? 4 : 6;
            HighPassFromIndex(highSlot, 102, image[e][j], MakeId(e, j));
            const int w = image[e][j + 1];
            const ParamId lowPane = MakeId(e, j + 1);
            if (w == 64)
                SetCrossover(slots[c + 2], 200, Freq(FreqTableSize - 1), lowPane);
            else
                SetCrossover(slots[c + 2], 202, Freq(w + 297), lowPane);
            slots[15].frequencyControl = MakeId(e, j);
            slots[16].frequencyControl = lowPane;
            return c + 200;
        }
        case PageMain:
        case PageAux1: {
            const auto& row = image[page];
            HighPassFromIndex(highSlot, 104 + row[16], row[17], MakeId(page, 17));
            highSlot.q = static_cast<float>(QValue(row[18]));
            BandSlot& lowSlot = slots[c + 2];
            if (row[20] == FreqIndexMax)
                SetCrossover(lowSlot, 200, CrossoverOffHigh, MakeId(page, 20));
            else
                SetCrossover(lowSlot, 204 + row[19], Freq(row[20]), MakeId(page, 20));
            lowSlot.q = static_cast<float>(QValue(row[21]));
            slots[15].frequencyControl = MakeId(page, 17);
            slots[16].frequencyControl = MakeId(page, 20);
            return c + 200;
        }
        case PageAux2:
        case PageRear:
            HighPassFromIndex(highSlot, page == PageAux2 ? 105 : 102, image[page][16],
                              MakeId(page, 16));
            slots[15].frequencyControl = MakeId(page, 16);
            return c + 100;
        default:
            return 0;
    }
}

int ChannelCurve::Update(const Model& model, int pointSel, int page) {
    if (page < PageMusic || page >= PageSystem) return code_;
    if (page == PageReverb) page = PageEcho;
    code_ = LoadChannelBands(model, slots_, pointSel, page);
    const int last = LastSlotOf(code_);
    for (int i = 0; i <= last; ++i)
        if (pointSel == AllSlots || pointSel == i) ComputeSlot(i);
    Sum();
    return code_;
}

void ChannelCurve::SetBands(std::span<const BandSlot> bands) {
    const std::size_t n = std::min<std::size_t>(bands.size(), BandSlotCount);
    std::copy_n(bands.begin(), n, slots_.begin());
    code_ = n == 0 ? 0 : static_cast<int>(n) - 1;
    for (std::size_t i = 0; i < n; ++i) ComputeSlot(static_cast<int>(i));
    if (n == 0) responses_[0].fill(0.0f);  // an empty channel is flat
    Sum();
}

std::span<const float> ChannelCurve::SlotResponse(int slot) const {
    if (slot < 0 || slot >= BandSlotCount) return {};
    return responses_[slot];
}

void ChannelCurve::ComputeSlot(int slot) {
    const BandSlot& s = slots_[slot];
    // The band is drawn at its frequency rounded to whole Hz (ties to even).
    const double f = std::isfinite(s.frequency) ? std::nearbyint(s.frequency) : 0.0;
    const int hz = static_cast<int>(std::clamp(f, -1e9, 1e9));
    BandResponse(responses_[slot], hz, static_cast<CurveCode>(s.code & 0xFF), s.q, s.gain);
}

void ChannelCurve::Sum() {
    const int last = std::min(LastSlotOf(code_), BandSlotCount - 1);
    for (int g = 0; g < GridPoints; ++g) {
        float sum = 0.0f;
        for (int i = 0; i <= last; ++i) sum += responses_[i][g];
        curve_[g] = sum;
    }
}

}  // namespace kdsp
