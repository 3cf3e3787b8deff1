// Cost of the EQ curve: one band of each design, a full recompute of a channel and
// the one-slot update used while a point is dragged (the redraw tick is 15 ms).
#include <benchmark/benchmark.h>

#include <vector>

#include "core/eq/channel_curve.h"
#include "core/eq/filter_response.h"
#include "core/model/eq_layout.h"

namespace kdsp {
namespace {

void BandOfCode(benchmark::State& state) {
    const auto code = static_cast<CurveCode>(state.range(0));
    std::vector<float> buffer(ResponseBufferSize);
    float gain = 6.0f;
    for (auto _ : state) {
        BandResponse(buffer, 1000, code, 1.4f, gain);
        benchmark::DoNotOptimize(buffer.data());
        gain = -gain;  // no two calls alike
    }
}
// peak, low shelf, high shelf, high-pass, low-pass, and crossover kinds 2, 5, 8, 9.
BENCHMARK(BandOfCode)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Arg(102)->Arg(205)->Arg(208)->Arg(209);

// Seventeen distinct slots: fifteen peaking bands and two two-section crossovers,
// more work than any page holds.
std::vector<BandSlot> SeventeenSlots() {
    std::vector<BandSlot> slots;
    for (int i = 0; i < 15; ++i)
        slots.push_back({i % 3, 30.0f + 1300.0f * i, -10.0f + 1.3f * i, 0.5f + 0.2f * i});
    slots.push_back({105, 80.0f, 0, 1.0f});
    slots.push_back({208, 9000.0f, 0, 2.0f});
    return slots;
}

void FullRecomputeSeventeenSlots(benchmark::State& state) {
    std::vector<BandSlot> slots = SeventeenSlots();
    ChannelCurve curve;
    for (auto _ : state) {
        curve.SetBands(slots);
        benchmark::DoNotOptimize(curve.Curve().data());
        slots[0].gain = -slots[0].gain;
    }
}
BENCHMARK(FullRecomputeSeventeenSlots)->Unit(benchmark::kMicrosecond);

Model MainPageModel() {
    Model m;
    auto& row = m.ParamImage[PageMain];
    for (int b = 0; b < 7; ++b) {
        const int first = FirstEqIndex[PageMain] + 5 * b;
        row[first] = b % 3;
        row[first + 1] = DefaultBandFreq[PageMain][b];
        row[first + 2] = 90 + 10 * b;
        row[first + 3] = 10 + b;
        row[first + 4] = 10;
    }
    row[16] = 1;  // Butterworth 24 dB high-pass
    row[17] = 40;
    row[19] = 4;  // user 24 dB low-pass
    row[20] = 300;
    row[21] = 20;
    return m;
}

// Loading the main page from the image and recomputing all nine slots.
void FullRedrawMainPage(benchmark::State& state) {
    const Model m = MainPageModel();
    ChannelCurve curve;
    for (auto _ : state) {
        curve.Update(m, AllSlots, PageMain);
        benchmark::DoNotOptimize(curve.Curve().data());
    }
}
BENCHMARK(FullRedrawMainPage)->Unit(benchmark::kMicrosecond);

// A drag step: one band's gain changes, only its slot is reloaded and recomputed.
void SingleSlotUpdate(benchmark::State& state) {
    Model m = MainPageModel();
    ChannelCurve curve;
    curve.Update(m, AllSlots, PageMain);
    int& gain = m.ParamImage[PageMain][FirstEqIndex[PageMain] + 5 * 3 + 2];
    for (auto _ : state) {
        gain = gain == 150 ? 60 : 150;
        curve.Update(m, 3, PageMain);
        benchmark::DoNotOptimize(curve.Curve().data());
    }
}
BENCHMARK(SingleSlotUpdate)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kdsp

BENCHMARK_MAIN();
