// Start-up of the main window: construction of every page and control, the
// start-up order (tables twice, bands reset, music page) and the first show.
#include <QApplication>

#include <benchmark/benchmark.h>

#include "app/window/app_setup.h"
#include "app/window/main_window.h"

static void BM_StartupToFirstShow(benchmark::State& state) {
    for (auto _ : state) {
        kdsp::MainWindow form;
        form.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(form.state().WindowShown);
    }
}
BENCHMARK(BM_StartupToFirstShow)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kdsp::ApplyTheme(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
