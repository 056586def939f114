// Benchmarks of pot drawing on the simulated machine. A knob move is what the command loop
// draws on every pass while the user drags: the editor's budget for it is 20 microseconds.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>

#include "editor/declaration/declaration.h"
#include "editor/panel/pots.h"
#include "editor/panel/text.h"
#include "editor/shell/shell.h"
#include "platform/canvas.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

namespace {

constexpr int PanelWidth = 1000, PanelHeight = 700;
constexpr int PotX = 400, PotY = 200;

// A main window of panel size with the pot images made for a travel of 64, and fonts whose
// glyphs are busy enough that no cell is skipped as blank.
void setUpPanel() {
    sim::reset(std::filesystem::temp_directory_path().string());
    resetEditorState();
    for (size_t i = 0; i < SmallFont.size(); ++i) SmallFont[i] = static_cast<uint8_t>(0xA5 ^ i);
    for (size_t i = 0; i < LargeFont.size(); ++i) LargeFont[i] = static_cast<uint8_t>(0x5A ^ i);
    SmallFontLoaded = LargeFontLoaded = true;
    SliderTravel = 64;
    openMainWindow(0, 0, PanelWidth, PanelHeight, "");
    preparePotImages();
}

// The knob jumps over its whole travel and back: the most track rows a move repaints.
void BM_DrawPotKnobFullTravel(benchmark::State& state) {
    setUpPanel();
    int16_t value = 0;
    drawPot(PotX, PotY, 0, 127, "LEVEL", "LEVEL|  dB  ", value);
    bool up = true;
    for (auto _ : state) {
        value = up ? 127 : 0;
        up = !up;
        drawPotKnob(PotX, PotY, 0, 127, value);
        benchmark::DoNotOptimize(mainCanvas().data());
    }
}
BENCHMARK(BM_DrawPotKnobFullTravel);

// A drag: the knob moves by one value at a time up and down the range.
void BM_DrawPotKnobDrag(benchmark::State& state) {
    setUpPanel();
    int16_t value = 0;
    drawPot(PotX, PotY, 0, 127, "LEVEL", "LEVEL|  dB  ", value);
    int step = 1;
    int16_t next = 0;
    for (auto _ : state) {
        if (next == 127) step = -1;
        if (next == 0) step = 1;
        next = static_cast<int16_t>(next + step);
        value = next;
        drawPotKnob(PotX, PotY, 0, 127, value);
        benchmark::DoNotOptimize(mainCanvas().data());
    }
}
BENCHMARK(BM_DrawPotKnobDrag);

// One whole pot: three stamps, the number, a title and a two-line caption.
void BM_DrawPot(benchmark::State& state) {
    setUpPanel();
    int16_t value = 0;
    for (auto _ : state) {
        value = static_cast<int16_t>((value + 37) % 128);
        drawPot(PotX, PotY, 0, 127, "LEVEL", "LEVEL|  dB  ", value);
        benchmark::DoNotOptimize(mainCanvas().data());
    }
}
BENCHMARK(BM_DrawPot);

}  // namespace
