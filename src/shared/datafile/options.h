// options.h - the programs' options files (KtProg.ini, KTboot.ini): what the configuration
// files have no line for, as lines "key = value".
//
// readOptionLines(path): the file's good lines in order: a key of letters, digits and "-",
//   "=", a value (blanks around both trimmed). Lines starting with ";" are comments; a line
//   without "=", with control bytes or longer than 1,000 characters is ignored. Lines end
//   with CR LF, LF or a lone CR. A file larger than 1 MiB gives no lines, after the size
//   message (datafile.h refuseOversizedFile); of a file that grows while it is read the first
//   1 MiB counts. A missing file gives no lines; so does one that cannot be read (a folder, a
//   FIFO, no permission: textfile.h openFileForReading), after the message window "  <path>"
//   / "  <why>". Keys are not checked here: the program takes those it knows.
// writeOptionLines(path, lines, reason): "key = value" per line ("key =" for an empty value), CR LF, written safely
//   (textfile.h); false with the system's reason.
// Any value is kept exactly (a device name is whatever the system reports): one that would
//   not read back as it is (blanks or tabs at either end, control bytes, a double quote
//   first) is written in double quotes, with \" \\ \t \n \r and \xHH inside; every other
//   value is written as it is, so plain values and files written before read the same. A
//   value read in double quotes with good escapes inside is taken without them; any other
//   value is taken as it stands.
// keepOptionLines(path, lines, tellUser, warned): writeOptionLines for a program's options;
//   a failure is told in the message window (" The options cannot be kept:", the path and the
//   reason) once per run (warned, the program's own flag, is set then) and only when tellUser
//   (a setting the user just changed; passed over silently otherwise, as at shut-down).
// Owns no globals.
#pragma once

#include <string>
#include <vector>

struct OptionLine {
    std::string key;
    std::string value;
};

std::vector<OptionLine> readOptionLines(const std::string& path);
bool writeOptionLines(const std::string& path, const std::vector<OptionLine>& lines, std::string& reason);
void keepOptionLines(const std::string& path, const std::vector<OptionLine>& lines, bool tellUser, bool& warned);
