// datafile.h - the line reader of every text data file (declaration file, configuration
// files, program files). One data file is current at a time; the reader owns it.
//
// Globals:
//   DataFileName    the path under which the current file was opened; shown in messages.
//   DataLineNumber  physical lines consumed by readDataLine since open, skipped comment and
//                   empty lines included (0 after open). Stops counting at 32767.
//
// Files may end their lines with CR LF, LF or a lone CR. A last line without a line end is a
// line. Bytes are taken as they are (no encoding). Only regular files are read (textfile.h
// openFileForReading): a folder, FIFO, device or socket is never opened for reading.
//
// Bounds (every real file is a few KB; these keep a hostile one cheap):
//   A file larger than MaxDataFileBytes is refused by open before anything is read: the
//   message window "  <path>" / "  is too large (N bytes; at most 1048576)", open returns
//   false and DataFileRefused is set. Of a file that grows while it is read at most
//   MaxDataFileBytes are read; what follows counts as its end.
//   A line longer than MaxDataLineBytes keeps its first MaxDataLineBytes bytes; the rest is
//   skipped unread into memory and " Line too long" / "  in line : N" is reported (N counts
//   every physical line of the file, raw lines included).
//   Problems found while a file is read (the reader's and the evaluator's, see reportProblem)
//   show at most MaxDataFileMessages windows per open; the next one shows
//   " More errors in this file are not shown." / "  <DataFileName>" and the rest are counted
//   silently in DataFileProblems. Messages that end the program, and problems reported
//   while no file is open, are always shown.
//
// DataFileReader::open(path): makes path the current file (closing any earlier one), sets
//   DataFileName = path and DataLineNumber = 0. Returns false when the file cannot be
//   opened, with the reason in DataFileOpenFailure ("is a folder, not a file", "cannot be
//   read (...)"); callers test for the file first, each handles a missing file its own way.
// DataFileReader::readDataLine(): the next data line. Empty lines and lines starting with
//   ";" are skipped; elsewhere the line is cut just before its first ";". Not trimmed.
//   At the end of the file (or with no file open) it shows the message window
//   "  <DataFileName> out of data" / "  in line : <DataLineNumber + 1>", closes the file and
//   ends the program; it never returns without a line.
//   With EndOfDataEndsProgram cleared (readers whose files a user may cut short: program
//   and configuration files), the same message is shown but the program goes on:
//   DataFileExhausted is set, the file is closed, and readDataLine returns an empty text
//   (readValue and readInteger give 0, evaluating nothing) until the next open.
// DataFileReader::readValue(): readDataLine, split as read and evaluated (expression.h).
// DataFileReader::readInteger(): readValue rounded with roundToInteger.
// DataFileReader::openUserFile(path): opens a file the user may have edited or cut short
//   (program and configuration files): false, silently, when there is no file at path;
//   false after a message window "  <path>" / "  <DataFileOpenFailure>" when it cannot be
//   opened (a folder or a FIFO there is said so);
//   otherwise open like open(), with EndOfDataEndsProgram cleared until close.
// DataFileReader::openQuietly(path): opens like openUserFile (the end of the data does not end
//   the program), but nothing about this file is ever shown: a missing, too large or
//   unreadable file, or one that is not a regular file, gives false (DataFileRefused,
//   DataFileOpenFailure set as by open); while it is open its problems, the end of its data
//   included, are only counted (DataFileProblems, DataFileExhausted). For readers that look
//   at many files without the user asking for any one (the library). Quiet ends at close.
// DataFileReader::close(): closes the current file (harmless when none is open) and makes the
//   end of the data end the program again.
// DataFileReader::readRawLine(line): the next physical line as it is, nothing skipped, cut
//   or counted; false at the end of the file. For lines read outside the data-line rules
//   (the configuration file's first line and its effect lines).
//
// roundToInteger(v): nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4,
//   -2.5 -> -2). Values beyond the int32 range and infinities saturate to INT32_MIN or
//   INT32_MAX; NaN gives 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

extern std::string DataFileName;
extern int16_t DataLineNumber;
extern bool EndOfDataEndsProgram;  // true (default): the end of the data ends the program
extern bool DataFileExhausted;     // the current file ran out of data (set only when not ending)
extern bool DataFileRefused;       // the last open refused the file for its size (and said so)
extern std::string DataFileOpenFailure;  // why the last open could not open its file, else empty
extern int DataFileProblems;       // problems reported since the last open, shown or not
extern size_t DataLinePeak;        // the most bytes of one line held at once since the reset
                                   // (tests; at most MaxDataLineBytes)
extern std::uintmax_t DataFileBytesRead;  // bytes taken from the current file, line ends included
extern int DataFilePhysicalLines;         // lines taken from the current file, raw lines included

constexpr std::uintmax_t MaxDataFileBytes = 1048576;
constexpr size_t MaxDataLineBytes = 4096;
constexpr int MaxDataFileMessages = 3;
constexpr size_t MaxShownOperand = 60;  // characters of an offending text a message shows

// The reader's initial state: no file, every global at its default.
void resetDataFileState();

// refuseOversizedFile(path): true, after the message window "  <path>" / "  is too large (N
//   bytes; at most 1048576)", when path is a regular file larger than MaxDataFileBytes; false
//   otherwise (also for a missing file). For the readers of their own (the options file).
bool refuseOversizedFile(const std::string& path);

namespace DataFileReader {
bool open(const std::string& path);
bool openUserFile(const std::string& path);
bool openQuietly(const std::string& path);
std::string readDataLine();
float readValue();
int32_t readInteger();
void close();
bool readRawLine(std::string& line);
// A problem of the current file: counted, and shown unless this open has shown its share.
// With no file open it is just shown.
void reportProblem(const std::string& mainText, const std::string& detailText);
// reportCut(missingLine): a user file ended before line missingLine: its "out of data"
//   message (counted like the other problems), the file closed, DataFileExhausted set.
void reportCut(int missingLine);
}  // namespace DataFileReader

// The offending text as a message shows it: its first MaxShownOperand characters.
std::string shownOperand(const std::string& text);

int32_t roundToInteger(float value);
