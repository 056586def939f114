// sysexfile.h - programs as the unit's own write requests: building one, and .syx files that
// hold them back to back, as the SysEx tools musicians use keep them.
//
// Globals:
//   SysExFolder  where the last export or import dialog was answered (empty: DataDirectory)
//
// writeRequestFor(location, count): the write request for ProgramValues[0 .. count-1] (at
//   most as many as there are) to a location: F0 00 21 11 03 20 00 location, one wire byte
//   per parameter (the value shifted by a negative minimum, held in 0..127), the sum of the
//   data bytes as two bytes, F7.
// requestDataBytes(request): the data bytes of a write request (empty for a shorter message).
// findProgramRequests(bytes, count): every program write request in the bytes with a correct
//   checksum, a location 1..99 and `count` data bytes; a message that begins like a write
//   request but is not a good one (truncated, another length, a wrong sum, another location)
//   is counted as refused; other messages and bytes outside messages are skipped.
// importedProgramPath(folder, location, next): the first free name from number `next` on:
//   "NN Imported.prg" (1) in the folder, or "NN Imported 2.prg", 3, ... past every file (or
//   link) of that name there already; `next` is left past the name given. Empty when none
//   up to 100000 is free.
// exportProgramCommand(): "E&xport Program as SysEx" (2104): a save dialog "Export Program"
//   (*.syx); the location from the chosen name as a write takes it ("Program Name does not
//   determine Program Number!"); the file holds the write request of the panel's program.
// exportAllProgramsCommand(): "Export &All Programs as SysEx" (2105): the numbered files of
//   DataDirectory as the batch write lists them (its duplicate check; holes are not filled),
//   then a save dialog "Export All Programs" (*.syx): the file holds their write requests in
//   location order. The panel keeps its program.
// importSysExCommand(): "&Import SysEx" (2106): an open dialog "Import SysEx" (*.syx); every
//   good write request becomes a program file in the .syx file's folder (never over an
//   existing file); " Programs imported: N, refused: M" (M: not good program writes), and
//   ", not written: K" after it for good ones that were not written (at most 990 files per
//   import, said on the second line; no free name or a file that could not be written, said
//   before). One imported program is also loaded into the panel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int CommandExportProgram = 2104;
constexpr int CommandExportAllPrograms = 2105;
constexpr int CommandImportSysEx = 2106;

extern std::string SysExFolder;  // where the last .syx dialog was answered (empty: DataDirectory)

struct FoundRequest {
    int location = 0;
    std::vector<uint8_t> data;  // the wire bytes, parameter 0 first
};

struct FoundRequests {
    std::vector<FoundRequest> programs;
    int refused = 0;
};

void resetSysExFileState();
std::vector<uint8_t> writeRequestFor(int location, int count);
std::vector<uint8_t> requestDataBytes(const std::vector<uint8_t>& request);
FoundRequests findProgramRequests(const std::vector<uint8_t>& bytes, size_t count);
std::string importedProgramPath(const std::string& folder, int location, int& next);
void exportProgramCommand();
void exportAllProgramsCommand();
void importSysExCommand();
