// The batch write: every numbered program file of the data folder to its location.
#include <algorithm>

#include "editor/declaration/identity.h"
#include "editor/library/library.h"
#include "editor/library/unitmemory.h"
#include "editor/panel/layout.h"
#include "editor/panel/statusline.h"
#include "editor/preset/programfile.h"
#include "editor/transfer/transfer.h"
#include "platform/process.h"
#include "platform/window.h"
#include "shared/datafile/pathfile.h"
#include "shared/message/message.h"

namespace {

// The batch write, whole (onlyChanged false) or of the changed programs only. The panel shows
// each program while it is written; its caller puts the panel's program back.
void writeProgramsOfFolder(bool onlyChanged) {
    NumberedFiles files;
    // numberedFiles has said why when the folder gives nothing to send (it cannot be listed,
    // no file names a location, or two name the same one): then nothing is asked or sent.
    if (!numberedFiles(DataDirectory, files)) return;
    readUnitMemory();  // a record too large to read is said here, not between two writes
    int written = 0, unchanged = 0;
    const int* counts = files.counts;
    const std::vector<std::string>& numbered = files.names;
    const bool holes = std::any_of(counts + 1, counts + 100, [](int n) { return n == 0; });
    int answer = 1;
    if (holes) {
        answer = askChoice(" There are holes in the list. What should happen to the holes?", " 1:Skipped",
                           " 2:Filled with default ");
        drawPanel();  // the question covered it
        presentMainWindow();
    }

    bool failed = false;
    for (const std::string& name : numbered) {
        std::string path = joinPath(DataDirectory, name);
        const WriteResult result = writeProgramToUnit(path, onlyChanged);
        if (result == WriteResult::Failed) {
            failed = true;
            break;
        }
        if (result == WriteResult::Written) ++written;
        if (result == WriteResult::Unchanged) ++unchanged;
    }
    if (!failed && answer == 2) {
        // The holes get the first file's program, read once and sent from memory to each
        // free location in ascending order; the caption names the hole being written. There is
        // a first file: numberedFiles refuses a folder without one.
        const std::string first = joinPath(DataDirectory, numbered.front());
        failed = !readNamedProgramFile(first) || !programFitForUnit(first);
        for (int location = 1; location <= 99 && !failed; ++location) {
            if (counts[location] != 0) continue;
            CurrentProgramName = (location < 10 ? "0" : "") + std::to_string(location) + "default";
            showProgramInCaption(CurrentProgramName);
            if (onlyChanged && unitHoldsProgram(location)) {
                ++unchanged;
                continue;
            }
            failed = !sendProgramToLocation(location);
            if (!failed) ++written;
        }
    }
    if (onlyChanged && !failed) {
        showMessage(" Programs written: " + std::to_string(written) + ", unchanged: " + std::to_string(unchanged), "");
    }
    if (!failed) {
        showStatusResult("Wrote " + countText(written, "program") +
                         (onlyChanged ? ", " + std::to_string(unchanged) + " unchanged" : ""));
    }
}

void writeProgramsOfFolderKeepingPanel(bool onlyChanged) {
    const SetAsideProgram panel = setAsideProgram();
    writeProgramsOfFolder(onlyChanged);
    putBackPanelProgram(panel);
}

}  // namespace

void writeAllProgramsCommand() { writeProgramsOfFolderKeepingPanel(false); }

void writeChangedProgramsCommand() { writeProgramsOfFolderKeepingPanel(true); }
