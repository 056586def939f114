// Tests of writeFileSafely: what the user set on a file (write protection, symbolic and hard
// links, mode and owner) survives a write. textfile_nonroot.sh runs this binary once more as
// an ordinary user, because root may write any file whatever its mode.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "shared/datafile/textfile.h"

namespace fs = std::filesystem;

namespace {

struct stat statOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

mode_t modeOf(const fs::path& path) { return statOf(path).st_mode & 07777; }

// Every temporary file the write made, as the hook reports it.
std::vector<std::string> temporaries;
void recordTemporary(const std::string& temporary) { temporaries.push_back(temporary); }

// What the hook does to the file system once the temporary file is complete.
fs::path replaceByFolder;
void replaceTargetByFolder(const std::string&) {
    fs::remove(replaceByFolder);
    fs::create_directory(replaceByFolder);
}

class TextFileTest : public ::testing::Test {
protected:
    fs::path root;

    void SetUp() override {
        resetFakePlatform();
        temporaries.clear();
        textFileTemporaryWritten = recordTemporary;
        std::random_device random;
        root = fs::temp_directory_path() /
               ("kt_textfile_" + std::to_string(random()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root);
    }

    void TearDown() override {
        resetFakePlatform();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

TEST_F(TextFileTest, WriteProtectedFileIsLeftAsItIs) {
    const fs::path file = root / "Factory.prg";
    writeBytes(file, "factory");
    fs::permissions(file, fs::perms(0444));
    const fs::path link = root / "link.prg";
    fs::create_symlink("Factory.prg", link);

    std::string error;
    EXPECT_FALSE(writeFileSafely(file.string(), "mine", error));
    EXPECT_EQ(error, "the file is write-protected");
    EXPECT_FALSE(writeFileSafely(link.string(), "mine", error));
    EXPECT_EQ(error, "the file is write-protected");
    EXPECT_FALSE(writeFileSafelyOrSay(file.string(), "mine"));
    EXPECT_EQ(FakeMessages, std::vector<std::string>{"message|  " + file.string() +
                                                     "|  not written: the file is write-protected"});

    EXPECT_EQ(fileBytes(file), "factory");
    EXPECT_EQ(modeOf(file), 0444u);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(temporaries.empty());
    EXPECT_FALSE(fs::exists(root / "Factory.prg.new~"));
}

// A file of another user that this user may not write, in a folder this user may write (where
// a rename over it would succeed). Only textfile_nonroot.sh makes such a file.
TEST_F(TextFileTest, FileOfAnotherUserIsLeftAsItIs) {
    const char* foreign = std::getenv("KT_TEXTFILE_FOREIGN");
    if (foreign == nullptr || ::geteuid() == 0) GTEST_SKIP() << "needs textfile_nonroot.sh";
    const std::string before = fileBytes(foreign);
    const struct stat oldInfo = statOf(foreign);

    std::string error;
    EXPECT_FALSE(writeFileSafely(foreign, "mine", error));
    EXPECT_EQ(error, "the file is write-protected");
    EXPECT_EQ(fileBytes(foreign), before);
    EXPECT_EQ(statOf(foreign).st_ino, oldInfo.st_ino);
    EXPECT_EQ(statOf(foreign).st_uid, oldInfo.st_uid);
}

TEST_F(TextFileTest, SymbolicLinkStaysAndItsTargetIsWritten) {
    fs::create_directories(root / "synced");
    fs::create_directories(root / "home");
    const fs::path target = root / "synced" / "KtProg.CFG";
    writeBytes(target, "old");
    const fs::path middle = root / "home" / "middle.CFG";
    const fs::path link = root / "home" / "KtProg.CFG";
    fs::create_symlink("../synced/KtProg.CFG", middle);
    fs::create_symlink(middle, link);

    std::string error;
    ASSERT_TRUE(writeFileSafely(link.string(), "new", error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), middle);
    EXPECT_TRUE(fs::is_symlink(middle));
    EXPECT_EQ(fileBytes(target), "new");
    ASSERT_EQ(temporaries.size(), 1u);
    EXPECT_TRUE(fs::equivalent(fs::path(temporaries[0]).parent_path(), root / "synced")) << temporaries[0];
    EXPECT_FALSE(fs::exists(temporaries[0]));
    EXPECT_FALSE(fs::exists(root / "home" / "KtProg.CFG.new~"));
}

TEST_F(TextFileTest, DanglingLinkAndLinkLoopFail) {
    const fs::path dangling = root / "dangling.CFG";
    fs::create_symlink("nowhere/KtProg.CFG", dangling);
    const fs::path loopA = root / "a.CFG";
    const fs::path loopB = root / "b.CFG";
    fs::create_symlink("b.CFG", loopA);
    fs::create_symlink("a.CFG", loopB);

    std::string error;
    EXPECT_FALSE(writeFileSafely(dangling.string(), "new", error));
    EXPECT_NE(error.find("points to a missing file"), std::string::npos) << error;
    EXPECT_NE(error.find("nowhere/KtProg.CFG"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_symlink(dangling));

    error.clear();
    EXPECT_FALSE(writeFileSafely(loopA.string(), "new", error));
    EXPECT_EQ(error, "too many levels of symbolic links");
    EXPECT_TRUE(fs::is_symlink(loopA));
    EXPECT_TRUE(fs::is_symlink(loopB));
    EXPECT_TRUE(temporaries.empty());
}

TEST_F(TextFileTest, ModeAndOwnerAreKept) {
    for (mode_t mode : {mode_t(0640), mode_t(0755), mode_t(0600)}) {
        const fs::path file = root / ("mode" + std::to_string(mode));
        writeBytes(file, "old");
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        std::string error;
        ASSERT_TRUE(writeFileSafely(file.string(), "new", error)) << error;
        EXPECT_EQ(fileBytes(file), "new");
        EXPECT_EQ(modeOf(file), mode) << std::oct << mode;
    }
    // Only root may give a file away; an ordinary user's files are all his own anyway.
    if (::geteuid() == 0) {
        const fs::path file = root / "theirs.CFG";
        writeBytes(file, "old");
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
        std::string error;
        ASSERT_TRUE(writeFileSafely(file.string(), "new", error)) << error;
        EXPECT_EQ(statOf(file).st_uid, 65534u);
        EXPECT_EQ(statOf(file).st_gid, 65534u);
    }
}

TEST_F(TextFileTest, NewFileFollowsTheUmask) {
    const mode_t old = ::umask(027);
    std::string error;
    const bool written = writeFileSafely((root / "new.CFG").string(), "new", error);
    ::umask(old);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(fileBytes(root / "new.CFG"), "new");
    EXPECT_EQ(modeOf(root / "new.CFG"), 0640u);
}

TEST_F(TextFileTest, HardLinkedFileIsOverwrittenInPlace) {
    const fs::path file = root / "KtProg.CFG";
    const fs::path other = root / "backup.CFG";
    writeBytes(file, "old contents");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    fs::create_hard_link(file, other);
    const ino_t inode = statOf(file).st_ino;

    std::string error;
    ASSERT_TRUE(writeFileSafely(file.string(), "new", error)) << error;
    EXPECT_EQ(fileBytes(file), "new");
    EXPECT_EQ(fileBytes(other), "new");
    EXPECT_EQ(statOf(file).st_ino, inode);
    EXPECT_EQ(statOf(other).st_ino, inode);
    EXPECT_EQ(statOf(file).st_nlink, 2u);
    EXPECT_EQ(modeOf(file), 0640u);
    ASSERT_EQ(temporaries.size(), 1u);
    EXPECT_FALSE(fs::exists(temporaries[0]));
}

// The in-place write fails after the temporary file was made (here: a folder took the file's
// name at that moment): the new contents stay in the temporary file, which the error names.
TEST_F(TextFileTest, FailedInPlaceWriteKeepsTheTemporaryFile) {
    const fs::path file = root / "KtProg.CFG";
    const fs::path other = root / "backup.CFG";
    writeBytes(file, "old");
    fs::create_hard_link(file, other);
    replaceByFolder = file;
    textFileTemporaryWritten = replaceTargetByFolder;

    std::string error;
    EXPECT_FALSE(writeFileSafely(file.string(), "new", error));
    const fs::path temporary = root / "KtProg.CFG.new~";
    EXPECT_EQ(fileBytes(temporary), "new");
    EXPECT_NE(error.find(temporary.string()), std::string::npos) << error;
    EXPECT_EQ(fileBytes(other), "old");
}

}  // namespace
