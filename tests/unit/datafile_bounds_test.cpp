// The data-file reader against hostile files: files too large to read, lines too long to
// hold, offending texts too long to show, and files that are nothing but errors.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "fake_platform.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/expression.h"
#include "shared/datafile/options.h"

namespace fs = std::filesystem;

namespace {

class DataFileBoundsTest : public ::testing::Test {
protected:
    fs::path folder;

    void SetUp() override {
        resetFakePlatform();
        folder = fs::temp_directory_path() / ("kt_bounds_" + std::to_string(std::random_device()()));
        fs::create_directories(folder);
    }
    void TearDown() override {
        resetFakePlatform();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::string write(const std::string& bytes, const std::string& name = "data.txt") {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};

TEST_F(DataFileBoundsTest, AFileAboveTheLimitIsRefusedWithItsSizeBeforeReading) {
    const std::string big = write(std::string(2 * 1024 * 1024, '1'), "big.prg");
    EXPECT_FALSE(DataFileReader::open(big));
    EXPECT_TRUE(DataFileRefused);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], "message|  " + big + "|  is too large (2097152 bytes; at most 1048576)");

    // A user file: the size is said once, not followed by "cannot be read".
    FakeMessages.clear();
    EXPECT_FALSE(DataFileReader::openUserFile(big));
    EXPECT_EQ(FakeMessages.size(), 1u);

    // Exactly at the limit the file is read.
    FakeMessages.clear();
    std::string limit(MaxDataFileBytes - 3, ' ');
    EXPECT_TRUE(DataFileReader::open(write(" 7\n" + limit, "limit.txt")));
    EXPECT_FALSE(DataFileRefused);
    EXPECT_EQ(DataFileReader::readInteger(), 7);
    EXPECT_TRUE(FakeMessages.empty());
}

// The options file has a reader of its own; the same size rule holds for it. A huge file is
// said and gives the defaults; one at the limit is read, its good lines used.
TEST_F(DataFileBoundsTest, AnOptionsFileAboveTheLimitIsSaidAndGivesNoLines) {
    const std::string big = write("zoom = 150\r\n" + std::string(MaxDataFileBytes, ';'), "KtProg.ini");
    EXPECT_TRUE(readOptionLines(big).empty());
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], "message|  " + big + "|  is too large (1048588 bytes; at most 1048576)");

    FakeMessages.clear();
    const std::string limit = write("zoom = 150\r\n;" + std::string(MaxDataFileBytes - 14, 'x') + "\n", "KtProg.ini");
    const std::vector<OptionLine> lines = readOptionLines(limit);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].value, "150");
    EXPECT_TRUE(FakeMessages.empty());
}

// Any value (a device name is whatever the system reports) reads back exactly as written;
// plain values are written as they are, and values a hand or an older version wrote that
// only look quoted (a bad escape, a quote inside) are taken as they stand.
TEST_F(DataFileBoundsTest, OptionValuesReadBackExactlyAndPlainOnesStayPlain) {
    const std::vector<std::string> values = {
        "KT MIDI In", "a\\b \"c\"", " Spaced Name ", "Tab\tName", "\tlead", "trail\t", "\"Quoted\"", "\"",
        std::string("nul\0x\x01\x1F\x7F\r\n", 11) + "\xE9", "\\x41"};
    std::vector<OptionLine> lines;
    for (const std::string& v : values) lines.push_back({"midi-in-name", v});
    const std::string path = (folder / "KtProg.ini").string();
    std::string reason;
    ASSERT_TRUE(writeOptionLines(path, lines, reason)) << reason;
    const std::vector<OptionLine> back = readOptionLines(path);
    ASSERT_EQ(back.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(back[i].value, values[i]) << i;
    std::ifstream in(path, std::ios::binary);
    std::string first, second;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first, "midi-in-name = KT MIDI In\r");
    EXPECT_EQ(second, "midi-in-name = a\\b \"c\"\r");

    const std::vector<OptionLine> old = readOptionLines(write(
        "a = \"x\\q\"\r\nb = \"in\"side\"\r\nc = \"end\\\"\r\nd = \"\\x4\"\r\ne = \"\"\r\n", "old.ini"));
    ASSERT_EQ(old.size(), 5u);
    EXPECT_EQ(old[0].value, "\"x\\q\"");
    EXPECT_EQ(old[1].value, "\"in\"side\"");
    EXPECT_EQ(old[2].value, "\"end\\\"");
    EXPECT_EQ(old[3].value, "\"\\x4\"");
    EXPECT_EQ(old[4].value, "");
}

TEST_F(DataFileBoundsTest, ALongLineIsReportedOnceAndTheRestOfTheFileReadsOn) {
    const std::string longLine = " 5" + std::string(10 * 1024, 'x');
    ASSERT_TRUE(DataFileReader::open(write(" 1\n" + longLine + "\r\n 3\n 4\n")));
    EXPECT_EQ(DataFileReader::readInteger(), 1);
    // The kept beginning of the long line is its value; the rest is never held.
    EXPECT_EQ(DataFileReader::readDataLine(), longLine.substr(0, MaxDataLineBytes));
    EXPECT_EQ(DataFileReader::readInteger(), 3);
    EXPECT_EQ(DataFileReader::readInteger(), 4);
    EXPECT_EQ(DataLineNumber, 4);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], "message| Line too long|  in line : 2");
    EXPECT_LE(DataLinePeak, MaxDataLineBytes);
    EXPECT_EQ(DataFileProblems, 1);
}

TEST_F(DataFileBoundsTest, ALineOfExactlyTheBoundIsNoLongLineWithEitherLineEnd) {
    const std::string line(MaxDataLineBytes, '7');
    ASSERT_TRUE(DataFileReader::open(write(line + "\r\n" + line + "\n" + line)));
    EXPECT_EQ(DataFileReader::readDataLine(), line);
    EXPECT_EQ(DataFileReader::readDataLine(), line);
    EXPECT_EQ(DataFileReader::readDataLine(), line);
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(DataFileBoundsTest, AnOffendingTextIsShownWithItsFirstSixtyCharacters) {
    const std::string name(200, 'q');
    ASSERT_TRUE(DataFileReader::open(write(name + "\n")));
    EXPECT_EQ(DataFileReader::readInteger(), 0);
    declareSymbol(std::string(200, 'n'));  // a declaration line without "="
    ASSERT_EQ(FakeMessages.size(), 2u);
    EXPECT_EQ(FakeMessages[0], "message|Expression not existing!|Line: 1   " + std::string(60, 'q'));
    EXPECT_EQ(FakeMessages[1], "message|Error in symbol declaration!|" + std::string(60, 'n'));
}

TEST_F(DataFileBoundsTest, AFileOfErrorsShowsThreeWindowsThenOneMoreAndGoesOnSilently) {
    std::string garbage;
    for (int i = 0; i < 50; ++i) garbage += "junk" + std::to_string(i) + "\n";
    const std::string path = write(garbage);
    ASSERT_TRUE(DataFileReader::openUserFile(path));
    for (int i = 0; i < 60; ++i) EXPECT_EQ(DataFileReader::readInteger(), 0);  // runs out at 51
    EXPECT_TRUE(DataFileExhausted);
    ASSERT_EQ(FakeMessages.size(), 4u);
    EXPECT_EQ(FakeMessages[0], "message|Expression not existing!|Line: 1   junk0");
    EXPECT_EQ(FakeMessages[2], "message|Expression not existing!|Line: 3   junk2");
    EXPECT_EQ(FakeMessages[3], "message| More errors in this file are not shown.|  " + path);
    EXPECT_EQ(DataFileProblems, 51);  // fifty bad values and the end of the data

    // The next open starts counting afresh.
    FakeMessages.clear();
    ASSERT_TRUE(DataFileReader::openUserFile(path));
    DataFileReader::readInteger();
    EXPECT_EQ(DataFileProblems, 1);
    EXPECT_EQ(FakeMessages.size(), 1u);
}

TEST_F(DataFileBoundsTest, AnEndingOutOfDataIsShownEvenAfterTheLimit) {
    ASSERT_TRUE(DataFileReader::open(write("a\nb\nc\nd\ne\n")));
    for (int i = 0; i < 5; ++i) DataFileReader::readInteger();
    EXPECT_EQ(FakeMessages.size(), 4u);
    EXPECT_THROW(DataFileReader::readInteger(), FakeProgramEnded);
    ASSERT_EQ(FakeMessages.size(), 5u);
    EXPECT_NE(FakeMessages[4].find(" out of data|  in line : 6"), std::string::npos);
}

}  // namespace
