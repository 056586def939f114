#include "updater/updater.h"

#include "platform/announce.h"
#include "platform/events.h"
#include "platform/process.h"
#include "platform/window.h"
#include "shared/datafile/pathfile.h"
#include "shared/midi/midi.h"

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
    listMidiOutDevices();
    listMidiInDevices();
    appendMidiMenu(MenuBar);
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
