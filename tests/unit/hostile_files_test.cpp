// Hostile objects where the programs expect their files: a folder, a FIFO without a writer, a
// link to a device, a file nobody may read, and links or FIFOs standing at the name of a safe
// write's temporary file. Every reader says what it met and goes on; nothing blocks; the user's
// files and the objects themselves stay as they were. Each case runs in a child process with
// an alarm, so that a reader that blocks fails its case instead of hanging the test.
// (textfile_nonroot.sh runs this binary once more as an ordinary user, for the permission case.)

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/options.h"
#include "shared/datafile/pathfile.h"
#include "shared/datafile/textfile.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned GuardSeconds = 10;

// Runs what in a child process that is killed after GuardSeconds; what it returns comes back
// through a pipe. A child that did not end by itself gives "blocked".
std::string guarded(const std::function<std::string()>& what) {
    int ends[2];
    if (::pipe(ends) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        ::alarm(GuardSeconds);
        const std::string text = what();
        size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(ends[1], text.data() + done, text.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(ends[1]);
    std::string text;
    char piece[4096];
    for (ssize_t n; (n = ::read(ends[0], piece, sizeof piece)) > 0;) text.append(piece, static_cast<size_t>(n));
    ::close(ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status)) return "blocked";
    return text;
}

std::string messages() {
    std::string all;
    for (const std::string& m : FakeMessages) all += " " + m;
    return all;
}

fs::file_type typeAt(const fs::path& path) { return fs::symlink_status(path).type(); }

class HostileFilesTest : public ::testing::Test {
   protected:
    fs::path root;

    void SetUp() override {
        resetFakePlatform();
        std::random_device random;
        root = fs::temp_directory_path() / ("kt_hostile_" + std::to_string(random()));
        fs::create_directories(root);
        FakePathFolder = root.string();
        writeBytes(root / "Qrdxpath.pth", "dummy\r\n");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

// What stands where a file is expected: how to make it and what the readers must say of it.
struct HostileObject {
    const char* name;
    std::function<void(const fs::path&)> make;
    std::string said;
};

// A reader as the programs use it: runs on the path and tells what came of it, messages
// included; expected(path, said) is what it must tell.
struct Reader {
    const char* name;
    std::function<std::string(const fs::path&)> run;
    std::function<std::string(const fs::path&, const std::string&)> expected;
};

std::vector<HostileObject> hostileObjects() {
    return {
        {"folder", [](const fs::path& p) { fs::create_directory(p); }, "is a folder, not a file"},
        {"fifo", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, "is a pipe (FIFO), not a file"},
        {"link to /dev/null", [](const fs::path& p) { fs::create_symlink("/dev/null", p); }, "is a device, not a file"},
    };
}

std::vector<Reader> readers() {
    return {
        {"user data file (program, configuration)",
         [](const fs::path& p) {
             const std::string opened = std::to_string(DataFileReader::openUserFile(p.string()));
             return opened + messages();
         },
         [](const fs::path& p, const std::string& said) { return "0 message|  " + p.string() + "|  " + said; }},
        {"declaration file",
         [](const fs::path& p) {
             const std::string opened = std::to_string(DataFileReader::open(p.string()));
             return opened + " " + DataFileOpenFailure;
         },
         [](const fs::path&, const std::string& said) { return "0 " + said; }},
        {"options file",
         [](const fs::path& p) {
             const std::string count = std::to_string(readOptionLines(p.string()).size());
             return count + messages();
         },
         [](const fs::path& p, const std::string& said) { return "0 message|  " + p.string() + "|  " + said; }},
        {"path file",
         [](const fs::path& p) {
             std::string result;
             try {
                 result = readPathFile(p.stem().string());
             } catch (const FakeProgramEnded&) {
                 result = "ended";
             }
             return result + messages();
         },
         [](const fs::path& p, const std::string& said) {
             return "ended box|Path File Error|" + p.string() + "\n" + said;
         }},
        {"whole file (loader, .syx, unit memory record)",
         [](const fs::path& p) {
             std::string bytes, why;
             const std::string read = std::to_string(readWholeFile(p.string(), 1000, bytes, why));
             return read + " " + why + " " + std::to_string(bytes.size());
         },
         [](const fs::path&, const std::string& said) { return "0 " + said + " 0"; }},
    };
}

TEST_F(HostileFilesTest, EveryReaderSaysWhatStandsThereAndNothingBlocks) {
    const std::vector<HostileObject> objects = hostileObjects();
    for (const Reader& reader : readers()) {
        for (const HostileObject& object : objects) {
            SCOPED_TRACE(std::string(reader.name) + " / " + object.name);
            const fs::path p = root / "Hostile.pth";
            object.make(p);
            const fs::file_type before = typeAt(p);
            EXPECT_EQ(guarded([&] { return reader.run(p); }), reader.expected(p, object.said));
            EXPECT_EQ(typeAt(p), before);
            fs::remove(p);
        }
        // Only an ordinary user meets a file that may not be read (root reads any).
        if (::geteuid() == 0) continue;
        SCOPED_TRACE(std::string(reader.name) + " / unreadable file");
        const fs::path p = root / "Hostile.pth";
        writeBytes(p, "secret\r\n");
        fs::permissions(p, fs::perms::none);
        EXPECT_EQ(guarded([&] { return reader.run(p); }),
                  reader.expected(p, "cannot be read (" + std::string(std::strerror(EACCES)) + ")"));
        fs::permissions(p, fs::perms::owner_all);
        EXPECT_EQ(fileBytes(p), "secret\r\n");
        fs::remove(p);
    }
}

// A safe write meeting hostile objects, at the file's name or at its temporary file's.
struct WriteCase {
    const char* name;
    std::function<void(const fs::path& root)> make;
    bool written;      // the write succeeds
    std::string said;  // its reason when it does not
};

TEST_F(HostileFilesTest, ASafeWriteNeverFollowsNorReplacesWhatIsNoFile) {
    const fs::path file = root / "KtProg.CFG";
    const fs::path temporary = root / "KtProg.CFG.new~";
    const fs::path users = root / "letter.txt";  // a file of the user's, elsewhere
    const std::vector<WriteCase> cases = {
        {"link to a device", [&](const fs::path&) { fs::create_symlink("/dev/null", file); }, false,
         "/dev/null is a device, not a file"},
        {"link to a fifo",
         [&](const fs::path& r) {
             ASSERT_EQ(::mkfifo((r / "pipe").c_str(), 0644), 0);
             fs::create_symlink("pipe", file);
         },
         false, (root / "pipe").string() + " is a pipe (FIFO), not a file"},
        {"fifo", [&](const fs::path&) { ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0); }, false,
         "is a pipe (FIFO), not a file"},
        {"folder", [&](const fs::path&) { fs::create_directory(file); }, false, "is a folder, not a file"},
        {"link at the temporary name", [&](const fs::path&) { fs::create_symlink(users, temporary); }, true, ""},
        {"fifo at the temporary name", [&](const fs::path&) { ASSERT_EQ(::mkfifo(temporary.c_str(), 0644), 0); }, true,
         ""},
        {"link to nothing at the temporary name",
         [&](const fs::path& r) { fs::create_symlink(r / "nothing", temporary); }, true, ""},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(users, "Dear Ann,\n");
        writeBytes(file, "old");
        if (!c.written) fs::remove(file);
        c.make(root);
        const fs::file_type fileBefore = typeAt(file);
        const fs::file_type temporaryBefore = typeAt(temporary);
        const std::string outcome = guarded([&] {
            std::string reason;
            return std::to_string(writeFileSafely(file.string(), "new\r\n", reason)) + " " + reason;
        });
        EXPECT_EQ(outcome, std::to_string(c.written) + " " + c.said);
        EXPECT_EQ(fileBytes(users), "Dear Ann,\n");
        EXPECT_EQ(typeAt(temporary), temporaryBefore);  // what stood there stays, untouched
        if (c.written) {
            EXPECT_EQ(typeAt(file), fs::file_type::regular);
            EXPECT_EQ(fileBytes(file), "new\r\n");
            EXPECT_FALSE(fs::exists(root / "KtProg.CFG.new1~"));  // the fresh temporary went away
        } else {
            EXPECT_EQ(typeAt(file), fileBefore);
        }
        EXPECT_EQ(typeAt("/dev/null"), fs::file_type::character);
        for (const auto& entry : fs::directory_iterator(root)) {
            if (entry.path() != file && entry.path() != temporary && entry.path() != users) fs::remove(entry.path());
        }
        fs::remove(temporary);
        fs::remove_all(file);
    }
}

// Every name a temporary file may take is taken: the write fails with its reason, bounded.
TEST_F(HostileFilesTest, ASafeWriteGivesUpWhenEveryTemporaryNameIsTaken) {
    const fs::path file = root / "KtProg.CFG";
    writeBytes(file, "old");
    fs::create_symlink("KtProg.CFG", root / "KtProg.CFG.new~");
    for (int n = 1; n < 100; ++n)
        ASSERT_EQ(::mkfifo((root / ("KtProg.CFG.new" + std::to_string(n) + "~")).c_str(), 0644), 0);
    std::string error;
    EXPECT_FALSE(writeFileSafely(file.string(), "new", error));
    EXPECT_NE(error.find("no free name for the temporary file"), std::string::npos) << error;
    EXPECT_EQ(fileBytes(file), "old");
}

// Line ends of old Macs (a lone CR) end lines as LF and CR LF do, in the options file and in
// the data files.
TEST_F(HostileFilesTest, LoneCarriageReturnsEndLines) {
    const fs::path options = root / "KtProg.ini";
    writeBytes(options, "; made on an old Mac\rzoom = 150\rmidi-in = KT In\r\nlearn = on\n\rlast = 1");
    const std::vector<OptionLine> lines = readOptionLines(options.string());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].key + "=" + lines[0].value, "zoom=150");
    EXPECT_EQ(lines[1].key + "=" + lines[1].value, "midi-in=KT In");
    EXPECT_EQ(lines[2].key + "=" + lines[2].value, "learn=on");
    EXPECT_EQ(lines[3].key + "=" + lines[3].value, "last=1");

    const fs::path data = root / "KtProg.CFG";
    writeBytes(data, "/music/kt\r 1\r 2\r\n 3\n\r 4\r");
    ASSERT_TRUE(DataFileReader::open(data.string()));
    std::string folder;
    ASSERT_TRUE(DataFileReader::readRawLine(folder));
    EXPECT_EQ(folder, "/music/kt");
    for (int expected : {1, 2, 3, 4}) EXPECT_EQ(DataFileReader::readInteger(), expected);
    EXPECT_EQ(DataLineNumber, 5);  // the empty line between LF and CR counted
    std::string rest;
    EXPECT_FALSE(DataFileReader::readRawLine(rest));
    DataFileReader::close();
    EXPECT_TRUE(FakeMessages.empty()) << messages();
}

}  // namespace
