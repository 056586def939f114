// files.h - the few file operations whose form differs between systems: what the portable
// readers and safe writes of shared/datafile/textfile.cpp need beyond std::filesystem and
// stdio. Everything else about files is std::filesystem and <cstdio> directly.
//
// Every function here works on the path or file as given; none shows anything to the user.
// A failure is reported as the system's error number (errno), which the caller turns into
// words (std::strerror).
//
// openRegularFile(path, forWriting, notAFile, error): an existing regular file at path,
//   opened for reading its bytes ("rb"), or for writing from its start, emptied ("wb").
//   Nothing else is opened or waited for: when something other than a regular file stands
//   there (folder, FIFO, device, socket) the result is nullptr and notAFile says what it is;
//   when the system refuses the open, nullptr, notAFile is std::filesystem::file_type::none and
//   error holds the system's error number. Never waits for the other end of a FIFO; where the
//   system can tell the kind from the opened file itself it does so, so that nothing put there
//   between a check and the open is used. For writing, a symbolic link at path itself is not
//   followed (where the system has links). The caller closes the file (std::fclose).
// createNewFile(path, error): a file made new at path, open for writing ("wb"), with the
//   permissions the system gives new files (the umask on POSIX). When the name is taken by
//   anything at all (a file, a link, which is not followed, a FIFO) or the file cannot be
//   made: nullptr with the error number in error (EEXIST for a taken name); nothing that
//   stood there is opened or changed.
// syncFileToDisk(file, error): flushes file and asks the system to put its bytes on the disk,
//   so that a crash afterwards finds them there. false with the error number in error when
//   either step fails.
// systemRefusesWriting(path): true when the system says this process may not write the
//   existing file at path (no permission, a read-only file system). Only the write bits of the
//   file's mode are not asked here: the caller tests those itself. False where the system
//   cannot tell beforehand.
// keepAttributesOnOpenFile(file, original) / keepAttributesOnClosedFile(path, original): the
//   new file (open as file, or closed at path) takes what the user set on the file original:
//   its mode, and its owner and group where the process may set them. Each system does this at
//   one of the two moments (POSIX on the open file, before its contents are written; Windows by
//   the name after the file is closed), the other call does nothing; the caller makes both.
//   What the file system or the system refuses stays as it was; the write goes on.
// fileFacts(path, facts, error): what stands at path itself (a symbolic link is reported as
//   a link, not followed): its kind, its size in bytes and its last modification time, in the
//   system's finest unit (nanoseconds on POSIX, 100 ns on Windows; only compared for
//   equality). false with the error number when nothing can be asked there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

std::FILE* openRegularFile(const std::string& path, bool forWriting, std::filesystem::file_type& notAFile,
                           int& error);
std::FILE* createNewFile(const std::string& path, int& error);
bool syncFileToDisk(std::FILE* file, int& error);
bool systemRefusesWriting(const std::filesystem::path& path);
void keepAttributesOnOpenFile(std::FILE* file, const std::filesystem::path& original);
void keepAttributesOnClosedFile(const std::string& path, const std::filesystem::path& original);

struct FileFacts {
    std::filesystem::file_type type = std::filesystem::file_type::none;
    std::uint64_t size = 0;
    std::int64_t time = 0;  // last modification, in the system's unit
};
bool fileFacts(const std::string& path, FileFacts& facts, int& error);
