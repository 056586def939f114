// process.h - the machine around the program: the fixed folder of the path files, the
// path separator, the current directory, and the end of the program.
//
// fixedPathFolder(): C:\Qrdxpath on Windows, $XDG_CONFIG_HOME/Qrdxpath (default
//   ~/.config/Qrdxpath) on Linux, HOME/Qrdxpath in the simulation. No trailing separator.
// pathSeparator(): the separator used when the programs build paths ('\' or '/').
// isPathSplit(c): true for the characters at which a path is split into folder and name
//   ('\' and ':' on Windows, '/' elsewhere).
// currentDirectory(): the process's current directory.
// endProgram(): ends the program at once after a fatal report (nothing is written back).
//   Windows and Linux exit the process; the simulation unwinds to its runner.
#pragma once

#include <string>

std::string fixedPathFolder();
char pathSeparator();
bool isPathSplit(char c);
std::string currentDirectory();
[[noreturn]] void endProgram();
