// Benchmarks of the Canvas primitives that every redraw is made of. The plain clear-and-copy
// of a panel-sized canvas is the yardstick the panel drawing is measured against.
#include <benchmark/benchmark.h>

#include "platform/canvas.h"

namespace {

constexpr int PanelWidth = 1000, PanelHeight = 700;

void BM_ClearAndCopy(benchmark::State& state) {
    Canvas source(PanelWidth, PanelHeight, Rgb{0, 0, 150});
    Canvas window(PanelWidth, PanelHeight);
    for (auto _ : state) {
        window.clear(Rgb{0, 0, 150});
        window.copyFrom(source, 0, 0, PanelWidth, PanelHeight, 0, 0);
        benchmark::DoNotOptimize(window.data());
    }
}
BENCHMARK(BM_ClearAndCopy);

void BM_TextLine(benchmark::State& state) {
    Canvas window(PanelWidth, PanelHeight);
    for (auto _ : state) {
        window.drawText(10, 10, "  KtProg.CFG out of data", Rgb{255, 255, 255}, Rgb{110, 0, 0});
        benchmark::DoNotOptimize(window.data());
    }
}
BENCHMARK(BM_TextLine);

void BM_WideLine(benchmark::State& state) {
    Canvas window(PanelWidth, PanelHeight);
    for (auto _ : state) {
        window.line(5, 5, 990, 690, 3, Rgb{255, 255, 255});
        benchmark::DoNotOptimize(window.data());
    }
}
BENCHMARK(BM_WideLine);

}  // namespace
