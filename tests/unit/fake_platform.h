// fake_platform.h - stands in for the platform (process.h, dialogs.h) and the message window
// (message.h) in the unit tests of the shared code, which link this instead of a backend and
// message.cpp. The file operations of platform/files.h are the real POSIX ones
// (platform/posix/posix_files.cpp, part of this library).
//
// FakeMessages: every showMessage, askChoice and messageBox call, in order, as
//   "message|<main>|<detail>", "choice|<question>|<choice1>|<choice2>", "box|<title>|<text>".
// askChoice answers FakeChoiceAnswer (1 unless a test sets it).
// endProgram() throws FakeProgramEnded, so a test sees the end with EXPECT_THROW.
// fixedPathFolder() returns FakePathFolder, currentDirectory() FakeCurrentDirectory;
//   pathSeparator() is '/', isPathSplit(c) is c == '/'.
// resetFakePlatform(): the one reset of the binaries on this fake: empties FakeMessages, sets
//   FakeChoiceAnswer back to 1 and gives every global of the shared data-file code its initial
//   value (resetDataFileState, resetExpressionState, resetTextFileState).
// fileBytes(path) / writeBytes(path, bytes): a whole file's bytes, for the tests' own checks.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct FakeProgramEnded {};

extern std::vector<std::string> FakeMessages;
extern std::string FakePathFolder;
extern std::string FakeCurrentDirectory;
extern int FakeChoiceAnswer;

void resetFakePlatform();
