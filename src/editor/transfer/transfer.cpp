#include "editor/transfer/transfer.h"

#include <algorithm>

#include "editor/declaration/identity.h"
#include "editor/library/library.h"
#include "editor/library/librarywindow.h"
#include "editor/library/sysexfile.h"
#include "editor/library/unitmemory.h"
#include "editor/panel/layout.h"
#include "editor/panel/statusline.h"
#include "editor/preset/effects.h"
#include "editor/preset/programfile.h"
#include "editor/program/history.h"
#include "editor/program/program.h"
#include "platform/window.h"
#include "shared/datafile/pathfile.h"
#include "shared/message/message.h"
#include "shared/midi/devices.h"
#include "shared/midi/protocol.h"
#include "shared/midi/sysex.h"

std::string CurrentProgramPath;

namespace {

}  // namespace

void resetTransferState() {
    CurrentProgramPath.clear();
}

void askProgramFile(FileDialogKind kind, const std::string& title, std::string& folder, std::string& path, bool& ok) {
    askFile(kind, title, "*.prg", folder, path, ok);
}

void loadProgramCommand() {
    bool ok = false;
    askProgramFile(FileDialogKind::Open, "Load Program", DataDirectory, CurrentProgramPath, ok);
    if (ok) loadProgramFile(CurrentProgramPath, WhenRefused::SendPanelAgain);
}

void saveProgramCommand() {
    bool ok = false;
    askSaveFile("Save Program", "*.prg", offeredFileName(".prg"), ChosenFileUse::Written, DataDirectory,
                CurrentProgramPath, ok);
    if (!ok) return;
    nameProgramAfterFile(CurrentProgramPath);
    showProgramInCaption(CurrentProgramName);
    if (writeProgramFile(CurrentProgramPath)) {
        setCompareReference();
        showStatusResult("Saved " + CurrentProgramName);
    }
    noteLibraryChange(LibraryChange::Folder);  // a new file, or new values in one the library lists
}

void putBackPanelProgram(const SetAsideProgram& setAside) {
    putBackProgram(setAside);
    loadEffectTables(CurrentEffectType);
    showProgramInCaption(CurrentProgramName);
    drawPanel();
    presentMainWindow();
}

WriteResult writeProgramToUnit(std::string& path, bool onlyChanged) {
    const bool fromDialog = path.empty();
    if (fromDialog) {
        // The save dialog under the title "Load Program", as the unit's users know it: the
        // file chosen is shown on the panel while it is written. The file is only read, so
        // choosing an existing one asks nothing.
        bool ok = false;
        askSaveFile("Load Program", "*.prg", offeredFileName(".prg"), ChosenFileUse::Read, DataDirectory, path, ok);
        if (!ok) return WriteResult::Skipped;
    }
    CurrentProgramName = programNameFromPath(path);
    showProgramInCaption(CurrentProgramName);

    if (!readNamedProgramFile(path)) return WriteResult::Failed;  // the reader has said why
    if (fromDialog) {
        drawPanel();
        presentMainWindow();
    }
    if (!programFitForUnit(path)) return WriteResult::Failed;  // read, but not into the unit

    const int location = programNumberFromName(CurrentProgramName);
    if (location < 1 || location > 99) {
        showMessage("Program Name does not determine Program Number!", "");
        return WriteResult::Skipped;
    }
    if (onlyChanged && unitHoldsProgram(location)) {
        return WriteResult::Unchanged;
    }
    if (!sendProgramToLocation(location)) return WriteResult::Failed;
    return WriteResult::Written;
}

void writeProgramCommand() {
    const SetAsideProgram panel = setAsideProgram();
    std::string path;
    const bool written = writeProgramToUnit(path) == WriteResult::Written;
    putBackPanelProgram(panel);
    if (written) showStatusResult("Program written to " + locationText(programNumberFromName(programNameFromPath(path))));
}
