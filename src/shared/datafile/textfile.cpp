#include "shared/datafile/textfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "shared/message/message.h"

namespace fs = std::filesystem;

void (*textFileTemporaryWritten)(const std::string& temporary) = nullptr;

void resetTextFileState() { textFileTemporaryWritten = nullptr; }

namespace {

std::string systemText(int error) { return error != 0 ? std::strerror(error) : "unknown error"; }

// The files of one name a write tries in turn for its temporary file.
constexpr int maxTemporaryNames = 100;

// The two ways the programs open a file, on each system:
// openRegularFile(path, forWriting, why, notAFile): an existing regular file at path, for
//   reading, or for writing from its start (emptied); else nullptr with why: the system's
//   reason, or what stands there (notAFileText, and notAFile set). Never waits for the other
//   end of a FIFO, and for writing never follows a link at path itself.
// createNewFile(path, error): a file made new at path for writing; nullptr with the system's
//   error number when the name is taken (EEXIST, whatever has it: a link is not followed) or
//   the file cannot be made.
#ifdef _WIN32
std::FILE* openRegularFile(const std::string& path, bool forWriting, std::string& why, bool& notAFile) {
    notAFile = false;
    // No FIFOs or device nodes stand among a user's files here; what the path names is asked
    // before the open.
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!ec && fs::exists(status) && !fs::is_regular_file(status)) {
        why = notAFileText(status.type());
        notAFile = true;
        return nullptr;
    }
    std::FILE* file = std::fopen(path.c_str(), forWriting ? "wb" : "rb");
    if (file == nullptr) why = systemText(errno);
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
#else
fs::file_type typeOfMode(mode_t mode) {
    if (S_ISDIR(mode)) return fs::file_type::directory;
    if (S_ISFIFO(mode)) return fs::file_type::fifo;
    if (S_ISCHR(mode)) return fs::file_type::character;
    if (S_ISBLK(mode)) return fs::file_type::block;
    if (S_ISSOCK(mode)) return fs::file_type::socket;
    if (S_ISREG(mode)) return fs::file_type::regular;
    return fs::file_type::unknown;
}

// The descriptor as a FILE, or nullptr (and the descriptor closed) with why.
std::FILE* asFile(int fd, const char* mode, std::string& why) {
    std::FILE* file = ::fdopen(fd, mode);
    if (file == nullptr) {
        why = systemText(errno);
        ::close(fd);
    }
    return file;
}

std::FILE* openRegularFile(const std::string& path, bool forWriting, std::string& why, bool& notAFile) {
    notAFile = false;
    // O_NONBLOCK: a FIFO opens at once instead of waiting for its other end; what was opened
    // is then asked, so nothing can be swapped in between a check and the open.
    const int flags = forWriting ? O_WRONLY | O_NOFOLLOW : O_RDONLY;
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = systemText(errno);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        why = systemText(errno);
        ::close(fd);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        why = notAFileText(typeOfMode(info.st_mode));
        notAFile = true;
        ::close(fd);
        return nullptr;
    }
    if (forWriting && ::ftruncate(fd, 0) != 0) {
        why = systemText(errno);
        ::close(fd);
        return nullptr;
    }
    // A regular file never makes a read or write wait; the flag goes all the same.
    const int status = ::fcntl(fd, F_GETFL);
    if (status >= 0) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return asFile(fd, forWriting ? "wb" : "rb", why);
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
#endif

// Longer chains of symbolic links than this are taken for a loop.
constexpr int maxLinkSteps = 40;

// The file a write to path really changes: path itself, or the end of its chain of symbolic
// links, so that the link stays a link and its target gets the new contents. A link to
// nothing and a loop are failures: writing there would make a file the user never meant.
bool followLinks(const std::string& path, fs::path& target, std::string& error) {
    fs::path current(path);
    for (int step = 0; step <= maxLinkSteps; ++step) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(current, ec);
        if (!fs::is_symlink(status)) {
            if (step > 0 && status.type() == fs::file_type::not_found) {
                error = "the symbolic link points to a missing file (" + current.string() + ")";
                return false;
            }
            target = current;
            return true;
        }
        const fs::path next = fs::read_symlink(current, ec);
        if (ec) {
            error = ec.message();
            return false;
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    error = "too many levels of symbolic links";
    return false;
}

// True when the user protected the file against writing. A file without any write bit counts
// even for root, who could write it anyway: the protection shows what the user wants. Otherwise
// the system says whether this process may write it.
bool isWriteProtected(const fs::path& target, const fs::file_status& status) {
    const fs::perms writeBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((status.permissions() & writeBits) == fs::perms::none) return true;
#ifndef _WIN32
    if (::access(target.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS)) return true;
#else
    (void)target;
#endif
    return false;
}

// Flushes file and asks the system to put its bytes on the disk, so that a crash after this
// finds them there. Sets error on failure.
bool flushToDisk(std::FILE* file, std::string& error) {
    if (std::fflush(file) != 0) {
        error = std::strerror(errno);
        return false;
    }
#ifdef _WIN32
    if (::_commit(::_fileno(file)) != 0) {
#else
    if (::fsync(::fileno(file)) != 0) {
#endif
        error = std::strerror(errno);
        return false;
    }
    return true;
}

// Writes contents into file (opened for writing at path, and closed here) and flushes it to
// the disk. original: the file whose mode, owner and group the new one takes, or nullptr.
bool writeWholeFile(std::FILE* file, const std::string& path, const std::string& contents, const fs::path* original,
                    std::string& error) {
#ifndef _WIN32
    (void)path;  // Windows sets the mode by the name, below
    // The new file takes the old one's owner, group and mode. A file system without them
    // (FAT on a memory stick) or an owner this process may not give refuses; the file is
    // written all the same.
    struct stat info;
    if (original != nullptr && ::stat(original->c_str(), &info) == 0) {
        if (::fchown(::fileno(file), info.st_uid, info.st_gid) != 0) {
            // owner and group stay the process's own
        }
        if (::fchmod(::fileno(file), info.st_mode & 07777) != 0) {
            // the mode stays the one the umask gave
        }
    }
#endif
    bool ok = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    if (!ok) error = std::strerror(errno);
    if (ok) ok = flushToDisk(file, error);
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = std::strerror(errno);
    }
#ifdef _WIN32
    if (ok && original != nullptr) {
        std::error_code ec;
        const fs::perms perms = fs::status(*original, ec).permissions();
        if (!ec) fs::permissions(path, perms, ec);
    }
#endif
    return ok;
}

// The temporary file for a write of target, made new beside it: "<target>.new~", or the
// first free of "<target>.new1~" .. while the name is taken. Whatever has a name (a file
// left by a crash, a link, a FIFO) is left as it is.
std::FILE* createTemporary(const fs::path& target, std::string& temporary, std::string& error) {
    const std::string base = target.string() + ".new";
    for (int n = 0; n < maxTemporaryNames; ++n) {
        temporary = base + (n == 0 ? std::string() : std::to_string(n)) + "~";
        int failure = 0;
        std::FILE* file = createNewFile(temporary, failure);
        if (file != nullptr) return file;
        if (failure != EEXIST) {
            error = systemText(failure);
            return nullptr;
        }
    }
    error = "no free name for the temporary file (" + base + "~ .. " + base + std::to_string(maxTemporaryNames - 1) +
            "~ are taken)";
    return nullptr;
}

}  // namespace

std::string notAFileText(fs::file_type type) {
    switch (type) {
        case fs::file_type::directory:
            return "is a folder, not a file";
        case fs::file_type::fifo:
            return "is a pipe (FIFO), not a file";
        case fs::file_type::character:
        case fs::file_type::block:
            return "is a device, not a file";
        case fs::file_type::socket:
            return "is a socket, not a file";
        default:
            return "is not a regular file";
    }
}

std::FILE* openFileForReading(const std::string& path, std::string& why) {
    // Asked first as well, so that a device is not even opened (opening some does things).
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!ec && fs::exists(status) && !fs::is_regular_file(status)) {
        why = notAFileText(status.type());
        return nullptr;
    }
    bool notAFile = false;
    std::FILE* file = openRegularFile(path, false, why, notAFile);
    if (file == nullptr && !notAFile) why = "cannot be read (" + why + ")";
    return file;
}

bool readWholeFile(const std::string& path, std::uintmax_t limit, std::string& bytes, std::string& why) {
    bytes.clear();
    std::FILE* file = openFileForReading(path, why);
    if (file == nullptr) return false;
    // In pieces, so that memory follows the file's real length, not the limit.
    char piece[65536];
    bool failed = false;
    while (bytes.size() <= limit) {
        const size_t wanted = static_cast<size_t>(std::min<std::uintmax_t>(sizeof piece, limit + 1 - bytes.size()));
        const size_t got = std::fread(piece, 1, wanted, file);
        bytes.append(piece, got);
        if (got < wanted) {
            failed = std::ferror(file) != 0;
            break;
        }
    }
    const int error = errno;
    std::fclose(file);
    if (failed) {
        why = "cannot be read (" + systemText(error) + ")";
        return false;
    }
    if (bytes.size() > limit) {
        why = "is larger than " + std::to_string(limit) + " bytes";
        return false;
    }
    return true;
}

bool writeFileSafely(const std::string& path, const std::string& contents, std::string& error) {
    fs::path target;
    if (!followLinks(path, target, error)) return false;

    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = !ec && fs::exists(status);
    // Only a file is replaced: a folder, device or FIFO (often at the end of a link) stays.
    if (exists && !fs::is_regular_file(status)) {
        error = (target.string() != path ? target.string() + " " : std::string()) + notAFileText(status.type());
        return false;
    }
    if (exists && isWriteProtected(target, status)) {
        error = "the file is write-protected";
        return false;
    }
    // A file with several names keeps them all only when it is overwritten where it is; a
    // rename would give this name a new file and leave the others with the old contents.
    bool inPlace = false;
    if (exists) {
        const std::uintmax_t links = fs::hard_link_count(target, ec);
        inPlace = !ec && links > 1;
    }

    std::string temporary;
    std::FILE* file = createTemporary(target, temporary, error);
    if (file == nullptr) return false;
    if (!writeWholeFile(file, temporary, contents, exists ? &target : nullptr, error)) {
        fs::remove(temporary, ec);
        return false;
    }
    if (textFileTemporaryWritten != nullptr) textFileTemporaryWritten(temporary);

    if (inPlace) {
        // The complete new contents are in the temporary file now; if overwriting the file
        // fails half-way, they are kept there.
        bool notAFile = false;
        std::FILE* same = openRegularFile(target.string(), true, error, notAFile);
        if (same == nullptr || !writeWholeFile(same, target.string(), contents, nullptr, error)) {
            error += "; the new contents are kept in " + temporary;
            return false;
        }
        fs::remove(temporary, ec);
        return true;
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        error = ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

bool writeFileSafelyOrSay(const std::string& path, const std::string& contents) {
    std::string error;
    if (writeFileSafely(path, contents, error)) return true;
    showMessage("  " + path, "  not written: " + error);
    return false;
}

std::string textFileContents(const std::vector<std::string>& lines) {
    std::string contents;
    for (const std::string& line : lines) contents += line + "\r\n";
    return contents;
}

bool writeTextFile(const std::string& path, const std::vector<std::string>& lines, std::string& error) {
    return writeFileSafely(path, textFileContents(lines), error);
}

bool writeTextFileOrSay(const std::string& path, const std::vector<std::string>& lines) {
    return writeFileSafelyOrSay(path, textFileContents(lines));
}

std::string formatNumber(long n) {
    return n < 0 ? std::to_string(n) : " " + std::to_string(n);
}

void padToColumn(std::string& text, size_t column) {
    if (text.size() < column) text.append(column - text.size(), ' ');
}
