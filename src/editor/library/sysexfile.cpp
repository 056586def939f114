#include "editor/library/sysexfile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "editor/declaration/declaration.h"
#include "editor/declaration/identity.h"
#include "editor/library/library.h"
#include "editor/library/librarywindow.h"
#include "editor/panel/layout.h"
#include "editor/panel/statusline.h"
#include "editor/preset/effects.h"
#include "editor/preset/programfile.h"
#include "editor/program/history.h"
#include "editor/program/program.h"
#include "shared/datafile/pathfile.h"
#include "shared/datafile/textfile.h"
#include "shared/message/message.h"
#include "shared/midi/protocol.h"
#include "shared/midi/sysex.h"

std::string SysExFolder;

namespace {

// A .syx file of ten full banks is about 110 KB; anything past this is no program file.
constexpr std::uintmax_t MaxSysExFileBytes = 16 * 1024 * 1024;
// One import makes at most this many program files (ten times the unit's memory); further
// requests are refused.
constexpr int MaxImportedPrograms = 990;
// The highest number a name "NN Imported N.prg" is given.
constexpr int MaxImportNameNumber = 100000;

// F0 00 21 11 03 20: the head of a program write request.
bool beginsLikeWriteRequest(const std::vector<uint8_t>& m) {
    const std::vector<uint8_t> head = protocol::header(protocol::ProgramPart, protocol::WriteProgram);
    return m.size() >= head.size() && std::equal(head.begin(), head.end(), m.begin());
}

bool isGoodWriteRequest(const std::vector<uint8_t>& m, size_t count) {
    if (m.size() != count + protocol::ProgramWriteLength - protocol::ProgramDataBytes) return false;
    if (m.back() != protocol::SysExEnd || m[6] != 0x00 || m[7] < 1 || m[7] > 99) return false;
    uint8_t high = 0, low = 0;
    sysExChecksum(m.data() + protocol::ProgramDataOffset, count, high, low);
    return m[m.size() - 3] == high && m[m.size() - 2] == low;
}

std::string dialogFolder() { return SysExFolder.empty() ? DataDirectory : SysExFolder; }

// The location a .syx file's name gives: its first two characters, read as a write reads a
// program's name; 0 (after the write's message) when they give none. Only the file's own
// name counts: "12 Banks/07" goes to 7, not to the 12 of its folder.
int locationOfFileName(const std::string& path) {
    const int location = programNumberFromName(fileNameOfPath(path));
    if (location >= 1 && location <= 99) return location;
    showMessage("Program Name does not determine Program Number!", "");
    return 0;
}

bool askImportFile(const std::string& title, std::string& path) {
    std::string folder = dialogFolder();
    bool ok = false;
    askFile(FileDialogKind::Open, title, "*.syx", folder, path, ok);
    if (ok) SysExFolder = folder;
    return ok;
}

// An export's file, by the save dialogs' rule: starting with initialName, ".syx" added to a
// name without extension, an existing file replaced only when the user says so.
bool askExportFile(const std::string& title, const std::string& initialName, std::string& path) {
    std::string folder = dialogFolder();
    bool ok = false;
    askSaveFile(title, "*.syx", initialName, ChosenFileUse::Written, folder, path, ok);
    if (ok) SysExFolder = folder;
    return ok;
}

std::string asText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The whole file, when it is a regular file of a size a .syx file can have; else a message.
bool readSysExFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::error_code ec;
    const bool regular = std::filesystem::is_regular_file(path, ec);
    const std::uintmax_t size = regular ? std::filesystem::file_size(path, ec) : 0;
    if (ec) {  // a folder or a FIFO is named as such by the read below
        showMessage("  " + path, "  cannot be read");
        return false;
    }
    if (size > MaxSysExFileBytes) {
        showMessage("  " + path, "  is too large for a SysEx file of programs");
        return false;
    }
    std::string contents, why;
    const bool read = readWholeFile(path, MaxSysExFileBytes, contents, why);
    bytes.assign(contents.begin(), contents.end());
    if (!read || bytes.size() != size) {
        showMessage("  " + path, "  " + (read ? "cannot be read" : why));
        return false;
    }
    return true;
}

}  // namespace

void resetSysExFileState() { SysExFolder.clear(); }

std::vector<uint8_t> writeRequestFor(int location, int count) {
    count = std::clamp<int>(count, 0, static_cast<int>(ProgramValues.size()));
    std::vector<uint8_t> request = protocol::header(protocol::ProgramPart, protocol::WriteProgram);
    request.reserve(static_cast<size_t>(count) + protocol::ProgramWriteLength - protocol::ProgramDataBytes);
    request.push_back(0x00);
    request.push_back(static_cast<uint8_t>(location));
    for (int i = 0; i < count; ++i) {
        request.push_back(wireByte(ProgramValues[i], ParameterMin[i]));
    }
    uint8_t high = 0, low = 0;
    sysExChecksum(request.data() + protocol::ProgramDataOffset, static_cast<size_t>(count), high, low);
    request.push_back(high);
    request.push_back(low);
    request.push_back(protocol::SysExEnd);
    return request;
}

std::vector<uint8_t> requestDataBytes(const std::vector<uint8_t>& request) {
    if (request.size() < protocol::ProgramDataOffset + 3) return {};
    return std::vector<uint8_t>(request.begin() + protocol::ProgramDataOffset, request.end() - 3);
}

FoundRequests findProgramRequests(const std::vector<uint8_t>& bytes, size_t count) {
    FoundRequests found;
    std::vector<uint8_t> message;
    bool inMessage = false;
    const auto endMessage = [&]() {
        if (beginsLikeWriteRequest(message)) {
            if (isGoodWriteRequest(message, count)) {
                FoundRequest r;
                r.location = message[7];
                r.data.assign(message.begin() + protocol::ProgramDataOffset, message.end() - 3);
                found.programs.push_back(std::move(r));
            } else {
                ++found.refused;
            }
        }
        message.clear();
        inMessage = false;
    };
    for (uint8_t b : bytes) {
        if (b >= 0xF8) continue;  // real-time bytes may stand anywhere, even inside a message
        if (b == protocol::SysExBegin) {
            if (inMessage) endMessage();  // the one before was cut short
            inMessage = true;
            message.push_back(b);
        } else if (!inMessage) {
            continue;  // bytes outside a system-exclusive message
        } else if (b == protocol::SysExEnd) {
            message.push_back(b);
            endMessage();
        } else if (b >= 0x80) {
            endMessage();  // another status byte ends the message before its F7
        } else if (message.size() <= count + protocol::ProgramWriteLength) {
            message.push_back(b);  // a longer message is no program's; its length alone refuses it
        }
    }
    if (inMessage) endMessage();
    return found;
}

std::string importedProgramPath(const std::string& folder, int location, int& next) {
    const std::string number = (location < 10 ? "0" : "") + std::to_string(location);
    for (; next <= MaxImportNameNumber; ++next) {
        const int n = next;
        const std::string name = number + " Imported" + (n == 1 ? std::string() : " " + std::to_string(n)) + ".prg";
        const std::string path = joinPath(folder, name);
        std::error_code ec;
        // symlink_status: a link that points nowhere still takes the name.
        const auto status = std::filesystem::symlink_status(path, ec);
        if (ec && ec != std::errc::no_such_file_or_directory) continue;
        if (!std::filesystem::exists(status)) {
            ++next;
            return path;
        }
    }
    return {};
}

void exportProgramCommand() {
    std::string path;
    if (!askExportFile("Export Program", offeredFileName(".syx"), path)) return;
    const int location = locationOfFileName(path);
    if (location == 0) return;
    if (writeFileSafelyOrSay(path, asText(writeRequestFor(location, ParameterCount)))) {
        showStatusResult("Exported " + countText(1, "program"));
    }
}

void exportAllProgramsCommand() {
    NumberedFiles files;
    if (!numberedFiles(DataDirectory, files)) return;
    std::vector<std::string> names = files.names;
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return programNumberFromName(a) < programNumberFromName(b);
    });
    // Each file is read as a write reads it, so the requests are those a write would send,
    // and a file a write refuses (one whose reading reported anything) is refused here the
    // same way; the panel's program is put back afterwards.
    const ProgramSnapshot panel = currentState();
    std::string contents;
    bool readAll = true;
    for (const std::string& name : names) {
        const std::string file = joinPath(DataDirectory, name);
        if (!readNamedProgramFile(file) || !programFitForUnit(file)) {
            readAll = false;  // said; nothing is exported
            break;
        }
        contents += asText(writeRequestFor(programNumberFromName(name), ProgramValueCount));
    }
    restoreProgramState(panel);
    if (!readAll) return;
    std::string path;
    // Many programs in one file: no program's name is offered.
    if (!askExportFile("Export All Programs", "", path)) return;
    if (writeFileSafelyOrSay(path, contents)) {
        showStatusResult("Exported " + countText(static_cast<int>(names.size()), "program"));
    }
}

void importSysExCommand() {
    std::string path;
    if (!askImportFile("Import SysEx", path)) return;
    std::vector<uint8_t> bytes;
    if (!readSysExFile(path, bytes)) return;
    const FoundRequests found = findProgramRequests(bytes, static_cast<size_t>(ParameterCount));
    const size_t split = lastPathSplit(path);
    const std::string folder = split == std::string::npos ? std::string(".") : path.substr(0, split);

    // Within one import the free names of a location are searched from where the last one
    // was found, so each name is tried once, however many programs go to one location.
    int nextName[100];
    std::fill(std::begin(nextName), std::end(nextName), 1);
    int imported = 0, notWritten = 0;
    std::string lastPath;
    bool stopped = false;
    for (const FoundRequest& r : found.programs) {
        if (stopped || imported >= MaxImportedPrograms) {
            ++notWritten;
            continue;
        }
        const std::string target = importedProgramPath(folder, r.location, nextName[r.location]);
        std::string reason = "no free name";
        if (target.empty() || !writeTextFile(target, programFileLines(programFromWire(r.data)), reason)) {
            showMessage("  " + (target.empty() ? folder : target), "  not written: " + reason);
            stopped = true;  // the folder takes no more files; the rest are not imported
            ++notWritten;
            continue;
        }
        ++imported;
        lastPath = target;
    }
    // Refused: not a good program write; not written: a good one that found no room (the
    // limit, no free name, a file that could not be written, said above).
    std::string counts =
        " Programs imported: " + std::to_string(imported) + ", refused: " + std::to_string(found.refused);
    if (notWritten > 0) counts += ", not written: " + std::to_string(notWritten);
    const bool limited = !stopped && notWritten > 0;
    showMessage(counts, limited ? "  An import makes at most " + std::to_string(MaxImportedPrograms) + " program files."
                                : std::string());
    if (imported > 0) noteLibraryChange(LibraryChange::Folder);
    if (imported > 0) showStatusResult("Imported " + countText(imported, "program"));
    if (imported == 1) loadNamedProgram(lastPath);
}
