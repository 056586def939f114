#include "editor/library/unitmemory.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor/declaration/identity.h"
#include "editor/library/librarywindow.h"
#include "editor/program/program.h"
#include "platform/clock.h"
#include "platform/textview.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/pathfile.h"
#include "shared/datafile/textfile.h"
#include "shared/message/message.h"

std::array<UnitLocation, 100> UnitMemory;
bool UnitMemoryWarned = false;
// The file was said to be too large and has not been written since: it is not read (nor
// said) again, so a batch hears it once, before its first write.
bool UnitMemoryTooLargeSaid = false;

namespace {

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// One line of the file; false when it is not a line this editor writes.
bool parseLine(const std::string& line, int& location, UnitLocation& entry) {
    // NN \t CCCCCCCC \t YYYY-MM-DD HH:MM:SS \t NAME
    if (line.size() < 2 + 1 + 8 + 1 + 19 + 1) return false;
    if (line[0] < '0' || line[0] > '9' || line[1] < '0' || line[1] > '9' || line[2] != '\t') return false;
    location = (line[0] - '0') * 10 + (line[1] - '0');
    if (location < 1 || location > 99) return false;
    for (int i = 3; i < 11; ++i) {
        if (!isHex(line[static_cast<size_t>(i)])) return false;
    }
    if (line[11] != '\t' || line[31] != '\t') return false;
    const std::string time = line.substr(12, 19);
    static const char Shape[] = "dddd-dd-dd dd:dd:dd";
    for (size_t i = 0; i < 19; ++i) {
        const bool digit = time[i] >= '0' && time[i] <= '9';
        if (Shape[i] == 'd' ? !digit : time[i] != Shape[i]) return false;
    }
    const std::string name = line.substr(32);
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;  // a binary line
    }
    entry.known = true;
    entry.crc = static_cast<uint32_t>(std::stoul(line.substr(3, 8), nullptr, 16));
    entry.time = time;
    entry.name = name;
    return true;
}

bool writeUnitMemory(std::string& reason) {
    std::vector<std::string> lines;
    for (int location = 1; location <= 99; ++location) {
        const UnitLocation& e = UnitMemory[static_cast<size_t>(location)];
        if (!e.known) continue;
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08X", static_cast<unsigned>(e.crc));
        lines.push_back(locationText(location) + "\t" + crc + "\t" + e.time + "\t" + e.name);
    }
    if (!writeTextFile(unitMemoryPath(), lines, reason)) return false;
    UnitMemoryTooLargeSaid = false;  // the file is this editor's record again
    return true;
}

}  // namespace

void resetUnitMemoryState() {
    UnitMemory.fill(UnitLocation{});
    UnitMemoryWarned = false;
    UnitMemoryTooLargeSaid = false;
}

std::string unitMemoryPath() { return joinPath(StartDirectory, "KtUnit.map"); }

void readUnitMemory() {
    UnitMemory.fill(UnitLocation{});
    std::error_code ec;
    const std::string path = unitMemoryPath();
    // The record is a few kilobytes; a huge file is said (by its size, once) and not read. The
    // next write replaces it with a record of this editor.
    if (UnitMemoryTooLargeSaid || !std::filesystem::is_regular_file(path, ec) || ec) return;
    if (refuseOversizedFile(path)) {
        UnitMemoryTooLargeSaid = true;
        return;
    }
    std::string contents, why;
    if (!readWholeFile(path, MaxDataFileBytes, contents, why)) return;
    std::istringstream in(contents);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        int location = 0;
        UnitLocation entry;
        if (parseLine(line, location, entry)) UnitMemory[static_cast<size_t>(location)] = entry;
    }
}

void noteProgramWritten(int location, const std::vector<uint8_t>& dataBytes, const std::string& name) {
    if (location < 1 || location > 99) return;
    readUnitMemory();  // another editor (or an earlier run) may have written meanwhile
    UnitLocation& e = UnitMemory[static_cast<size_t>(location)];
    e.known = true;
    e.crc = crc32Of(dataBytes);
    e.time = localTimeText();
    // A file name may hold a tab or a line end; the record's line must stay one line.
    e.name = name;
    for (char& c : e.name) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    noteLibraryChange(LibraryChange::Record);
    std::string reason;
    if (!writeUnitMemory(reason) && !UnitMemoryWarned) {
        UnitMemoryWarned = true;
        showMessage(" The record of the unit's memory cannot be kept:", "  " + unitMemoryPath() + ": " + reason);
    }
}

bool unitHolds(int location, const std::vector<uint8_t>& dataBytes) {
    if (location < 1 || location > 99) return false;
    const UnitLocation& e = UnitMemory[static_cast<size_t>(location)];
    return e.known && e.crc == crc32Of(dataBytes);
}

void showUnitMemory() {
    readUnitMemory();
    std::vector<std::string> lines;
    for (int location = 1; location <= 99; ++location) {
        const UnitLocation& e = UnitMemory[static_cast<size_t>(location)];
        lines.push_back(e.known ? locationText(location) + "  " + e.name + "  " + e.time : locationText(location) + "  -");
    }
    showTextView("Unit Memory", lines);
}

void forgetUnitMemoryCommand() {
    if (askChoice(" Forget what the unit holds?", " 1:Forget", " 2:Keep") != 1) return;
    std::error_code ec;
    const std::string path = unitMemoryPath();
    std::filesystem::remove(path, ec);  // no file is nothing to forget, not an error
    if (ec) {
        // The record stays as the file keeps it (a read-only start folder, a locked file).
        showMessage("  " + path, "  not deleted: " + ec.message());
        return;
    }
    UnitMemory.fill(UnitLocation{});
    noteLibraryChange(LibraryChange::Record);
}

uint32_t crc32Of(const std::vector<uint8_t>& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}
