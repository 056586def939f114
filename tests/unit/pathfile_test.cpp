// Tests of the path files: first start, later starts, an edited path file and the folders
// or files that cannot be made or read.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "fake_platform.h"
#include "shared/datafile/pathfile.h"

namespace fs = std::filesystem;

namespace {

class PathFileTest : public ::testing::Test {
protected:
    fs::path root;
    fs::path folder;

    void SetUp() override {
        resetFakePlatform();
        std::random_device random;
        root = fs::temp_directory_path() /
               ("kt_pathfile_" + std::to_string(random()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root);
        folder = root / "Qrdxpath";
        FakePathFolder = folder.string();
        FakeCurrentDirectory = "/home/user/kt prog";
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

TEST_F(PathFileTest, FirstStartCreatesFolderMarkerAndPathFile) {
    EXPECT_EQ(readPathFile("KtProg"), "/home/user/kt prog");
    EXPECT_EQ(fileBytes(folder / "Qrdxpath.pth"), "dummy\r\n");
    EXPECT_EQ(fileBytes(folder / "KtProg.pth"), "/home/user/kt prog\r\n");
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(PathFileTest, LaterStartsReadTheStoredDirectory) {
    readPathFile("KtProg");
    FakeCurrentDirectory = "/somewhere/else";
    EXPECT_EQ(readPathFile("KtProg"), "/home/user/kt prog");
    EXPECT_EQ(fileBytes(folder / "KtProg.pth"), "/home/user/kt prog\r\n");

    // Each program has its own path file beside the shared marker.
    EXPECT_EQ(readPathFile("KTboot"), "/somewhere/else");
    EXPECT_EQ(fileBytes(folder / "KTboot.pth"), "/somewhere/else\r\n");
    EXPECT_EQ(readPathFile("KtProg"), "/home/user/kt prog");
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(PathFileTest, EditedPathFileGivesItsFirstLineAsStored) {
    fs::create_directories(folder);
    writeBytes(folder / "Qrdxpath.pth", "dummy\r\n");
    writeBytes(folder / "KtProg.pth", " D:\\music\\kt, data ; x \r\nsecond line\r\n");
    EXPECT_EQ(readPathFile("KtProg"), " D:\\music\\kt, data ; x ");
    writeBytes(folder / "KtProg.pth", "/edited/by/hand");
    EXPECT_EQ(readPathFile("KtProg"), "/edited/by/hand");
    writeBytes(folder / "KtProg.pth", "/unix/ends\nrest\n");
    EXPECT_EQ(readPathFile("KtProg"), "/unix/ends");
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(PathFileTest, FolderWithoutMarkerGetsTheMarker) {
    fs::create_directories(folder);
    writeBytes(folder / "KtProg.pth", "/kept\r\n");
    EXPECT_EQ(readPathFile("KtProg"), "/kept");
    EXPECT_EQ(fileBytes(folder / "Qrdxpath.pth"), "dummy\r\n");
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(PathFileTest, FolderThatCannotBeCreatedIsReportedAndEnds) {
    // A plain file where a folder on the way should be.
    writeBytes(root / "blocker", "x");
    folder = root / "blocker" / "Qrdxpath";
    FakePathFolder = folder.string();
    EXPECT_THROW(readPathFile("KtProg"), FakeProgramEnded);
    ASSERT_EQ(FakeMessages.size(), 1u);
    std::string expected = "box|Path File Error|" + folder.string() + "\n";
    EXPECT_EQ(FakeMessages[0].substr(0, expected.size()), expected);
    EXPECT_GT(FakeMessages[0].size(), expected.size());  // the system's reason follows
    EXPECT_EQ(fileBytes(root / "blocker"), "x");
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 1);
}

TEST_F(PathFileTest, PathFileThatCannotBeCreatedIsReportedAndEnds) {
    EXPECT_THROW(readPathFile("no such folder/KtProg"), FakeProgramEnded);
    ASSERT_EQ(FakeMessages.size(), 1u);
    fs::path path = folder / "no such folder" / "KtProg.pth";
    EXPECT_EQ(FakeMessages[0], "box|Path File Error|" + path.string() + "\n" +
                                   std::make_error_code(std::errc::no_such_file_or_directory).message());
    EXPECT_FALSE(fs::exists(folder / "no such folder"));
}

TEST_F(PathFileTest, PathFileThatCannotBeReadIsReportedAndEnds) {
    readPathFile("Other");
    fs::create_directories(folder / "KtProg.pth");
    EXPECT_THROW(readPathFile("KtProg"), FakeProgramEnded);
    writeBytes(folder / "Empty.pth", "");
    EXPECT_THROW(readPathFile("Empty"), FakeProgramEnded);
    ASSERT_EQ(FakeMessages.size(), 2u);
    EXPECT_EQ(FakeMessages[0], "box|Path File Error|" + (folder / "KtProg.pth").string() + "\nis a folder, not a file");
    EXPECT_EQ(FakeMessages[1].rfind("box|Path File Error|" + (folder / "Empty.pth").string() + "\n", 0), 0u);
    // The empty file stays as it was: it is not filled in behind the user's back.
    EXPECT_EQ(fileBytes(folder / "Empty.pth"), "");
}

// A path file is one short line; one that is a huge line is refused before it fills memory,
// while a folder name of the longest length a system allows is still read.
TEST_F(PathFileTest, AHugeFirstLineIsRefusedAndALongFolderNameRead) {
    readPathFile("Other");
    writeBytes(folder / "Huge.pth", std::string(8 * 1024 * 1024, 'x'));
    EXPECT_THROW(readPathFile("Huge"), FakeProgramEnded);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], "box|Path File Error|" + (folder / "Huge.pth").string() + "\nThe first line is too long.");
    const std::string longest = "/" + std::string(4095, 'd');
    writeBytes(folder / "Long.pth", longest + "\r\nsecond line\r\n");
    EXPECT_EQ(readPathFile("Long"), longest);
    writeBytes(folder / "Bare.pth", "\n");
    EXPECT_EQ(readPathFile("Bare"), "");
}

}  // namespace
