// Benchmarks of the panel with the shipped declaration and fonts: a full drawPanel, compared
// with one plain clear-and-copy of a canvas of the same size, and one pollPots pass with the
// left button held over a pot (the drag of every command-loop pass).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "editor/declaration/declaration.h"
#include "editor/panel/keyboard.h"
#include "editor/panel/potedit.h"
#include "editor/panel/pots.h"
#include "editor/panel/text.h"
#include "editor/preset/effects.h"
#include "editor/panel/layout.h"
#include "editor/panel/palette.h"
#include "editor/preset/programfile.h"
#include "editor/program/history.h"
#include "editor/shell/commands.h"
#include "editor/program/program.h"
#include "editor/shell/shell.h"
#include "platform/events.h"
#include "platform/midi.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

#ifndef KT_SOURCE_DIR
#error "KT_SOURCE_DIR must name the repository"
#endif

namespace {

// A simulated machine with the shipped panel loaded and drawn once.
bool preparePanel() {
    static bool ready = false;
    if (ready) return true;
    const auto home = std::filesystem::temp_directory_path() / "kt_bench_panel";
    std::filesystem::create_directories(home);
    for (const char* name : {"KtProg.DAT", "CHR4.BIN", "CHR6.BIN"}) {
        std::filesystem::copy_file(std::string(KT_SOURCE_DIR) + "/data/" + name, home / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    sim::reset(home.string());
    resetEditorState();
    StartDirectory = home.string();
    try {
        loadDeclarationFile("KtProg");
        startDeclaredProgram();
    } catch (const sim::ProgramEnded&) {
        return false;
    }
    openMainWindow(WindowX, WindowY, WindowWidth, WindowHeight, "");
    captureWindowState();
    loadFonts();
    preparePotImages();
    initKeyboard();
    followEffectType();
    drawPanel();
    ready = true;
    return true;
}

void BM_DrawPanel(benchmark::State& state) {
    if (!preparePanel()) {
        state.SkipWithError("the shipped panel did not load");
        return;
    }
    for (auto _ : state) {
        drawPanel();
        benchmark::DoNotOptimize(mainCanvas().data());
    }
}
BENCHMARK(BM_DrawPanel)->Unit(benchmark::kMicrosecond);

void BM_ClearAndCopySameCanvas(benchmark::State& state) {
    if (!preparePanel()) {
        state.SkipWithError("the shipped panel did not load");
        return;
    }
    Canvas& window = mainCanvas();
    Canvas source(window.width(), window.height(), ColourBlue);
    for (auto _ : state) {
        window.clear(ColourBlue);
        window.copyFrom(source, 0, 0, source.width(), source.height(), 0, 0);
        benchmark::DoNotOptimize(window.data());
    }
    drawPanel();
}
BENCHMARK(BM_ClearAndCopySameCanvas)->Unit(benchmark::kMicrosecond);

void BM_PollPotsDragging(benchmark::State& state) {
    if (!preparePanel()) {
        state.SkipWithError("the shipped panel did not load");
        return;
    }
    // The left button held in the filter cutoff's track, moving between two rows so every
    // pass changes the value and redraws that knob.
    const int f = 2, p = 1;
    const int x = FieldX[f] + FieldStep[f] * p + 18;
    int row = 0;
    PassMouseButtons = 1;
    MouseX = static_cast<int16_t>(x);
    for (auto _ : state) {
        MouseY = static_cast<int16_t>(FieldY[f] + (row++ % 2 ? 30 : 80));
        pollPots();
        benchmark::DoNotOptimize(ProgramValues.data());
    }
    PassMouseButtons = 0;
}
BENCHMARK(BM_PollPotsDragging)->Unit(benchmark::kMicrosecond);

void BM_PollPotsHeldStill(benchmark::State& state) {
    if (!preparePanel()) {
        state.SkipWithError("the shipped panel did not load");
        return;
    }
    // Held over a knob that already shows the value under the pointer: every pot is tested,
    // nothing is drawn.
    const int f = 2, p = 1;
    PassMouseButtons = 1;
    MouseX = static_cast<int16_t>(FieldX[f] + FieldStep[f] * p + 18);
    MouseY = static_cast<int16_t>(FieldY[f] + 50);
    pollPots();
    for (auto _ : state) {
        pollPots();
        benchmark::DoNotOptimize(ProgramValues.data());
    }
    PassMouseButtons = 0;
}
BENCHMARK(BM_PollPotsHeldStill)->Unit(benchmark::kMicrosecond);

void BM_CommandLoopPassDrag(benchmark::State& state) {
    if (!preparePanel()) {
        state.SkipWithError("the shipped panel did not load");
        return;
    }
    // One pass of the command loop for a mouse event in the filter cutoff's track: the pot
    // follows, its knob is redrawn, and the changed parameter goes to the MIDI output (the
    // simulated unit behind it parses it).
    std::string error;
    if (!midiOutIsOpen() && !midiOutOpenDevice(0, error)) {
        state.SkipWithError("no output");
        return;
    }
    refreshPanelIfNeeded(Event{});
    const int f = 2, p = 1;
    const int x = FieldX[f] + FieldStep[f] * p + 18;
    int row = 0;
    Event e;
    for (auto _ : state) {
        sim::setMouse(x, FieldY[f] + (row++ % 2 ? 30 : 80), 1);
        peekEvent(e);
        commandLoopPass(e);
    }
    sim::setMouse(x, 0, 0);
    while (peekEvent(e)) {
    }
    PrevPassMouseButtons = 0;
}
BENCHMARK(BM_CommandLoopPassDrag)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// Undo and redo of a whole-program change (Init Program after a program was loaded): the
// state put back, its effect tables loaded, the caption, the changed parameters worked out.
// The output is closed, so the MIDI bytes themselves are not counted.
void BM_UndoRedoOfInitAfterLoad(benchmark::State& state) {
    if (!preparePanel()) {
        state.SkipWithError("the shipped panel did not load");
        return;
    }
    midiOutCloseDevice();
    resetHistoryState();
    const ProgramSnapshot before = currentState();
    if (!readProgramFile(std::string(KT_SOURCE_DIR) + "/data/programs/05 EQ Keys.prg")) {
        state.SkipWithError("the example program did not load");
        return;
    }
    CurrentProgramName = "05 EQ Keys";
    recordChange(before);
    dispatchCommand(CommandInitProgram);
    for (auto _ : state) {
        dispatchCommand(CommandUndo);  // back to the loaded program (equalizer tables)
        dispatchCommand(CommandRedo);  // the initialised one again
        benchmark::DoNotOptimize(ProgramValues.data());
    }
    state.SetItemsProcessed(2 * state.iterations());  // items: one undo or redo each
    PanelRefreshRequest = false;
}
BENCHMARK(BM_UndoRedoOfInitAfterLoad)->Unit(benchmark::kMicrosecond);

}  // namespace
