// textfile.h - writing the programs' small text files safely, and the number form they use.
//
// writeFileSafely(path, contents, error): writes the bytes first into a temporary file in the
//   same folder, then renames it over path. A failure or a crash in the middle therefore never
//   destroys the previous file. Returns false with the system's reason in error; the temporary
//   file is removed then.
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

#include <string>
#include <vector>

bool writeFileSafely(const std::string& path, const std::string& contents, std::string& error);
bool writeFileSafelyOrSay(const std::string& path, const std::string& contents);
std::string textFileContents(const std::vector<std::string>& lines);
bool writeTextFile(const std::string& path, const std::vector<std::string>& lines, std::string& error);
bool writeTextFileOrSay(const std::string& path, const std::vector<std::string>& lines);
std::string formatNumber(long n);
void padToColumn(std::string& text, size_t column);
