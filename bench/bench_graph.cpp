// Speed of the EQ graph: one full curve draw on the designed 1080x281 image, and
// one drag step (recompute the dragged band, re-sum, redraw).
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <array>
#include <cstdlib>
#include <vector>

#include "core/eq/filter_response.h"
#include "graph/graph_renderer.h"

namespace {

using kdsp::GridPoints;

// A music page with ten non-trivial peaking bands.
struct Page {
    std::array<std::vector<float>, 10> responses;
    std::vector<float> sum = std::vector<float>(GridPoints, 0.0f);
    Page() {
        const int freqs[10] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
        for (int i = 0; i < 10; ++i) {
            responses[i].assign(kdsp::ResponseBufferSize, 0.0f);
            kdsp::BandResponse(responses[i], freqs[i], 0, 1.4f, (i % 2 ? 6.0f : -4.0f));
        }
        Resum();
    }
    void Resum() {
        for (int g = 0; g < GridPoints; ++g) {
            float s = 0;
            for (const auto& r : responses) s += r[g];
            sum[g] = s;
        }
    }
};

void BM_DrawWholeCurve(benchmark::State& state) {
    kdsp::GraphRenderer renderer;
    Page page;
    for (auto _ : state) {
        renderer.DrawCurve(page.sum);
        benchmark::DoNotOptimize(renderer.Image().constBits());
    }
}
BENCHMARK(BM_DrawWholeCurve)->Unit(benchmark::kMicrosecond);

void BM_DragStep(benchmark::State& state) {
    kdsp::GraphRenderer renderer;
    Page page;
    int freq = 800;
    for (auto _ : state) {
        freq = freq >= 1300 ? 800 : freq + 7;
        kdsp::BandResponse(page.responses[5], freq, 0, 1.4f, 6.0f);
        page.Resum();
        renderer.DrawCurve(page.sum);
        benchmark::DoNotOptimize(renderer.Image().constBits());
    }
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
