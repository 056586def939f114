#include "editor/shell/shell.h"

#include "editor/declaration/declaration.h"
#include "editor/library/catalog.h"
#include "editor/library/library.h"
#include "editor/library/librarymenu.h"
#include "editor/library/librarywindow.h"
#include "editor/library/store.h"
#include "editor/library/sysexfile.h"
#include "editor/library/unitmemory.h"
#include "editor/panel/keyboard.h"
#include "editor/panel/layout.h"
#include "editor/panel/palette.h"
#include "editor/panel/potedit.h"
#include "editor/panel/potinput.h"
#include "editor/panel/pots.h"
#include "editor/panel/statusline.h"
#include "editor/panel/text.h"
#include "editor/preset/effects.h"
#include "editor/preset/parameters.h"
#include "editor/preset/programfile.h"
#include "editor/program/explore.h"
#include "editor/program/history.h"
#include "editor/program/locks.h"
#include "editor/program/morph.h"
#include "editor/program/program.h"
#include "editor/shell/commands.h"
#include "editor/shell/configuration.h"
#include "editor/shell/devices.h"
#include "editor/shell/editing.h"
#include "editor/shell/learn.h"
#include "editor/shell/midimonitor.h"
#include "editor/shell/zoom.h"
#include "editor/shell/settings.h"
#include "editor/transfer/transfer.h"
#include "platform/clock.h"
#include "platform/midi.h"
#include "platform/trace.h"
#include "platform/window.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/expression.h"
#include "shared/datafile/pathfile.h"
#include "shared/datafile/textfile.h"
#include "shared/midi/monitor.h"
#include "shared/midi/nrpn.h"
#include "shared/midi/devices.h"

namespace {

MenuHandle MenuBar = 0;

void resetMenuState() { MenuBar = 0; }

}  // namespace

void buildMenus() {
    MenuBar = createMenuBar();
    appendCommandMenus(MenuBar);
    attachMenuBar(MenuBar);
    showCommandStates();
}

void rebuildMenus() {
    destroyMenuBar(MenuBar);
    buildMenus();
}

void resetEditorState() {
    resetDataFileState();
    resetExpressionState();
    resetTextFileState();
    resetMidiState();
    resetNrpnState();
    resetMidiTrafficState();
    resetIdentityState();
    resetDeclarationState();
    resetProgramState();
    resetEffectState();
    resetProgramFileState();
    resetPaletteState();
    resetTextState();
    resetPotsState();
    resetPotEditState();
    resetKeyboardState();
    resetPanelState();
    resetLibraryState();
    resetCatalogState();
    resetLibraryMenuState();
    resetLibraryWindowState();
    resetStoreState();
    resetUnitMemoryState();
    resetSysExFileState();
    resetTransferState();
    resetHistoryState();
    resetLocksState();
    resetExploreState();
    resetMorphState();
    resetPotInputState();
    resetStatusLineState();
    resetCommandLoopState();
    resetMidiMonitorState();
    resetOptionsState();
    resetMenuState();
}

int ktprogMain() {
    traceStep("main");
    startMidiSystems();  // in the background while the window opens; step 12 waits for them
    // 1. Every global of the editor with its initial value.
    resetEditorState();
    seedRandom(randomSeed());  // Randomise's generator: once per run
    // 2.-6. Identity, start directory, palette (set by the resets).
    WindowCaption = "Korvatone Preset Programmer's Interface " + VersionText + "  ";
    ProgramName = "KtProg";
    StartDirectory = readPathFile(ProgramName);
    DataDirectory = StartDirectory;

    // 7. The panel declaration: window geometry, pots, parameter tables.
    loadDeclarationFile(ProgramName);
    startDeclaredProgram();
    traceStep("declaration");

    // 8.-9. The main window: the declared panel with the status line below it.
    if (!openMainWindow(WindowX, WindowY, WindowWidth, WindowHeight + StatusStripHeight, "")) return 1;
    setMainWindowStrip(StatusStripHeight);
    traceStep("window");
    captureWindowState();
    setMainWindowCaption(WindowCaption);

    // 10. The panel's fonts.
    loadFonts();
    traceStep("fonts");

    // 11. The configuration file.
    ConfigPath = joinPath(StartDirectory, ProgramName + ".CFG");
    readConfiguration(ConfigPath);
    readOptions();  // KtProg.ini: what the configuration has no line for
    readMarks();    // KtLibrary.txt: the favourites, hidden sounds and tags
    applyStartZoom();

    // 14.-16. first, as none of them touches MIDI: the panel is drawn while the MIDI systems
    // are still starting (a JACK client takes a cycle or two of its server), so the window
    // shows the panel at once. What the unit and the menus see keeps its order.
    // 14.-15. Pot images and the keyboard.
    preparePotImages();  // also forgets the previous pass's buttons
    initKeyboard();

    // 16. The effect tables of the current effect type; the configuration's effect values
    // stay on the panel (no recall). A type outside 0..3 is clamped, and every value is
    // clamped into its pot's range, so the unit never receives what the panel cannot show.
    followEffectType();
    drawPanel();
    presentMainWindow();
    traceStep("first-paint");

    // 12. The MIDI devices; a note the keyboard sounds ends before the output closes.
    BeforeMidiOutputChanges = silenceKeyboard;
    openMidiDevices();
    traceStep("midi");

    // 13. Menus.
    buildMenus();

    // 17. Bring the unit up to date: the whole program between edit-begin and edit-end.
    sendChangesInEditBracket();
    setCompareReference();  // compare compares with the start-up program until one is loaded

    // 18. The command loop, then shut-down.
    runCommandLoop();
    traceStep("exit");
    saveEffectParameters(CurrentEffectType);
    writeConfiguration(ConfigPath);
    saveOptions(false);
    closeMidiDevices();
    destroyMenuBar(MenuBar);
    closeMainWindow();
    traceStep("end");
    return 0;
}
