// Tests of the data-file line reader: skipping, cutting, line numbers, line ends, the
// out-of-data stop and the rounding of values.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>

#include "fake_platform.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/expression.h"

namespace fs = std::filesystem;

namespace {

class DataFileTest : public ::testing::Test {
protected:
    fs::path folder;

    void SetUp() override {
        resetFakePlatform();
        std::random_device random;
        folder = fs::temp_directory_path() /
                 ("kt_datafile_" + std::to_string(random()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }

    void TearDown() override {
        resetFakePlatform();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    // Writes bytes exactly as given to a file in the test folder and opens it.
    std::string openFile(const std::string& bytes, const std::string& name = "data.txt") {
        std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        EXPECT_TRUE(DataFileReader::open(path));
        return path;
    }
};

TEST_F(DataFileTest, SkipsEmptyAndCommentLinesCutsCommentsAndKeepsBlanks) {
    openFile("\n; a comment line\n 7 ; seven\nword  ; two blanks stay\n  ; only blanks\nplain\n");
    EXPECT_EQ(DataFileReader::readDataLine(), " 7 ");
    EXPECT_EQ(DataLineNumber, 3);
    EXPECT_EQ(DataFileReader::readDataLine(), "word  ");
    EXPECT_EQ(DataFileReader::readDataLine(), "  ");
    EXPECT_EQ(DataFileReader::readDataLine(), "plain");
    EXPECT_EQ(DataLineNumber, 6);
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(DataFileTest, TheResetClearsTheCountsOfTheFileBeingRead) {
    openFile("one\r\n; two\r\nthree\r\n");
    EXPECT_EQ(DataFileReader::readDataLine(), "one");
    EXPECT_EQ(DataFileReader::readDataLine(), "three");
    EXPECT_EQ(DataFileBytesRead, 19u);
    EXPECT_EQ(DataFilePhysicalLines, 3);
    resetDataFileState();
    EXPECT_EQ(DataFileBytesRead, 0u);
    EXPECT_EQ(DataFilePhysicalLines, 0);
    EXPECT_EQ(DataLineNumber, 0);
}

TEST_F(DataFileTest, LineEndsCrLfAndLfAndLoneCrAndLastLineWithoutEnd) {
    const char bytes[] = "one\r\ntwo\nold\rmac\r\nnul\0byte\r\nlast";
    std::string path = openFile(std::string(bytes, sizeof bytes - 1));
    EXPECT_EQ(DataFileReader::readDataLine(), "one");
    EXPECT_EQ(DataFileReader::readDataLine(), "two");
    EXPECT_EQ(DataFileReader::readDataLine(), "old");
    EXPECT_EQ(DataFileReader::readDataLine(), "mac");
    EXPECT_EQ(DataFileReader::readDataLine(), std::string("nul\0byte", 8));
    EXPECT_EQ(DataFileReader::readDataLine(), "last");
    EXPECT_THROW(DataFileReader::readDataLine(), FakeProgramEnded);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], "message|  " + path + " out of data|  in line : 7");
}

TEST_F(DataFileTest, OutOfDataNamesTheLineAfterTheLastOne) {
    std::string text;
    for (int i = 1; i <= 250; ++i) text += std::to_string(i) + "\r\n";
    std::string path = openFile(text);
    int32_t total = 0;
    for (int i = 0; i < 250; ++i) total += DataFileReader::readInteger();
    EXPECT_EQ(total, 250 * 251 / 2);
    EXPECT_THROW(DataFileReader::readInteger(), FakeProgramEnded);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], "message|  " + path + " out of data|  in line : 251");
    // The file was closed before the program ended.
    std::string line;
    EXPECT_FALSE(DataFileReader::readRawLine(line));
}

TEST_F(DataFileTest, OutOfDataCountsTrailingCommentLines) {
    std::string path = openFile("5\n; tail\n\n");
    EXPECT_EQ(DataFileReader::readInteger(), 5);
    EXPECT_THROW(DataFileReader::readDataLine(), FakeProgramEnded);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], "message|  " + path + " out of data|  in line : 4");
}

TEST_F(DataFileTest, EmptyOrMissingFileRunsOutAtLineOne) {
    std::string path = openFile("");
    EXPECT_THROW(DataFileReader::readDataLine(), FakeProgramEnded);
    std::string missing = (folder / "missing.txt").string();
    EXPECT_FALSE(DataFileReader::open(missing));
    EXPECT_EQ(DataFileName, missing);
    EXPECT_THROW(DataFileReader::readDataLine(), FakeProgramEnded);
    ASSERT_EQ(FakeMessages.size(), 2u);
    EXPECT_EQ(FakeMessages[0], "message|  " + path + " out of data|  in line : 1");
    EXPECT_EQ(FakeMessages[1], "message|  " + missing + " out of data|  in line : 1");
}

TEST_F(DataFileTest, OpenStartsAgainAndReplacesTheCurrentFile) {
    openFile("a\nb\n", "first.txt");
    EXPECT_EQ(DataFileReader::readDataLine(), "a");
    std::string second = openFile("\nx\n", "second.txt");
    EXPECT_EQ(DataFileName, second);
    EXPECT_EQ(DataLineNumber, 0);
    EXPECT_EQ(DataFileReader::readDataLine(), "x");
    EXPECT_EQ(DataLineNumber, 2);
}

TEST_F(DataFileTest, RawLinesAreNeitherSkippedCutNorCounted) {
    openFile("c:\\data, folder ; x\r\n\r\n; note\r\n 12 ; value\r\n-3");
    std::string line;
    ASSERT_TRUE(DataFileReader::readRawLine(line));
    EXPECT_EQ(line, "c:\\data, folder ; x");
    ASSERT_TRUE(DataFileReader::readRawLine(line));
    EXPECT_EQ(line, "");
    EXPECT_EQ(DataLineNumber, 0);
    EXPECT_EQ(DataFileReader::readInteger(), 12);
    EXPECT_EQ(DataLineNumber, 2);
    ASSERT_TRUE(DataFileReader::readRawLine(line));
    EXPECT_EQ(line, "-3");
    EXPECT_FALSE(DataFileReader::readRawLine(line));
}

TEST_F(DataFileTest, LineNumberStopsAtTheSixteenBitLimit) {
    openFile(std::string(40000, '\n') + "9\n");
    EXPECT_EQ(DataFileReader::readInteger(), 9);
    EXPECT_EQ(DataLineNumber, 32767);
    EXPECT_THROW(DataFileReader::readDataLine(), FakeProgramEnded);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_NE(FakeMessages[0].find("in line : 32768"), std::string::npos);
}

TEST_F(DataFileTest, ValuesAreEvaluatedAsReadAndRoundedHalfToEven) {
    declareSymbol("half = 2.5");
    openFile("half*3\n2.5\n3.5\n-2.5\n-0.5\n1.5\n0.49999997\n  -5\n16777217\n16777216+1\n");
    EXPECT_EQ(DataFileReader::readInteger(), 8);
    EXPECT_EQ(DataFileReader::readInteger(), 2);
    EXPECT_EQ(DataFileReader::readInteger(), 4);
    EXPECT_EQ(DataFileReader::readInteger(), -2);
    EXPECT_EQ(DataFileReader::readInteger(), 0);
    EXPECT_EQ(DataFileReader::readInteger(), 2);
    EXPECT_EQ(DataFileReader::readInteger(), 0);
    EXPECT_TRUE(FakeMessages.empty());
    // Split as read: the blanks before the minus become an empty operand, reported.
    EXPECT_EQ(DataFileReader::readValue(), -5.0f);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], "message|Expression not existing!|Line: 8   ");
    // 32-bit float throughout: 16777217 is not a float.
    EXPECT_EQ(DataFileReader::readInteger(), 16777216);
    EXPECT_EQ(DataFileReader::readInteger(), 16777216);
}

TEST_F(DataFileTest, UnknownOperandNamesTheLineOfTheCurrentFile) {
    openFile("; header\n\n10+nothing ; comment\n");
    EXPECT_EQ(DataFileReader::readInteger(), 10);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], "message|Expression not existing!|Line: 3   nothing");
}

TEST_F(DataFileTest, OutOfRangeValuesSaturate) {
    std::string big(50, '9');
    openFile("3000000000\n-3000000000\n" + big + "\n-" + big + "\n" + big + "-" + big + "\n2147483520\n");
    EXPECT_EQ(DataFileReader::readInteger(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(DataFileReader::readInteger(), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(DataFileReader::readInteger(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(DataFileReader::readInteger(), std::numeric_limits<int32_t>::min());
    // infinity - infinity is NaN, which has no direction: 0.
    EXPECT_EQ(DataFileReader::readInteger(), 0);
    EXPECT_EQ(DataFileReader::readInteger(), 2147483520);
    EXPECT_TRUE(FakeMessages.empty());
}

}  // namespace
