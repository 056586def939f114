// The batch write: every numbered program file of the data folder to its location.
#include <algorithm>
#include <filesystem>

#include "editor/declaration/identity.h"
#include "editor/panel/layout.h"
#include "editor/preset/programfile.h"
#include "editor/transfer/transfer.h"
#include "platform/process.h"
#include "platform/window.h"
#include "shared/datafile/pathfile.h"
#include "shared/message/message.h"

namespace {

// The folder's regular files, sorted by name so the order is the same on every platform.
std::vector<std::string> listFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void redrawPanel() {
    drawPanel();
    presentMainWindow();
}

}  // namespace

void writeAllProgramsCommand() {
    const std::vector<std::string> listing = listFolder(DataDirectory);
    int counts[100] = {};
    std::vector<std::string> numbered;
    for (const std::string& name : listing) {
        const int location = programNumberFromName(name);
        if (location >= 1 && location <= 99) {
            ++counts[location];
            numbered.push_back(name);
        }
    }
    for (int location = 1; location <= 99; ++location) {
        if (counts[location] > 1) {
            showMessage(" Multiple files assigned to location: " + std::to_string(location), " Please resolve it!");
            redrawPanel();
            return;
        }
    }
    const bool holes = std::any_of(counts + 1, counts + 100, [](int n) { return n == 0; });
    int answer = 1;
    if (holes) {
        answer = askChoice(" There are holes in the list. What should happen to the holes?", " 1:Skipped",
                           " 2:Filled with default ");
        redrawPanel();
        if (answer == 2 && numbered.empty()) {
            showMessage(" No program file to fill the holes with!", "");
            redrawPanel();
            return;
        }
    }

    bool failed = false;
    for (const std::string& name : numbered) {
        std::string path = joinPath(DataDirectory, name);
        if (writeProgramToUnit(path) == WriteResult::Failed) {
            failed = true;
            break;
        }
    }
    if (!failed && answer == 2) {
        // The holes get the first file's program, read once and sent from memory to each
        // free location in ascending order; the caption names the hole being written.
        const std::string source = joinPath(DataDirectory, numbered.front());
        std::error_code ec;
        if (!std::filesystem::is_regular_file(source, ec)) {
            showMessage("  " + source, "  cannot be read");
            failed = true;
        } else if (!readProgramFile(source)) {
            failed = true;
        }
        for (int location = 1; location <= 99 && !failed; ++location) {
            if (counts[location] != 0) continue;
            CurrentProgramName = (location < 10 ? "0" : "") + std::to_string(location) + "default";
            showProgramInCaption(CurrentProgramName);
            failed = !sendProgramToLocation(location);
        }
    }
    redrawPanel();
}
