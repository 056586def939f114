// textfile.h - opening the programs' files for reading, writing their small text files
// safely, and the number form they use.
//
// openFileForReading(path, why): path opened for reading its bytes ("rb"), when it is a regular
//   file (a symbolic link to one counts). Nothing else is read from or waited for: for a
//   folder, a FIFO, a device or a socket the result is nullptr and why what it is ("is a
//   folder, not a file", see notAFileText); for a file that cannot be opened, nullptr and
//   "cannot be read (<the system's reason>)". The kind is told from the opened file itself
//   (opened without waiting, then asked), so nothing put there between a check and the open
//   is read. Every reader of the programs opens its files through this; callers that handle
//   a missing file their own way test for it first. The caller closes the file (std::fclose).
// readWholeFile(path, limit, bytes, why): all bytes of the regular file at path, opened with
//   openFileForReading, when it ends within limit bytes (no more than limit + 1 are ever
//   read). false with why otherwise: the open's reason, "cannot be read (<reason>)", or
//   "is larger than <limit> bytes"; bytes then holds what was read.
// notAFileText(type): what a reader or writer says of something that is not a regular file:
//   "is a folder, not a file", "is a pipe (FIFO), not a file", "is a device, not a file",
//   "is a socket, not a file", else "is not a regular file".
//
// writeFileSafely(path, contents, error): writes the bytes first into a temporary file
//   ("<file>.new~") in the file's folder, then renames it over the file. A failure or a crash
//   in the middle therefore never destroys the previous file. The temporary file is always
//   created new: when something (a file left by a crash, a link, a FIFO) already has the
//   name, "<file>.new1~" .. "<file>.new99~" are tried, and what stands there is never opened,
//   followed or changed. What the user set on the file is kept:
//   - a write-protected file (no write bit at all, or one this process may not write) is not
//     touched: false with "the file is write-protected";
//   - a symbolic link is followed to its final target, which is written (temporary file beside
//     the target); the link stays a link. A link to nothing or a loop of links fails;
//   - the old file's mode, and its owner and group where the process may set them, go to the
//     new file;
//   - a file with several hard links is overwritten in place once the temporary file holds the
//     complete new contents, so that all names keep sharing it; the temporary file is then
//     removed, or kept and named in error when overwriting fails.
//   A missing file is created with the mode the umask gives. Returns false with the reason in
//   error; the temporary file is removed then (except in the hard-link case above).
// writeFileSafelyOrSay(path, contents): the same; a failure is shown in a message window
//   naming the file and the reason ("  <path>" / "  not written: <reason>").
// textFileContents(lines): the lines, each ended by CR LF.
// writeTextFile(path, lines, error) / writeTextFileOrSay(path, lines): the lines written so.
// formatNumber(n): the number form of every file of the editor and of the knob numbers: a
//   non-negative number with one leading blank (" 64"), a negative one with its minus sign
//   ("-20").
// padToColumn(text, column): text with blanks appended so that the next item starts in that
//   column (counted from 0); text already reaching it is left as it is.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

std::FILE* openFileForReading(const std::string& path, std::string& why);
bool readWholeFile(const std::string& path, std::uintmax_t limit, std::string& bytes, std::string& why);
std::string notAFileText(std::filesystem::file_type type);

bool writeFileSafely(const std::string& path, const std::string& contents, std::string& error);
bool writeFileSafelyOrSay(const std::string& path, const std::string& contents);
std::string textFileContents(const std::vector<std::string>& lines);
bool writeTextFile(const std::string& path, const std::vector<std::string>& lines, std::string& error);
bool writeTextFileOrSay(const std::string& path, const std::vector<std::string>& lines);
std::string formatNumber(long n);
void padToColumn(std::string& text, size_t column);

// Test hook: when set, called with the temporary file's path once it holds the complete new
// contents, before it replaces the file or is copied over it. Lets a test see where the
// temporary file was made and change the file system at that moment. Nothing else sets it.
extern void (*textFileTemporaryWritten)(const std::string& temporary);

// The initial state: no test hook.
void resetTextFileState();
