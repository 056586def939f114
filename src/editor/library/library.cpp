#include "editor/library/library.h"

#include <algorithm>
#include <filesystem>

#include "editor/declaration/identity.h"
#include "editor/library/librarywindow.h"
#include "editor/panel/layout.h"
#include "editor/preset/programfile.h"
#include "editor/program/history.h"
#include "editor/program/morph.h"
#include "shared/datafile/expression.h"
#include "shared/datafile/pathfile.h"
#include "platform/input.h"
#include "platform/process.h"
#include "shared/message/message.h"
#include "shared/midi/devices.h"
#include "shared/midi/receive.h"

// The file the current program was last loaded from, saved to or stepped to
// (without folder; empty: none): where Next and Previous stand in the list.
std::string CurrentProgramFile;
std::string CurrentProgramFilePath;

// The file last stepped to when it could not be read (empty: none), and the program the
// panel kept then: while the panel still shows that one, the next step goes on from the
// unreadable file instead of coming back to it.
std::string UnreadableStepName, UnreadableStepKept;

namespace {

bool endsWithNoCase(const std::string& name, const std::string& ending) {
    if (name.size() < ending.size()) return false;
    return std::equal(ending.begin(), ending.end(), name.end() - static_cast<long>(ending.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                  std::tolower(static_cast<unsigned char>(b)); });
}

void forgetUnreadableStep() {
    UnreadableStepName.clear();
    UnreadableStepKept.clear();
}

}  // namespace

bool listFolderFiles(const std::string& folder, const std::string& extension, std::vector<std::string>& files,
                     std::string& reason) {
    files.clear();
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) {
        reason = ec.message();
        return false;
    }
    for (std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        std::string name = it->path().filename().string();
        if (extension.empty() || endsWithNoCase(name, extension)) files.push_back(std::move(name));
    }
    std::sort(files.begin(), files.end());
    return true;
}

bool programList(const std::string& folder, std::vector<std::string>& files, std::string& reason) {
    return listFolderFiles(folder, ".prg", files, reason);
}

std::string programNameFromPath(const std::string& path) {
    std::string name = path.size() >= 4 ? path.substr(0, path.size() - 4) : std::string();
    const size_t split = lastPathSplit(name);
    return split == std::string::npos ? name : name.substr(split + 1);
}

std::string fileNameOfPath(const std::string& path) {
    const size_t split = lastPathSplit(path);
    return split == std::string::npos ? path : path.substr(split + 1);
}

void nameProgramAfterFile(const std::string& path) {
    CurrentProgramName = programNameFromPath(path);
    CurrentProgramFile = fileNameOfPath(path);
    CurrentProgramFilePath = path;
}

int programNumberFromName(const std::string& name) {
    // The first two characters read as a number the way a numeric conversion of text does:
    // blanks skipped, leading digits taken, the first other character ends it. The result is
    // held in one byte.
    const float value = leadingNumber(trimBlanks(name.substr(0, 2)));
    const long whole = static_cast<long>(value);
    return static_cast<int>(static_cast<uint8_t>(whole));
}

void askFile(FileDialogKind kind, const std::string& title, const std::string& filter, std::string& folder,
             std::string& path, bool& ok, const std::string& initialName) {
    endMorph();  // a dialog ends Morph: its keys and controller are not the dialog's
    closeMidiDevices();
    const DialogAnswer answer = fileDialog(kind, title, folder, filter, initialName);
    holdMidiInput();
    openMidiDevices();

    ok = false;
    const std::string result = answer.outcome == DialogOutcome::Chosen ? answer.path : std::string();
    // A cancelled dialog has always come back as an empty text, a bare separator or "0", and
    // every answer of these three is taken as cancelled (a file named just "0" is never chosen).
    if (!result.empty() && result != std::string(1, pathSeparator()) && result != "0") {
        ok = true;
        // A name that is only an extension (nothing between the folder and the dot) is no name.
        const size_t dot = extensionDot(result);
        if (dot != std::string::npos && dot >= 1 && isPathSplit(result[dot - 1])) ok = false;
        path = result;
        const size_t split = lastPathSplit(result);
        if (split != std::string::npos) folder = result.substr(0, split);
    }
    // The click that closed the dialog must not reach the panel.
    while (mouseButtons() != 0) takeEvent();
}

std::string offeredFileName(const std::string& extension) {
    if (CurrentProgramName.empty()) return {};
    // The program's own file while it still goes by it (its name as it was written, "07
    // Lead.PRG" too); otherwise its name with the extension.
    if (programNameFromPath(CurrentProgramFile) == CurrentProgramName && endsWithNoCase(CurrentProgramFile, extension))
        return CurrentProgramFile;
    return fileNameOfPath(CurrentProgramName) + extension;
}

void askSaveFile(const std::string& title, const std::string& filter, const std::string& initialName,
                 ChosenFileUse use, std::string& folder, std::string& path, bool& ok) {
    std::string chosenFolder = folder, chosen = path;
    askFile(FileDialogKind::Save, title, filter, chosenFolder, chosen, ok, initialName);
    if (ok) {
        const std::string extension = filter.size() > 1 && filter[0] == '*' ? filter.substr(1) : std::string();
        std::error_code ec;
        const auto status = std::filesystem::status(chosen, ec);
        // A file to be read that exists as typed is the one meant, extension or not.
        const bool takenAsTyped = use == ChosenFileUse::Read && std::filesystem::exists(status);
        if (extensionDot(chosen) == std::string::npos && !takenAsTyped) chosen += extension;
        if (use == ChosenFileUse::Written && !mayReplace(chosen)) {
            ok = false;  // as if cancelled: the folder and the path stay as they were
            return;
        }
    }
    folder = chosenFolder;
    path = chosen;
}

bool mayReplace(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    // Nothing there, or a folder (the writer names it and writes nothing): nothing to replace.
    if (!std::filesystem::exists(status) || std::filesystem::is_directory(status)) return true;
    return askChoice(" Replace " + fileNameOfPath(path) + "?", " 1:Replace", " 2:Cancel") == 1;
}

bool numberedFiles(const std::string& folder, NumberedFiles& files) {
    files = NumberedFiles{};
    std::vector<std::string> listing;
    std::string reason;
    // A folder that is gone (a stick no longer plugged in) or holds nothing to send must be
    // said plainly: otherwise every location is a hole and the run ends having sent nothing.
    if (!listFolderFiles(folder, "", listing, reason)) {
        showMessage(" Cannot read the folder!", "  " + folder + ": " + reason);
        return false;
    }
    for (std::string& name : listing) {
        // The editor's own SysEx exports ("02 Foo.syx") may lie beside the programs: they
        // are none of them, and claim no location.
        if (endsWithNoCase(name, ".syx")) continue;
        const int location = programNumberFromName(name);
        if (location < 1 || location > 99) continue;
        ++files.counts[location];
        files.names.push_back(std::move(name));
    }
    if (files.names.empty()) {
        showMessage(" No program files in this folder!", "  " + folder);
        return false;
    }
    for (int location = 1; location <= 99; ++location) {
        if (files.counts[location] > 1) {
            showMessage(" Multiple files assigned to location: " + std::to_string(location), " Please resolve it!");
            return false;
        }
    }
    return true;
}

void resetLibraryState() {
    CurrentProgramFile.clear();
    CurrentProgramFilePath.clear();
    forgetUnreadableStep();
}

bool loadProgramFile(const std::string& path, WhenRefused whenRefused) {
    endMorph();  // what Morph shows stays in the history, as its own change
    const ProgramSnapshot before = currentState();
    const bool named = whenRefused == WhenRefused::SayAndKeep;
    if (!(named ? readNamedProgramFile(path) : readProgramFile(path))) {
        // The reader has said why; the panel keeps its program.
        if (whenRefused == WhenRefused::SendPanelAgain) sendLoadedProgram();
        return false;
    }
    nameProgramAfterFile(path);
    showProgramInCaption(CurrentProgramName);
    sendLoadedProgram();
    recordChange(before);
    setCompareReference();
    noteLibraryChange(LibraryChange::CurrentProgram);
    return true;
}

bool loadNamedProgram(const std::string& path) { return loadProgramFile(path, WhenRefused::SayAndKeep); }

void stepProgram(int step) {
    std::vector<std::string> files;
    std::string reason;
    if (!programList(DataDirectory, files, reason)) {
        showMessage("  " + DataDirectory, "  " + reason);
        return;
    }
    if (files.empty()) {
        showMessage(" No program files in this folder!", "  " + DataDirectory);
        return;
    }
    // The list position by the whole file name: a file named only ".prg", or "02 Pad.PRG"
    // beside "02 Pad.prg", is one step of its own. When the program no longer goes by its
    // file (an undo brought back another name), the name is looked up instead.
    const bool pastUnreadable = !UnreadableStepName.empty() && UnreadableStepKept == CurrentProgramName;
    const bool byFile = !CurrentProgramFile.empty() && programNameFromPath(CurrentProgramFile) == CurrentProgramName;
    auto current = files.end();
    if (pastUnreadable || byFile) {
        current = std::find(files.begin(), files.end(), pastUnreadable ? UnreadableStepName : CurrentProgramFile);
    } else if (!CurrentProgramName.empty()) {
        current = std::find_if(files.begin(), files.end(),
                               [](const std::string& f) { return programNameFromPath(f) == CurrentProgramName; });
    }
    long index = 0;
    if (current == files.end()) {
        index = step > 0 ? 0 : static_cast<long>(files.size()) - 1;
    } else {
        index = (current - files.begin()) + step;
        if (index < 0 || index >= static_cast<long>(files.size())) return;  // at the end: nothing
    }
    const std::string path = joinPath(DataDirectory, files[static_cast<size_t>(index)]);
    if (loadNamedProgram(path)) {
        forgetUnreadableStep();
    } else {
        UnreadableStepName = fileNameOfPath(path);
        UnreadableStepKept = CurrentProgramName;
    }
}
