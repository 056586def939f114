#include "shared/datafile/textfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "shared/message/message.h"

namespace fs = std::filesystem;

void (*textFileTemporaryWritten)(const std::string& temporary) = nullptr;

void resetTextFileState() { textFileTemporaryWritten = nullptr; }

namespace {

std::string systemText(int error) { return error != 0 ? std::strerror(error) : "unknown error"; }

// The files of one name a write tries in turn for its temporary file.
constexpr int maxTemporaryNames = 100;

// openRegularFile (platform/files.h) with its failure in words: the system's reason, or what
// stands there (notAFileText, and notAFile set).
std::FILE* openExistingFile(const std::string& path, bool forWriting, std::string& why, bool& notAFile) {
    fs::file_type type = fs::file_type::none;
    int error = 0;
    std::FILE* file = openRegularFile(path, forWriting, type, error);
    notAFile = file == nullptr && type != fs::file_type::none;
    if (file == nullptr) why = notAFile ? notAFileText(type) : systemText(error);
    return file;
}

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
    return systemRefusesWriting(target);
}

// Writes contents into file (opened for writing at path, and closed here) and flushes it to
// the disk. original: the file whose mode, owner and group the new one takes, or nullptr.
bool writeWholeFile(std::FILE* file, const std::string& path, const std::string& contents, const fs::path* original,
                    std::string& error) {
    if (original != nullptr) keepAttributesOnOpenFile(file, *original);
    bool ok = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    if (!ok) error = std::strerror(errno);
    if (ok) {
        int failure = 0;
        ok = syncFileToDisk(file, failure);
        if (!ok) error = std::strerror(failure);
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = std::strerror(errno);
    }
    if (ok && original != nullptr) keepAttributesOnClosedFile(path, *original);
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
    std::FILE* file = openExistingFile(path, false, why, notAFile);
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
        std::FILE* same = openExistingFile(target.string(), true, error, notAFile);
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
