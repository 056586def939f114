// catalog.h - the library: every program file (*.prg, the extension in any case) under the
// library folder, each with the sound it holds, and the marks (favourite, hidden, tags) the
// user gave sounds, kept in KtLibrary.txt.
//
// LibraryFolder: the folder scanned ("library = PATH" of the options; empty: StartDirectory).
// Catalog: the programs found, in path order (byte-wise after folding ASCII letters to lower
//   case). A program's path is relative to the library folder with "/" between folders.
//   Subfolders are scanned at most 8 deep; links (to files or folders) are skipped.
// CatalogUnreadable: how many .prg files the last read could not take (not a regular file,
//   unreadable, too large, or not a whole program); they are not listed.
// CatalogCut: the last read stopped early: at most 100,000 programs are listed, and at most
//   1,000,000 entries of folders looked at (a subfolder that cannot be listed is skipped).
//
// readCatalog(reason): reads the folder again, taking each file's sound from the index
//   (KtLibrary.idx beside KtLibrary.txt: a cache, rebuilt when missing or damaged) when the
//   file's size and time are the ones the index has, else from the file; writes the index
//   when it changed. False with a reason when the library folder cannot be listed (Catalog
//   empty then). Never shows a message and never waits for anything but the files. The index
//   also names the library folder and the declared ranges it was made under; another folder
//   or declaration starts it anew.
// programToWire(values): the 104 bytes a write request carries for these program values
//   (each clamped into its pot's range under the program's effect type, then shifted by its
//   negative minimum); nothing of the panel changes.
// soundOfValues(values): the 64-bit FNV-1a hash of programToWire(values).
// soundText(sound): 16 upper-case hex digits.
// readProgramValuesQuietly(path, values): a program file's values as readProgramFile would
//   take them, without a message and without touching the panel; false when the file is not a
//   regular file, cannot be read, is larger than a data file may be, or holds too few values.
//
// Marks (KtLibrary.txt in StartDirectory: one line per sound with a mark or a tag,
//   "HASH<TAB>FLAGS<TAB>TAGS", FLAGS "F", "H", "FH" or "-", tags blank-separated; CR LF; lines
//   in hash order; a line that cannot be read is ignored):
// readMarks(): reads the file (missing: no marks). Bounded like every data file.
// marksOf(sound): the sound's marks (none: a default SoundMarks).
// setMarks(sound, marks): changes them and writes the file safely (a sound left without a mark
//   loses its line; the file stays, empty if need be). False when the file cannot be written;
//   the marks are kept for the run all the same, and the caller says it once (MarksWarned).
//   A KtLibrary.txt that is there but could not be read (too large, unreadable, not a file) is
//   never overwritten (false), nor is one written that would be too large to read back.
// cleanTags(text): the tags typed: words folded to lower case, characters outside a-z 0-9 -
//   dropped, empty words and repeats left out, each cut to 24 characters, at most 16.
//
// filterCatalog(filter): the indices into Catalog of the rows the filter lets through, in
//   Catalog order: every blank-separated word must match; a word matches a program whose name
//   (file name without ".prg") contains it, letters compared without case, or that has a tag
//   equal to it; "*" matches favourites; hidden programs only when a word is "!".
// duplicateLines(): the "Duplicates" text: one line per sound held by two or more programs,
//   "N x  PATH | PATH | ..." (paths in Catalog order), groups in the order of their first path;
//   {" No duplicates."} when there are none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr size_t MaxTagLength = 24;  // characters of a tag
constexpr size_t MaxTags = 16;       // tags of a sound

struct CatalogEntry {
    std::string path;    // relative to the library folder, "/" between folders, extension kept
    std::string name;    // the file name without its extension (what the filter searches)
    uint64_t sound = 0;  // soundOfValues of the file's program
    uint32_t crc = 0;    // crc32Of(programToWire(...)): what KtUnit.map records for it
};

struct SoundMarks {
    bool favourite = false;
    bool hidden = false;
    std::vector<std::string> tags;
    bool empty() const { return !favourite && !hidden && tags.empty(); }
};

extern std::string LibraryFolder;         // the folder scanned (empty: StartDirectory)
extern std::vector<CatalogEntry> Catalog;  // the programs found, in path order
extern int CatalogUnreadable;             // .prg files the last read could not take
extern bool CatalogCut;                   // the last read stopped at one of its bounds
extern bool MarksWarned;                  // the user heard KtLibrary.txt could not be written

std::string libraryFolder();  // LibraryFolder, or StartDirectory when it is empty
bool readCatalog(std::string& reason);
std::vector<uint8_t> programToWire(const std::vector<int16_t>& values);
uint64_t soundOfValues(const std::vector<int16_t>& values);
std::string soundText(uint64_t sound);
bool readProgramValuesQuietly(const std::string& path, std::vector<int16_t>& values);

void readMarks();
SoundMarks marksOf(uint64_t sound);
bool setMarks(uint64_t sound, const SoundMarks& marks);
std::vector<std::string> cleanTags(const std::string& text);

std::vector<size_t> filterCatalog(const std::string& filter);
std::vector<std::string> duplicateLines();

void resetCatalogState();
