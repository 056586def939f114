// pathfile.h - the path files that tell each program where its start directory is.
//
// In the fixed folder F = fixedPathFolder() (process.h) lie the marker file F/Qrdxpath.pth,
// one line "dummy", shared by both programs, and one path file per program, F/<name>.pth,
// whose first line is that program's start directory. Both are text files with CR LF line
// ends. Owns no globals.
//
// readPathFile(name): creates F and the marker file when the marker is missing (also in a
//   folder F that already exists), then returns the first line of F/<name>.pth (a trailing
//   CR removed, otherwise as stored). When that file is missing it is created holding the
//   current directory, which is returned. The path file is never rewritten once it exists.
//
// Failure: a folder or file that cannot be created, written or read (also a path file
//   without any line, or whose first line is longer than 4,096 bytes and a CR) shows messageBox("Path File Error", <path> "\n" <reason>) and ends
//   the program through endProgram(); nothing further is written, and a path file whose
//   writing failed is removed again.
//
// Splitting chosen paths (the platform's separators, and ':' where the platform splits there):
// lastPathSplit(path): the position of the last split character, or npos.
// extensionDot(path): the position of the dot that starts the extension of the file-name part
//   (the last dot after the last split), or npos when the name has none.
// joinPath(folder, name): a path in a folder: folder + the platform's separator + name; a
//   folder that already ends with a split character (a chosen folder keeps its trailing
//   separator) is not given a second one.
#pragma once

#include <string>

std::string readPathFile(const std::string& name);
size_t lastPathSplit(const std::string& path);
size_t extensionDot(const std::string& path);
std::string joinPath(const std::string& folder, const std::string& name);
