// unitmemory.h - what this editor last wrote into each of the unit's 99 program locations.
// The unit cannot send its programs back, so the editor keeps its own record: the file
// KtUnit.map in the start directory, one line per known location
//   NN<TAB>CCCCCCCC<TAB>YYYY-MM-DD HH:MM:SS<TAB>NAME
// (the location in two digits, the CRC-32 of the 104 data bytes written, in upper-case hex,
// the local time, the program's name), lines in location order, CR LF, written safely. A
// line that cannot be read is ignored (and dropped at the next write); a missing file is an
// empty memory.
//
// Globals:
//   UnitMemory          the record, indexed by location (0 unused); `known` false: unknown
//   UnitMemoryWarned    the user was told once that the record could not be kept
//   UnitMemoryTooLargeSaid  the file was said to be too large and not written since (it is
//                       neither read nor said again until a write replaces it)
//
// unitMemoryPath(): StartDirectory + separator + "KtUnit.map".
// readUnitMemory(): the record from the file (what it cannot read stays unknown); a file
//   above 1 MiB is said once (its size) and read as an empty record until a write replaces it.
//   A batch reads it before its first write, so that is where it is said.
// noteProgramWritten(location, dataBytes, name): after the unit acknowledged a write: the
//   location's line set and the file written; a failed write of the file is reported once
//   per run (the write to the unit still counts).
// unitHolds(location, dataBytes): true when the record says the location holds these bytes.
// showUnitMemory(): the text view "Unit Memory", one line per location 1..99:
//   "NN  NAME  YYYY-MM-DD HH:MM:SS" for a known location, "NN  -" for an unknown one.
// forgetUnitMemoryCommand(): asks " Forget what the unit holds?" (" 1:Forget", " 2:Keep");
//   1 deletes the file and empties the record; a file that cannot be deleted is said
//   ("  PATH" / "  not deleted: REASON") and the record kept.
// crc32Of(bytes): the CRC-32 zlib computes (reflected polynomial EDB88320).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr int CommandShowUnitMemory = 2107;
constexpr int CommandForgetUnitMemory = 2108;

struct UnitLocation {
    bool known = false;
    uint32_t crc = 0;
    std::string time;
    std::string name;
};

extern std::array<UnitLocation, 100> UnitMemory;  // by location; 0 unused
extern bool UnitMemoryWarned;                     // the user heard the record could not be kept
extern bool UnitMemoryTooLargeSaid;               // the file was said too large, not written since

void resetUnitMemoryState();
std::string unitMemoryPath();
void readUnitMemory();
void noteProgramWritten(int location, const std::vector<uint8_t>& dataBytes, const std::string& name);
bool unitHolds(int location, const std::vector<uint8_t>& dataBytes);
void showUnitMemory();
void forgetUnitMemoryCommand();
uint32_t crc32Of(const std::vector<uint8_t>& bytes);
