// pathfile.cpp - the path files. See pathfile.h.

#include "shared/datafile/pathfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/dialogs.h"
#include "platform/process.h"
#include "shared/datafile/textfile.h"

namespace {

constexpr size_t MaxPathLineBytes = 4097;  // a folder name of 4,096 bytes and its CR

[[noreturn]] void pathFileFailure(const std::string& path, const std::string& reason) {
    messageBox("Path File Error", path + "\n" + reason);
    endProgram();
}

std::string errnoText() {
    return errno != 0 ? std::string(std::strerror(errno)) : std::string("unknown error");
}

// Creates (or replaces) path with the one line text and a CR LF, written safely (nothing is
// left at path when that fails); a failure is reported.
void writeOneLineFile(const std::string& path, const std::string& text) {
    std::string reason;
    if (!writeFileSafely(path, text + "\r\n", reason)) pathFileFailure(path, reason);
}

// True when something exists at path; reports and ends when that cannot be told.
bool pathExists(const std::string& path) {
    std::error_code error;
    bool found = std::filesystem::exists(path, error);
    if (error) pathFileFailure(path, error.message());
    return found;
}

}  // namespace

std::string readPathFile(const std::string& name) {
    std::string folder = fixedPathFolder();
    std::string separator(1, pathSeparator());

    std::string markerPath = folder + separator + "Qrdxpath.pth";
    if (!pathExists(markerPath)) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) pathFileFailure(folder, error.message());
        writeOneLineFile(markerPath, "dummy");
    }

    std::string path = folder + separator + name + ".pth";
    if (pathExists(path)) {
        std::string why;
        std::FILE* file = openFileForReading(path, why);
        if (file == nullptr) pathFileFailure(path, why);
        // The first line only, and no more of it than a folder name can be: a path file that
        // is one huge line is refused, not read whole into memory.
        std::string line;
        size_t consumed = 0;
        bool tooLong = false;
        errno = 0;
        for (int c; !tooLong && (c = std::getc(file)) != EOF;) {
            ++consumed;
            if (c == '\n') break;
            tooLong = line.size() == MaxPathLineBytes;
            if (!tooLong) line += static_cast<char>(c);
        }
        const bool failed = std::ferror(file) != 0;
        const std::string readError = errnoText();
        std::fclose(file);
        if (tooLong) pathFileFailure(path, "The first line is too long.");
        if (failed) pathFileFailure(path, readError);
        if (consumed == 0) pathFileFailure(path, "The file holds no line.");
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }

    std::string directory = currentDirectory();
    writeOneLineFile(path, directory);
    return directory;
}

size_t lastPathSplit(const std::string& path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (isPathSplit(path[i - 1])) return i - 1;
    }
    return std::string::npos;
}

size_t extensionDot(const std::string& path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (isPathSplit(path[i - 1])) break;
        if (path[i - 1] == '.') return i - 1;
    }
    return std::string::npos;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && isPathSplit(folder.back())) return folder + name;
    return folder + pathSeparator() + name;
}
