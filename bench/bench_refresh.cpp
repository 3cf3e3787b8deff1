// How long showing every page from the device image takes on the offscreen
// window: the refresh after going online, a mode change or a preset load.
#include <QApplication>

#include <benchmark/benchmark.h>

#include "app/editing/page_refresh.h"
#include "app/window/main_window.h"

namespace {

kdsp::MainWindow* window = nullptr;

void BM_RefreshAllPages(benchmark::State& state) {
    int k = 0;
    for (auto _ : state) {
        // Different values each round, so every control really changes.
        window->model().DeviceImage[kdsp::PageMain][0] = k % 100;
        window->model().DeviceImage[kdsp::PageMusic][5] = k % 300;
        kdsp::RefreshPages(*window, 20);
        ++k;
    }
}
BENCHMARK(BM_RefreshAllPages)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_RefreshOnePage(benchmark::State& state) {
    for (auto _ : state) kdsp::RefreshPages(*window, kdsp::PageMain);
}
BENCHMARK(BM_RefreshOnePage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kdsp::MainWindow form;
    form.show();  // start-up order: tables, band reset, first refresh
    QApplication::processEvents();
    window = &form;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
