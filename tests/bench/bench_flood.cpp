// bench_flood.cpp - a control surface flooding the editor: 100,000 messages of learned
// controllers within one second, taken by the command loop with the pending ones coalesced
// (the editor) and one message a pass (the comparison), side by side:
//   kt_flood_bench SOURCE_DIR WORK_DIR
// The simulated machine runs the real start-up and command loop. Its clock normally stands
// still while the program works; here every pass moves it on by the wall-clock time the pass
// took, so messages keep arriving while a pass runs, as on a real machine. Two outputs: a fast
// port (USB: sending takes no time) and a MIDI cable (a send returns when its bytes have left,
// 320 us a byte, as a 31250-baud port does), where the pass also lasts the cable time of what
// it sent. Printed for each
// flood (a pot controller; the morph position with Morph on): the bytes the editor sent, the
// passes, the lag (from the last message's arrival until the pass that took it ended, on the
// clock driven by the passes), the wall-clock time of the whole run, and the value the unit
// ends with. The bytes are what a MIDI cable would have to carry at 3125 bytes a second.
// Then a keyboard's notes passed through (soft MIDI thru), 100,000 in the same second, with
// the MIDI Monitor closed and open (two lines a message then: what came in, what went out):
// the bytes passed on, the passes, the lag and the wall-clock time side by side.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "editor/declaration/declaration.h"
#include "editor/declaration/identity.h"
#include "editor/panel/keyboard.h"
#include "editor/panel/layout.h"
#include "editor/panel/morphing.h"
#include "editor/panel/potinput.h"
#include "editor/panel/pots.h"
#include "editor/panel/text.h"
#include "editor/preset/effects.h"
#include "editor/preset/parameters.h"
#include "editor/program/history.h"
#include "editor/program/morph.h"
#include "editor/program/program.h"
#include "editor/shell/configuration.h"
#include "editor/shell/midimonitor.h"
#include "editor/shell/settings.h"
#include "editor/shell/shell.h"
#include "platform/sim/sim.h"
#include "platform/window.h"
#include "shared/midi/devices.h"
#include "unit/unit.h"

namespace fs = std::filesystem;

namespace {

constexpr int FloodSize = 100000;
constexpr uint64_t FloodSpanUs = 1000000;
constexpr uint64_t FloodStartUs = 1000000;
constexpr int PotController = 20, MorphController = 21;
constexpr int CutoffParameter = 26;  // 1-based, as in program files

struct Figures {
    uint64_t bytes = 0;
    uint64_t passes = 0;
    double lagMs = 0;
    double wallMs = 0;
    int unitValue = -1;
};

// The editor's start-up up to its command loop (ktprogMain's steps, the loop left to us).
void startEditor(const std::string& home) {
    sim::reset(home);
    sim::setTranscript(nullptr);
    resetEditorState();
    WindowCaption = "Korvatone";
    ProgramName = "KtProg";
    StartDirectory = home;
    DataDirectory = StartDirectory;
    loadDeclarationFile(ProgramName);
    startDeclaredProgram();
    openMainWindow(WindowX, WindowY, WindowWidth, WindowHeight, "");
    captureWindowState();
    loadFonts();
    readOptions();
    preparePotImages();
    initKeyboard();
    followEffectType();
    drawPanel();
    openMidiDevices();
    buildMenus();
    sendChangesInEditBracket();
    setCompareReference();
}

// The command loop until the script ends; every pass moves the clock on by the wall-clock time
// it took (and the cable time of what it sent), so messages keep arriving meanwhile. The lag is
// from the last message's arrival (lastArrivalUs) to the end of the pass that took it.
void runPasses(Figures& figures, uint64_t& passBytes, uint64_t lastArrivalUs, bool cable, bool coalesce) {
    const auto wallStart = std::chrono::steady_clock::now();
    uint64_t lastTakenUs = 0;
    for (;;) {
        const Event e = nextCommandLoopEvent();
        if (e.kind == EventKind::CloseRequested) break;
        const auto passStart = std::chrono::steady_clock::now();
        passBytes = 0;
        commandLoopPass(e, coalesce);
        const auto passUs = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - passStart).count();
        ++figures.passes;
        const uint64_t cableUs = cable ? sim::wireTimeUs(passBytes) : 0;
        sim::advanceToUs(sim::nowUs() + uint64_t(passUs) + cableUs);  // the messages that came meanwhile
        if (isMidiInputEvent(e)) lastTakenUs = sim::nowUs();
    }
    figures.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
    figures.lagMs = lastTakenUs > lastArrivalUs ? double(lastTakenUs - lastArrivalUs) / 1000.0 : 0.0;
}

Figures runFlood(const std::string& home, bool morph, bool cable, bool coalesce) {
    startEditor(home);
    LearnBindings = {{1, PotController, CutoffParameter}, {1, MorphController, MorphBindingParameter}};
    if (morph) {
        // B: every pot of the panel (the effect field left alone) at its minimum.
        ProgramSnapshot b = currentState();
        int j = 0;
        for (int f = 0; f < FieldCount; ++f) {
            for (int p = 0; p < FieldPotCount[f]; ++p, ++j) {
                if (j < EffectTypeParameter) b.values[static_cast<size_t>(j)] = PotMin[f][p];
            }
        }
        CompareReference = b;
        startMorph();
    }
    startCommandLoop();

    Figures figures;
    uint64_t passBytes = 0;
    sim::setMidiOutSink([&](const uint8_t*, size_t length) {
        figures.bytes += length;
        passBytes += length;
    });
    const int controller = morph ? MorphController : PotController;
    // A knob turned up and down: the last message ends at 100.
    for (int i = 0; i < FloodSize; ++i) {
        const int fromEnd = FloodSize - 1 - i;
        const uint8_t value = static_cast<uint8_t>(100 + (fromEnd % 2 == 0 ? 0 : 1) * (fromEnd % 27));
        sim::scheduleUs(FloodStartUs + uint64_t(i) * FloodSpanUs / FloodSize,
                        [controller, value] { sim::midiArrives({0xB0, uint8_t(controller), value}); });
    }
    const uint64_t lastArrivalUs = FloodStartUs + uint64_t(FloodSize - 1) * FloodSpanUs / FloodSize;
    sim::setScriptEnd((FloodStartUs + FloodSpanUs) / 1000 + 1);

    runPasses(figures, passBytes, lastArrivalUs, cable, coalesce);
    figures.unitValue = sim::theUnit().Parameters[{0x0D, 2}];
    sim::setMidiOutSink(nullptr);
    closeMidiDevices();
    closeMainWindow();
    resetEditorState();
    return figures;
}

// Notes on channel 2, on and off in turn, passed through to the unit's output.
Figures runThruFlood(const std::string& home, bool monitor, bool cable) {
    startEditor(home);
    if (monitor) midiMonitorCommand();
    startCommandLoop();

    Figures figures;
    uint64_t passBytes = 0;
    sim::setMidiOutSink([&](const uint8_t*, size_t length) {
        figures.bytes += length;
        passBytes += length;
    });
    for (int i = 0; i < FloodSize; ++i) {
        const uint8_t status = i % 2 == 0 ? 0x91 : 0x81, note = static_cast<uint8_t>(36 + (i / 2) % 48);
        sim::scheduleUs(FloodStartUs + uint64_t(i) * FloodSpanUs / FloodSize,
                        [status, note] { sim::midiArrives({status, note, uint8_t(status == 0x91 ? 100 : 0)}); });
    }
    const uint64_t lastArrivalUs = FloodStartUs + uint64_t(FloodSize - 1) * FloodSpanUs / FloodSize;
    sim::setScriptEnd((FloodStartUs + FloodSpanUs) / 1000 + 1);

    runPasses(figures, passBytes, lastArrivalUs, cable, true);
    sim::setMidiOutSink(nullptr);
    closeMidiDevices();
    closeMainWindow();
    resetEditorState();
    return figures;
}

void printThru(const char* how, const Figures& f) {
    std::printf("%-26s %-22s %10llu bytes %8llu passes  lag %9.1f ms  wall %8.1f ms\n", "notes passed through", how,
                static_cast<unsigned long long>(f.bytes), static_cast<unsigned long long>(f.passes), f.lagMs, f.wallMs);
}

void print(const char* flood, const char* how, const Figures& f) {
    std::printf("%-26s %-22s %10llu bytes (%7.1f s of cable) %8llu passes  lag %9.1f ms  wall %8.1f ms  cutoff %d\n",
                flood, how, static_cast<unsigned long long>(f.bytes), double(f.bytes) / 3125.0,
                static_cast<unsigned long long>(f.passes), f.lagMs, f.wallMs, f.unitValue);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kt_flood_bench SOURCE_DIR WORK_DIR\n");
        return 2;
    }
    const fs::path source = argv[1], home = fs::path(argv[2]) / "home";
    fs::create_directories(home);
    for (const char* name : {"KtProg.DAT", "CHR4.BIN", "CHR6.BIN"}) {
        fs::copy_file(source / "data" / name, home / name, fs::copy_options::overwrite_existing);
    }
    std::printf("%d learned-controller messages in %llu ms\n", FloodSize, static_cast<unsigned long long>(FloodSpanUs / 1000));
    for (const bool cable : {false, true}) {
        for (const bool morph : {false, true}) {
            const std::string flood = std::string(morph ? "morph position" : "filter cutoff") + (cable ? ", cable" : ", fast port");
            print(flood.c_str(), "one message a pass", runFlood(home.string(), morph, cable, false));
            print(flood.c_str(), "pending ones coalesced", runFlood(home.string(), morph, cable, true));
        }
    }
    std::printf("%d notes passed through in %llu ms, fast port\n", FloodSize, static_cast<unsigned long long>(FloodSpanUs / 1000));
    for (int round = 0; round < 2; ++round) {
        printThru("MIDI Monitor closed", runThruFlood(home.string(), false, false));
        printThru("MIDI Monitor open", runThruFlood(home.string(), true, false));
    }
    return 0;
}
