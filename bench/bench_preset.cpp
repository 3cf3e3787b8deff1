// Speed of the preset file round trip and of building and checking frames.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "core/preset/preset_file.h"
#include "core/protocol/frames.h"

namespace {
namespace fs = std::filesystem;

kdsp::Model FullModel() {
    kdsp::Model m;
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> word(0, 65535);
    for (auto& page : m.DeviceImage)
        for (auto& v : page)
            v = word(rng);
    for (auto& page : m.ParamImage)
        for (auto& v : page)
            v = word(rng) % 362;
    return m;
}

void PresetFormatAndParse(benchmark::State& state) {
    kdsp::Model m = FullModel();
    for (auto _ : state) {
        const std::string bytes = kdsp::FormatPresetFile(m.DeviceImage);
        auto result = kdsp::ParsePreset(bytes);
        benchmark::DoNotOptimize(result.records.data());
    }
}
BENCHMARK(PresetFormatAndParse);

void PresetWriteAndReadFile(benchmark::State& state) {
    kdsp::Model m = FullModel();
    const fs::path dir =
        fs::temp_directory_path() / ("kdsp_bench_preset_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    const fs::path file = dir / "Bench.Nddt";
    for (auto _ : state) {
        kdsp::WritePresetFile(file, m);
        auto result = kdsp::ReadPresetFile(file);
        if (!result.Ok())
            state.SkipWithError(result.detail.c_str());
        kdsp::Model loaded;
        kdsp::ApplyPreset(result, loaded);
        benchmark::DoNotOptimize(loaded.DeviceImage[10][34]);
    }
    fs::remove_all(dir);
}
BENCHMARK(PresetWriteAndReadFile);

// 10,000 frames of the kinds an editing session sends, each built and checked.
void BuildAndCheck10000Frames(benchmark::State& state) {
    const kdsp::Model m = FullModel();
    for (auto _ : state) {
        int good = 0;
        for (int i = 0; i < 10000; ++i) {
            kdsp::Bytes f;
            switch (i % 4) {
                case 0:
                    f = kdsp::BuildValueFrame(kdsp::CmdWrite, kdsp::MakeId(i % 11, i % 100),
                                              static_cast<std::uint16_t>(i));
                    break;
                case 1:
                    f = kdsp::BuildBandFrame(m, kdsp::BandFrameId(i % 10), i % 5);
                    break;
                case 2:
                    f = kdsp::BuildLinkCommand(kdsp::LinkKeepAlive);
                    break;
                default:
                    f = kdsp::BuildPageBlock(m, i % 10);
                    break;
            }
            good += kdsp::FrameChecksumOk(f) ? 1 : 0;
        }
        if (good != 10000)
            state.SkipWithError("a built frame failed its checksum");
        benchmark::DoNotOptimize(good);
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BuildAndCheck10000Frames);

}  // namespace

BENCHMARK_MAIN();
