#include "editor/shell/shell.h"

#include "platform/clock.h"
#include "platform/midi.h"
#include "platform/process.h"
#include "platform/window.h"
#include "shared/datafile/pathfile.h"

std::string VersionText;
std::string WindowCaption;
std::string ProgramName;
std::string StartDirectory;
std::string DataDirectory;
std::string ConfigPath;

Rgb ColourWhite, ColourBlue, ColourBlack, ColourGrey150, ColourGrey80, ColourDarkRed;

bool WindowMinimised = false;
int16_t MouseX = 0, MouseY = 0, MouseButtons = 0, PrevMouseButtons = 0;
bool PanelRefreshRequest = false;
uint32_t MidiInQuietUntil = 0;
Event CurrentEvent;

namespace {

MenuHandle MenuBar = 0;

// The window geometry until the declaration file gives it.
constexpr int DefaultWindowX = 20, DefaultWindowY = 20, DefaultWindowWidth = 1000, DefaultWindowHeight = 700;

}  // namespace

std::string joinPath(const std::string& folder, const std::string& name) {
    return folder + pathSeparator() + name;
}

void resetShellState() {
    VersionText = "1.00";
    WindowCaption.clear();
    ProgramName.clear();
    StartDirectory.clear();
    DataDirectory.clear();
    ConfigPath.clear();
    WindowMinimised = false;
    MouseX = MouseY = MouseButtons = PrevMouseButtons = 0;
    PanelRefreshRequest = false;
    MidiInQuietUntil = 0;
    CurrentEvent = Event{};
    MenuBar = 0;
}

void buildMenus() {
    MenuBar = createMenuBar();
    MenuHandle file = createPopupMenu();
    appendMenuItem(file, CommandSelectDirectory, "&Select Directory");
    appendMenuItem(file, CommandLoadProgram, "&Load Program");
    appendMenuItem(file, CommandSaveProgram, "&Save Program");
    appendMenuItem(file, CommandWriteProgram, "&Write Program from File to KT");
    appendMenuItem(file, CommandWriteAllPrograms, "&Write All Programs from Files to KT");
    appendMenuItem(file, CommandExit, "&Exit");
    appendMenuPopup(MenuBar, file, "&File");

    MenuHandle midi = createPopupMenu();
    MenuHandle midiIn = createPopupMenu();
    for (int k = 0; k < midiInDeviceCount() && k < 49; ++k) {
        appendMenuItem(midiIn, CommandMidiInFirst + k, midiInDeviceName(k));
    }
    appendMenuPopup(midi, midiIn, "MIDI &In");
    MenuHandle midiOut = createPopupMenu();
    appendMenuItem(midiOut, CommandMidiMapper, "MIDI &Mapper");
    appendMenuSeparator(midiOut);
    for (int k = 0; k < midiOutDeviceCount() && k < 50; ++k) {
        appendMenuItem(midiOut, CommandMidiOutFirst + k, midiOutDeviceName(k));
    }
    appendMenuPopup(midi, midiOut, "MIDI &Out");
    appendMenuPopup(MenuBar, midi, "&MIDI");
    attachMenuBar(MenuBar);
}

int ktprogMain() {
    // 1. The globals of the data model.
    resetShellState();
    // 2.-6. Identity, start directory, palette.
    WindowCaption = "Korvatone Preset Programmer's Interface " + VersionText + "  ";
    ProgramName = "KtProg";
    StartDirectory = readPathFile(ProgramName);
    ColourWhite = {255, 255, 255};
    ColourBlue = {0, 0, 150};
    ColourBlack = {0, 0, 0};
    ColourGrey150 = {150, 150, 150};
    ColourGrey80 = {80, 80, 80};
    ColourDarkRed = {110, 0, 0};
    DataDirectory = StartDirectory;

    // 8.-9. The main window.
    if (!openMainWindow(DefaultWindowX, DefaultWindowY, DefaultWindowWidth, DefaultWindowHeight, "")) return 1;
    setMainWindowCaption(WindowCaption);
    mainCanvas().clear(ColourBlue);
    presentMainWindow();

    // 11. The configuration file.
    ConfigPath = joinPath(StartDirectory, ProgramName + ".CFG");

    // 13. Menus.
    buildMenus();

    // 18. The command loop, then shut-down.
    runCommandLoop();
    closeMainWindow();
    return 0;
}
