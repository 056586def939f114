#include "updater/updater.h"

#include "platform/announce.h"
#include "platform/events.h"
#include "platform/midi.h"
#include "platform/process.h"
#include "platform/window.h"
#include "shared/datafile/pathfile.h"

namespace updater {

std::string UpdaterName;
std::string UpdaterDirectory;
std::string UpdaterFolderLine;
std::string UpdaterConfigPath;
std::string UpdaterCaption;

namespace {

MenuHandle MenuBar = 0;
int TextLines = 0;

void buildUpdaterMenus() {
    MenuBar = createMenuBar();
    MenuHandle file = createPopupMenu();
    appendMenuItem(file, CommandLoad, "&Load *.ldr file");
    appendMenuItem(file, CommandExit, "&Exit");
    appendMenuPopup(MenuBar, file, "&File");
    MenuHandle midi = createPopupMenu();
    MenuHandle midiIn = createPopupMenu();
    for (int k = 0; k < midiInDeviceCount() && k < 49; ++k) appendMenuItem(midiIn, 50 + k, midiInDeviceName(k));
    appendMenuPopup(midi, midiIn, "MIDI &In");
    MenuHandle midiOut = createPopupMenu();
    appendMenuItem(midiOut, 99, "MIDI &Mapper");
    appendMenuSeparator(midiOut);
    for (int k = 0; k < midiOutDeviceCount() && k < 50; ++k) appendMenuItem(midiOut, 100 + k, midiOutDeviceName(k));
    appendMenuPopup(midi, midiOut, "MIDI &Out");
    appendMenuPopup(MenuBar, midi, "&MIDI");
    attachMenuBar(MenuBar);
}

}  // namespace

void resetUpdaterState() {
    UpdaterName = "KTboot";
    UpdaterDirectory.clear();
    UpdaterFolderLine.clear();
    UpdaterConfigPath.clear();
    UpdaterCaption = "Korvatone Firmware Updater 1.00";
    MenuBar = 0;
    TextLines = 0;
}

void clearUpdaterWindow() {
    mainCanvas().clear(Background);
    presentMainWindow();
    TextLines = 0;
}

void writeUpdaterLine(const std::string& line) {
    announce(Announcement::WindowText, {line});
    mainCanvas().drawText(4, 4 + TextLines * Canvas::TextLineHeight, line, Foreground, Background);
    presentMainWindow();
    ++TextLines;
}

}  // namespace updater

using namespace updater;

int ktbootMain() {
    resetUpdaterState();
    UpdaterDirectory = readPathFile(UpdaterName);
    UpdaterFolderLine = UpdaterDirectory;
    if (!openMainWindow(WindowX, WindowY, WindowWidth, WindowHeight, UpdaterCaption)) return 1;
    UpdaterConfigPath = UpdaterDirectory + pathSeparator() + UpdaterName + ".CFG";

    buildUpdaterMenus();
    clearUpdaterWindow();

    for (;;) {
        Event e = waitEvent();
        if (e.kind == EventKind::Command && e.command == CommandExit) postCloseRequest();
        if (e.kind == EventKind::CloseRequested) break;
    }

    destroyMenuBar(MenuBar);
    closeMainWindow();
    return 0;
}
