#include "editor/shell/commands.h"

#include "editor/library/catalog.h"
#include "editor/library/library.h"
#include "editor/library/librarymenu.h"
#include "editor/library/librarywindow.h"
#include "editor/library/sysexfile.h"
#include "editor/library/unitmemory.h"
#include "editor/panel/potinput.h"
#include "editor/program/history.h"
#include "editor/program/morph.h"
#include "editor/shell/devices.h"
#include "editor/shell/editing.h"
#include "editor/shell/folder.h"
#include "editor/shell/learn.h"
#include "editor/shell/midimonitor.h"
#include "editor/shell/morphcommands.h"
#include "editor/shell/settings.h"
#include "editor/shell/shell.h"
#include "editor/shell/sound.h"
#include "editor/shell/zoom.h"
#include "editor/transfer/transfer.h"
#include "platform/process.h"
#include "shared/midi/devices.h"

namespace {

void selectDirectory() { DataDirectory = selectFolder("Select Directory", DataDirectory); }

void libraryFolderCommand() {
    std::string chosen = selectFolder("Library Folder", libraryFolder());
    if (chosen.size() > 1 && isPathSplit(chosen.back())) chosen.pop_back();  // kept without its separator
    if (chosen == libraryFolder()) return;
    LibraryFolder = chosen;
    saveOptions(true);
    noteLibraryChange(LibraryChange::Folder);
}
void nextProgram() { stepProgram(+1); }
void previousProgram() { stepProgram(-1); }
bool comparing() { return Comparing; }
void randomise5() { randomiseCommand(5); }
void randomise10() { randomiseCommand(10); }
void randomise25() { randomiseCommand(25); }
void randomise50() { randomiseCommand(50); }
void randomiseAll() { randomiseCommand(0); }
void blend25() { blendCommand(25); }
void blend50() { blendCommand(50); }
void blend75() { blendCommand(75); }
bool lockingParameters() { return LockingParameters; }
bool learning() { return Learning; }

constexpr CommandKey ctrlKey(int key, KeyShift shift = KeyShift::Up) { return {key, true, shift}; }
constexpr CommandKey plainKey(int key) { return {key, false, KeyShift::Up}; }

using M = CommandMenu;

}  // namespace

// clang-format off
const CommandRow CommandRows[] = {
    {CommandSelectDirectory, M::File, "&Select Directory", "", {}, selectDirectory},
    {CommandLoadProgram, M::File, "&Load Program", "", {}, loadProgramCommand},
    {CommandSaveProgram, M::File, "&Save Program", "", {}, saveProgramCommand},
    {CommandWriteProgram, M::File, "&Write Program from File to KT", "", {}, writeProgramCommand},
    {CommandWriteAllPrograms, M::File, "&Write All Programs from Files to KT", "", {}, writeAllProgramsCommand},
    {0, M::File},
    {CommandNextProgram, M::File, "&Next Program", "Right", {plainKey(KeyRight)}, nextProgram},
    {CommandPreviousProgram, M::File, "&Previous Program", "Left", {plainKey(KeyLeft)}, previousProgram},
    {CommandWriteChangedPrograms, M::File, "Write &Changed Programs to KT", "", {}, writeChangedProgramsCommand},
    {CommandExportProgram, M::File, "E&xport Program as SysEx", "", {}, exportProgramCommand},
    {CommandExportAllPrograms, M::File, "Export &All Programs as SysEx", "", {}, exportAllProgramsCommand},
    {CommandImportSysEx, M::File, "&Import SysEx", "", {}, importSysExCommand},
    {CommandShowUnitMemory, M::File, "Show &Unit Memory", "", {}, showUnitMemory},
    {CommandForgetUnitMemory, M::File, "&Forget Unit Memory", "", {}, forgetUnitMemoryCommand},
    {CommandExit, M::File, "&Exit", "", {}, postCloseRequest},

    {CommandUndo, M::Edit, "&Undo", "Ctrl+Z", {ctrlKey('z')}, undoCommand, canUndo},
    {CommandRedo, M::Edit, "&Redo", "Ctrl+Y", {ctrlKey('y', KeyShift::Either), ctrlKey('z', KeyShift::Down)}, redoCommand, canRedo},
    {CommandCompare, M::Edit, "&Compare", "", {}, compareCommand, nullptr, comparing},
    {CommandInitProgram, M::Edit, "&Init Program", "", {}, initProgram},
    {CommandSendWholeProgram, M::Edit, "Send &Whole Program", "", {}, sendWholeProgram},

    {CommandLibraryWindow, M::Library, "&Library Window", "Ctrl+L", {ctrlKey('l')}, toggleLibraryWindow, nullptr, libraryWindowShown},
    {CommandFavourite, M::Library, "&Favourite", "Ctrl+D", {ctrlKey('d')}, favouriteCommand, nullptr, favouriteChecked},
    {CommandHide, M::Library, "&Hide", "", {}, hideCommand, nullptr, hiddenChecked},
    {CommandTags, M::Library, "&Tags...", "", {}, tagsCommand},
    {CommandStoreToLocation, M::Library, "&Store to Location...", "", {}, storeToLocationCommand},
    {CommandFindDuplicates, M::Library, "Find &Duplicates", "", {}, findDuplicatesCommand},
    {CommandLibraryFolder, M::Library, "Library &Folder...", "", {}, libraryFolderCommand},

    {CommandRandomise5, M::Sound, "Randomise &5 %", "", {}, randomise5},
    {CommandRandomise10, M::Sound, "Randomise &10 %", "", {}, randomise10},
    {CommandRandomise25, M::Sound, "Randomise &25 %", "", {}, randomise25},
    {CommandRandomise50, M::Sound, "Randomise &50 %", "", {}, randomise50},
    {CommandRandomiseAll, M::Sound, "Randomise &All", "", {}, randomiseAll},
    {0, M::Sound},
    {CommandBlend25, M::Sound, "&Blend toward Compare 25 %", "", {}, blend25},
    {CommandBlend50, M::Sound, "Blend toward Compare &50 %", "", {}, blend50},
    {CommandBlend75, M::Sound, "Blend toward Compare &75 %", "", {}, blend75},
    {0, M::Sound},
    {CommandMorph, M::Sound, "&Morph", "", {}, morphCommand, canMorph, morphing},
    {0, M::Sound},
    {CommandLockParameters, M::Sound, "&Lock Parameters", "", {}, lockParametersCommand, nullptr, lockingParameters},
    {CommandUnlockAll, M::Sound, "&Unlock All", "", {}, unlockAllCommand},
    {0, M::Sound},
    {CommandShowDifferences, M::Sound, "Show &Differences", "", {}, showDifferencesCommand},

    {0, M::Midi},
    {CommandRescanDevices, M::Midi, "&Rescan Devices", "", {}, rescanDevicesCommand},
    {CommandMidiLearn, M::Midi, "MIDI &Learn", "", {}, learnCommand, nullptr, learning},
    {CommandForgetLearned, M::Midi, "&Forget Learned Controls", "", {}, forgetLearnedCommand},

    // The zoom items are ktboot's too: their texts and keys are shared/zoom/zoomlevels.h's.
    {CommandZoomIn, M::View, ZoomItems[0].text, ZoomItems[0].keyText, {}, zoomIn, canZoomIn},
    {CommandZoomOut, M::View, ZoomItems[1].text, ZoomItems[1].keyText, {}, zoomOut, canZoomOut},
    {CommandActualSize, M::View, ZoomItems[2].text, ZoomItems[2].keyText, {}, actualSize, canActualSize},
    {0, M::View},
    {CommandMidiMonitor, M::View, "&MIDI Monitor", "", {}, midiMonitorCommand, nullptr, midiMonitorShown},
};
// clang-format on

const std::size_t CommandRowCount = sizeof CommandRows / sizeof CommandRows[0];

namespace {

// The identifiers no row holds but a handler of one range takes: the MIDI menu's device
// items, generated from the device lists.
struct CommandRange {
    bool (*holds)(int id);
    void (*run)(int id);
};

const CommandRange CommandRanges[] = {
    {isDeviceCommand, selectDeviceCommand},
};

struct MenuTitle {
    CommandMenu menu;
    const char* text;
};

// "&MIDI" is made by appendMidiMenu (its device submenus, "Controller In", then its rows).
const MenuTitle MenuTitles[] = {
    {CommandMenu::File, "&File"},       {CommandMenu::Edit, "&Edit"},
    {CommandMenu::Library, "&Library"}, {CommandMenu::Sound, "&Sound"},
    {CommandMenu::Midi, "&MIDI"},       {CommandMenu::View, "&View"},
};

bool menuHasRows(CommandMenu menu) {
    for (std::size_t r = 0; r < CommandRowCount; ++r) {
        if (CommandRows[r].menu == menu) return true;
    }
    return false;
}

void appendRows(MenuHandle popup, CommandMenu menu) {
    for (std::size_t r = 0; r < CommandRowCount; ++r) {
        const CommandRow& row = CommandRows[r];
        if (row.menu != menu) continue;
        if (row.id == 0) {
            appendMenuSeparator(popup);
        } else {
            // A row whose mark the table keeps is a check item; every other row is plain.
            appendMenuItem(popup, row.id, row.text, row.keyText,
                           row.checked != nullptr ? MenuItemKind::Check : MenuItemKind::Plain);
        }
    }
}

void appendMidiRows(MenuHandle midi) {
    appendControllerInMenu(midi);
    appendRows(midi, CommandMenu::Midi);
}

bool keyMatches(const CommandKey& k, const Event& e, int key) {
    if (k.key == 0 || k.key != key || k.ctrl != e.ctrl) return false;
    return k.shift == KeyShift::Either || e.shift == (k.shift == KeyShift::Down);
}

}  // namespace

void appendCommandMenus(MenuHandle bar) {
    for (const MenuTitle& title : MenuTitles) {
        if (title.menu == CommandMenu::Midi) {
            appendMidiMenu(bar, appendMidiRows);
        } else if (menuHasRows(title.menu)) {
            const MenuHandle popup = createPopupMenu();
            appendRows(popup, title.menu);
            appendMenuPopup(bar, popup, title.text);
        }
    }
}

void showCommandStates() {
    updateMenuGreying();
    // A rebuilt bar keeps the marks that are on; an item's own command sets them otherwise.
    for (std::size_t r = 0; r < CommandRowCount; ++r) {
        const CommandRow& row = CommandRows[r];
        if (row.checked != nullptr && row.checked()) checkMenuItem(row.id, true);
    }
}

int commandForKey(const Event& e) {
    if (e.kind != EventKind::Key) return 0;
    const int key = (e.key >= 'A' && e.key <= 'Z') ? e.key - 'A' + 'a' : e.key;
    for (std::size_t r = 0; r < CommandRowCount; ++r) {
        for (const CommandKey& k : CommandRows[r].keys) {
            if (keyMatches(k, e, key)) return CommandRows[r].id;
        }
    }
    return zoomCommandForKey(e);
}

void dispatchCommand(int id) {
    if (id == 0) return;
    for (std::size_t r = 0; r < CommandRowCount; ++r) {
        if (CommandRows[r].id == id) {
            CommandRows[r].run();
            return;
        }
    }
    for (const CommandRange& range : CommandRanges) {
        if (range.holds(id)) {
            range.run(id);
            return;
        }
    }
    // identifiers outside the table are ignored
}

void updateMenuGreying(CommandMenu menu) {
    for (std::size_t r = 0; r < CommandRowCount; ++r) {
        const CommandRow& row = CommandRows[r];
        if (row.menu == menu && row.enabled != nullptr) enableMenuItem(row.id, row.enabled());
    }
}

void updateMenuGreying() {
    for (const MenuTitle& title : MenuTitles) updateMenuGreying(title.menu);
}
