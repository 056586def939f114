// programfile.h - program files (*.prg): one program of the unit as text, one line per
// parameter in parameter order, then 16 spare lines " 0    ; dummy"; CR LF line ends.
//
// A parameter line: the value in the number form (" 64", "-20"), blanks up to column 6,
// "; field: " f, blanks up to column 19, "poti: " p, blanks up to column 30, "ser.no.: " and
// the parameter's number counted from 1, all numbers in the number form. Everything from
// the first ";" is a comment for the reader. The configuration file uses the same lines.
//
// writeProgramFile(path): writes ProgramValues safely (temporary file, then renamed over the
//   old one). A failure shows a message window naming the file and the reason; false.
// readProgramFile(path): a missing file changes nothing (false, no message). Otherwise the
//   values are read through the data-file reader (expressions and symbols allowed) into a
//   scratch copy; a file that runs out of values shows the reader's message and changes
//   nothing (false). On success the panel's effect values are first filed under the current
//   effect type, then the file's program replaces ProgramValues, its effect type is clamped
//   to 0..3 and followed, every value is clamped into its pot's range, and
//   ProgramValueCount = ParameterCount (true). The editor never ends here.
//   ProgramFileHadProblems tells whether the last read reported any problem (a bad value, a
//   line too long ...); its values are taken in all the same.
// readOpenProgramValues(values): the values of the data file open now, one per parameter of
//   ProgramValues, read as readProgramFile reads them; the file is closed afterwards. False
//   when it ran out of values (values then holds what was read). The one reading of a program
//   file's values, whether the reader shows its problems or was opened quietly.
// programFitForUnit(path): true unless the last read of path reported problems; then
//   "  <path>" / "  cannot be read" is shown and false: such a file is never written into
//   the unit (a half-understood file would replace a good program there).
// readNamedProgramFile(path): the same for a file named by the program (not chosen in a
//   dialog): a missing one is said too ("  <path>" / "  cannot be read"); a folder or FIFO
//   there is named as such by the reader (datafile.h openUserFile).
#pragma once

#include <string>
#include <vector>

extern int ProgramValueCount;  // values read by the last successful readProgramFile
extern bool ProgramFileHadProblems;  // the last readProgramFile reported problems

void resetProgramFileState();  // both globals back to their start values
std::string parameterLine(int value, int field, int pot, int serial);
std::vector<std::string> parameterLines();  // the parameter lines of ProgramValues
std::vector<std::string> parameterLines(const std::vector<int16_t>& values);
// A whole program file's lines for these values (the parameter lines, then the spare lines).
std::vector<std::string> programFileLines(const std::vector<int16_t>& values);
extern const char* const SpareLine;         // " 0    ; dummy"
constexpr int SpareLineCount = 16;

bool writeProgramFile(const std::string& path);
bool readProgramFile(const std::string& path);
bool readOpenProgramValues(std::vector<int16_t>& values);
bool readNamedProgramFile(const std::string& path);
bool programFitForUnit(const std::string& path);
