#include "shared/datafile/textfile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "shared/message/message.h"

namespace fs = std::filesystem;

void (*textFileTemporaryWritten)(const std::string& temporary) = nullptr;

namespace {

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

// Writes contents into path (created or truncated) and flushes it to the disk.
bool writeWholeFile(const std::string& path, const std::string& contents, const fs::path* original,
                    std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
#ifndef _WIN32
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

}  // namespace

bool writeFileSafely(const std::string& path, const std::string& contents, std::string& error) {
    fs::path target;
    if (!followLinks(path, target, error)) return false;

    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = !ec && fs::exists(status);
    if (exists && isWriteProtected(target, status)) {
        error = "the file is write-protected";
        return false;
    }
    // A file with several names keeps them all only when it is overwritten where it is; a
    // rename would give this name a new file and leave the others with the old contents.
    bool inPlace = false;
    if (exists && fs::is_regular_file(status)) {
        const std::uintmax_t links = fs::hard_link_count(target, ec);
        inPlace = !ec && links > 1;
    }

    const std::string temporary = target.string() + ".new~";
    if (!writeWholeFile(temporary, contents, exists ? &target : nullptr, error)) {
        fs::remove(temporary, ec);
        return false;
    }
    if (textFileTemporaryWritten != nullptr) textFileTemporaryWritten(temporary);

    if (inPlace) {
        // The complete new contents are in the temporary file now; if overwriting the file
        // fails half-way, they are kept there.
        if (!writeWholeFile(target.string(), contents, nullptr, error)) {
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
