// win32_files.cpp - platform/files.h on Windows (the C runtime's file functions).

#include "platform/files.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace fs = std::filesystem;

std::FILE* openRegularFile(const std::string& path, bool forWriting, fs::file_type& notAFile, int& error) {
    notAFile = fs::file_type::none;
    // No FIFOs or device nodes stand among a user's files here; what the path names is asked
    // before the open.
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!ec && fs::exists(status) && !fs::is_regular_file(status)) {
        notAFile = status.type();
        return nullptr;
    }
    std::FILE* file = std::fopen(path.c_str(), forWriting ? "wb" : "rb");
    if (file == nullptr) error = errno;
    return file;
}

std::FILE* createNewFile(const std::string& path, int& error) {
    const int fd = ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "wb");
    if (file == nullptr) {
        error = errno;
        ::_close(fd);
        ::_unlink(path.c_str());
    }
    return file;
}

bool syncFileToDisk(std::FILE* file, int& error) {
    if (std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0) return true;
    error = errno;
    return false;
}

bool systemRefusesWriting(const fs::path&) { return false; }

void keepAttributesOnOpenFile(std::FILE*, const fs::path&) {}

void keepAttributesOnClosedFile(const std::string& path, const fs::path& original) {
    // Windows keeps only the read-only mark; it goes by the name once the file is closed.
    std::error_code ec;
    const fs::perms perms = fs::status(original, ec).permissions();
    if (!ec) fs::permissions(path, perms, ec);
}

bool fileFacts(const std::string& path, FileFacts& facts, int& error) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD code = ::GetLastError();
        error = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? ENOENT
                : code == ERROR_ACCESS_DENIED                                 ? EACCES
                                                                              : EIO;
        return false;
    }
    // A symbolic link or a junction is a reparse point; it is reported as a link, not followed.
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        facts.type = fs::file_type::symlink;
    else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        facts.type = fs::file_type::directory;
    else
        facts.type = fs::file_type::regular;
    facts.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    facts.time = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                           data.ftLastWriteTime.dwLowDateTime);
    return true;
}
