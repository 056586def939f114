// posix_files.cpp - platform/files.h on POSIX systems (the Linux desktop and the simulation).

#include "platform/files.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::file_type typeOfMode(mode_t mode) {
    if (S_ISDIR(mode)) return fs::file_type::directory;
    if (S_ISFIFO(mode)) return fs::file_type::fifo;
    if (S_ISCHR(mode)) return fs::file_type::character;
    if (S_ISBLK(mode)) return fs::file_type::block;
    if (S_ISSOCK(mode)) return fs::file_type::socket;
    if (S_ISREG(mode)) return fs::file_type::regular;
    return fs::file_type::unknown;
}

// The descriptor closed, with errno kept for the caller.
void closeKeepingError(int fd, int& error) {
    error = errno;
    ::close(fd);
}

}  // namespace

std::FILE* openRegularFile(const std::string& path, bool forWriting, fs::file_type& notAFile, int& error) {
    notAFile = fs::file_type::none;
    // O_NONBLOCK: a FIFO opens at once instead of waiting for its other end; what was opened
    // is then asked, so nothing can be swapped in between a check and the open.
    const int flags = forWriting ? O_WRONLY | O_NOFOLLOW : O_RDONLY;
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        closeKeepingError(fd, error);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        notAFile = typeOfMode(info.st_mode);
        ::close(fd);
        return nullptr;
    }
    if (forWriting && ::ftruncate(fd, 0) != 0) {
        closeKeepingError(fd, error);
        return nullptr;
    }
    // A regular file never makes a read or write wait; the flag goes all the same.
    const int status = ::fcntl(fd, F_GETFL);
    if (status >= 0) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, forWriting ? "wb" : "rb");
    if (file == nullptr) closeKeepingError(fd, error);
    return file;
}

std::FILE* createNewFile(const std::string& path, int& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        error = errno;
        ::close(fd);
        ::unlink(path.c_str());
    }
    return file;
}

bool syncFileToDisk(std::FILE* file, int& error) {
    if (std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0) return true;
    error = errno;
    return false;
}

bool systemRefusesWriting(const fs::path& path) {
    return ::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
}

void keepAttributesOnOpenFile(std::FILE* file, const fs::path& original) {
    // A file system without owners and modes (FAT on a memory stick) or an owner this process
    // may not give refuses; the file is written all the same.
    struct stat info;
    if (::stat(original.c_str(), &info) != 0) return;
    if (::fchown(::fileno(file), info.st_uid, info.st_gid) != 0) {
        // owner and group stay the process's own
    }
    if (::fchmod(::fileno(file), info.st_mode & 07777) != 0) {
        // the mode stays the one the umask gave
    }
}

void keepAttributesOnClosedFile(const std::string&, const fs::path&) {}

bool fileFacts(const std::string& path, FileFacts& facts, int& error) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        error = errno;
        return false;
    }
    facts.type = S_ISLNK(info.st_mode) ? fs::file_type::symlink : typeOfMode(info.st_mode);
    facts.size = static_cast<std::uint64_t>(info.st_size);
    facts.time = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}
