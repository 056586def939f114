// The library's catalogue: the programs found under the library folder, the index that spares
// reading them again, the marks kept in KtLibrary.txt, the filter and the duplicates.
#include "editor_fixture.h"

#include <sys/stat.h>

#include "editor/library/catalog.h"
#include "editor/library/sysexfile.h"
#include "editor/library/unitmemory.h"
#include "editor/preset/programfile.h"
#include "shared/datafile/textfile.h"

namespace {

namespace fs = std::filesystem;

class CatalogTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        copyShippedData();
        ASSERT_TRUE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
        LibraryFolder = path("lib");
        fs::create_directories(LibraryFolder);
    }
    // A program file in the library holding these values (a program of the shipped panel).
    void writeProgram(const std::string& relative, const std::vector<int16_t>& values) const {
        const fs::path file = fs::path(LibraryFolder) / relative;
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << textFileContents(programFileLines(values));
    }
    // The shipped default program with the value of its first pot of range 0..127 changed: a
    // sound of its own per `seed` 0..127.
    static std::vector<int16_t> program(int seed) {
        std::vector<int16_t> values = ProgramValues;
        for (int f = 0, j = 0; f < FieldCount; ++f) {
            for (int p = 0; p < FieldPotCount[f]; ++p, ++j) {
                if (PotMin[f][p] == 0 && PotMax[f][p] == 127) {
                    values[static_cast<size_t>(j)] = static_cast<int16_t>(seed);
                    return values;
                }
            }
        }
        ADD_FAILURE() << "no pot of range 0..127";
        return values;
    }
    static std::vector<std::string> paths() {
        std::vector<std::string> found;
        for (const CatalogEntry& e : Catalog) found.push_back(e.path);
        return found;
    }
    static std::vector<std::string> names(const std::vector<size_t>& rows) {
        std::vector<std::string> found;
        for (size_t i : rows) found.push_back(Catalog[i].name);
        return found;
    }
    static uint64_t soundOf(const std::string& path) {
        for (const CatalogEntry& e : Catalog) {
            if (e.path == path) return e.sound;
        }
        ADD_FAILURE() << path << " not in the catalogue";
        return 0;
    }
    void read() {
        std::string reason;
        ASSERT_TRUE(readCatalog(reason)) << reason;
    }
};

TEST_F(CatalogTest, ScanTakesEveryProgramFileUnderTheFolderInPathOrder) {
    writeProgram("b/Lead.prg", program(1));
    writeProgram("A/pad.PRG", program(2));
    writeProgram("a/zz.prg", program(3));
    writeProgram("Zeta.prg", program(4));
    writeProgram("alpha.prg", program(5));
    writeProgram("d1/d2/d3/d4/d5/d6/d7/d8/deep.prg", program(6));
    writeProgram("d1/d2/d3/d4/d5/d6/d7/d8/d9/deeper.prg", program(7));  // nine deep: not scanned
    writeProgram("notes.txt", program(8));
    writeProgram("line\nbreak \xff.prg", program(9));  // a name of any bytes is kept as it is
    fs::create_symlink(fs::path(LibraryFolder) / "alpha.prg", fs::path(LibraryFolder) / "link.prg");
    fs::create_directory_symlink(fs::path(LibraryFolder) / "b", fs::path(LibraryFolder) / "linked");
    ASSERT_EQ(::mkfifo((fs::path(LibraryFolder) / "fifo.prg").c_str(), 0600), 0);
    std::ofstream(fs::path(LibraryFolder) / "cut.prg", std::ios::binary) << " 1\r\n 2\r\n";
    fs::create_directories(fs::path(LibraryFolder) / "folder.prg");
    const std::vector<int16_t> panel = ProgramValues;

    read();
    EXPECT_EQ(paths(), (std::vector<std::string>{"A/pad.PRG", "a/zz.prg", "alpha.prg", "b/Lead.prg",
                                                 "d1/d2/d3/d4/d5/d6/d7/d8/deep.prg", "line\nbreak \xff.prg",
                                                 "Zeta.prg"}));
    EXPECT_EQ(Catalog[0].name, "pad");
    EXPECT_EQ(CatalogUnreadable, 2);  // the FIFO (never opened) and the file cut short
    EXPECT_EQ(soundOf("b/Lead.prg"), soundOfValues(program(1)));
    EXPECT_EQ(Catalog[0].crc, crc32Of(programToWire(program(2))));
    EXPECT_TRUE(lines("message").empty());  // quiet: the cut file says nothing
    EXPECT_EQ(ProgramValues, panel);

    std::string reason;
    LibraryFolder = path("nowhere");
    EXPECT_FALSE(readCatalog(reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(Catalog.empty());
}

TEST_F(CatalogTest, MarksFileHoldsOneLinePerMarkedSoundInHashOrder) {
    ASSERT_TRUE(setMarks(0xFEDCBA9876543210ull, {true, false, {"Lead", "warm!", "lead"}}));
    ASSERT_TRUE(setMarks(0x0123456789ABCDEFull, {false, false, {}}));  // nothing: no line
    ASSERT_TRUE(setMarks(0x00000000000000A1ull, {true, true, {"x"}}));
    ASSERT_TRUE(setMarks(0x0000000000000002ull, {false, true, {}}));
    ASSERT_TRUE(setMarks(0x0000000000000003ull, {false, false, {"bass"}}));
    ASSERT_TRUE(setMarks(0x0000000000000003ull, {true, false, {}}));  // the tag gone, a mark set
    EXPECT_EQ(readFile("KtLibrary.txt"),
              "0000000000000002\tH\t\r\n"
              "0000000000000003\tF\t\r\n"
              "00000000000000A1\tFH\tx\r\n"
              "FEDCBA9876543210\tF\tlead warm\r\n");

    for (uint64_t sound : {0xFEDCBA9876543210ull, 0x00000000000000A1ull, 0x2ull, 0x3ull}) {
        ASSERT_TRUE(setMarks(sound, SoundMarks{}));
    }
    EXPECT_TRUE(fs::exists(path("KtLibrary.txt")));
    EXPECT_EQ(readFile("KtLibrary.txt"), "");

    std::string many = "Tag0" + std::string(30, 'x');
    for (int i = 1; i < 20; ++i) many += " tag" + std::to_string(i) + " TAG1";
    const std::vector<std::string> tags = cleanTags(many);
    ASSERT_EQ(tags.size(), MaxTags);
    EXPECT_EQ(tags[0], "tag0" + std::string(20, 'x'));
    EXPECT_EQ(tags[1], "tag1");
    EXPECT_EQ(tags[15], "tag15");
    EXPECT_EQ(cleanTags("  Warm\tPAD a_b pad-2 warm "), (std::vector<std::string>{"warm", "pad", "ab", "pad-2"}));
}

TEST_F(CatalogTest, DamagedMarksFileKeepsItsGoodLinesAndDropsTheRestAtTheNextWrite) {
    writeFile("KtLibrary.txt",
              "00000000000000B0\tF\tpad Keys\r\n"
              "not a line\r\n"
              "00000000000000B1\tX\tbass\r\n"
              "00000000000000b2\t-\tdrums\n"
              "00000000000000B3\tH\r\n"
              "00000000000000B\tF\t\r\n"
              "00000000000000B4\t-\t\r\n");
    readMarks();
    EXPECT_TRUE(marksOf(0xB0).favourite);
    EXPECT_EQ(marksOf(0xB0).tags, (std::vector<std::string>{"pad", "keys"}));
    EXPECT_EQ(marksOf(0xB2).tags, (std::vector<std::string>{"drums"}));
    EXPECT_TRUE(marksOf(0xB1).empty());
    EXPECT_TRUE(marksOf(0xB3).empty());

    ASSERT_TRUE(setMarks(0xA0, {false, true, {}}));
    EXPECT_EQ(readFile("KtLibrary.txt"),
              "00000000000000A0\tH\t\r\n"
              "00000000000000B0\tF\tpad keys\r\n"
              "00000000000000B2\t-\tdrums\r\n");

    // A file that cannot be read is not replaced: what the user keeps there is not lost.
    const std::string huge(MaxDataFileBytes + 1, '\n');
    writeFile("KtLibrary.txt", huge);
    readMarks();
    EXPECT_FALSE(setMarks(0xA0, {true, false, {}}));
    EXPECT_TRUE(marksOf(0xA0).favourite);  // kept for the run all the same
    EXPECT_EQ(readFile("KtLibrary.txt"), huge);
}

TEST_F(CatalogTest, IndexSparesReadingUnchangedFilesAndIsRebuiltWhenDamaged) {
    writeProgram("one.prg", program(1));
    writeProgram("sub/two.prg", program(2));
    read();
    const std::string index = readFile("KtLibrary.idx");
    ASSERT_EQ(index.rfind("KtLibrary index 1\r\n", 0), 0u);
    const fs::file_time_type indexWritten = fs::last_write_time(path("KtLibrary.idx"));

    // An unchanged file's sound comes from the index: a sound planted there shows. The file
    // changed without changing its size is read again (its time differs).
    const std::string real = soundText(soundOfValues(program(1)));
    std::string planted = index;
    planted.replace(planted.find(real), 16, "0000000000000BAD");
    writeFile("KtLibrary.idx", planted);
    std::ofstream(path("lib/sub/two.prg"), std::ios::binary) << textFileContents(programFileLines(program(3)));
    fs::last_write_time(path("lib/sub/two.prg"), fs::last_write_time(path("lib/sub/two.prg")) + std::chrono::seconds(5));
    ASSERT_EQ(fs::file_size(path("lib/sub/two.prg")), fs::file_size(path("lib/one.prg")));
    read();
    EXPECT_EQ(soundOf("one.prg"), 0xBADu);
    EXPECT_EQ(soundOf("sub/two.prg"), soundOfValues(program(3)));

    // Unchanged files and an unchanged index: the index is not written again.
    const std::string current = readFile("KtLibrary.idx");
    EXPECT_NE(current.find("0000000000000BAD"), std::string::npos);
    fs::last_write_time(path("KtLibrary.idx"), indexWritten - std::chrono::hours(1));
    read();
    EXPECT_EQ(fs::last_write_time(path("KtLibrary.idx")), indexWritten - std::chrono::hours(1));

    // Another version, or a damaged line, and the files are read again.
    std::string otherVersion = current;
    otherVersion.replace(0, 17, "KtLibrary index 2");
    writeFile("KtLibrary.idx", otherVersion);
    read();
    EXPECT_EQ(soundOf("one.prg"), soundOfValues(program(1)));
    EXPECT_EQ(readFile("KtLibrary.idx").rfind("KtLibrary index 1\r\n", 0), 0u);

    const std::string rebuilt = readFile("KtLibrary.idx");
    EXPECT_EQ(rebuilt.find("0000000000000BAD"), std::string::npos);
    std::string damaged = rebuilt;
    damaged.replace(damaged.find(real), 16, "0000000000000BAZ");
    writeFile("KtLibrary.idx", damaged);
    read();
    EXPECT_EQ(soundOf("one.prg"), soundOfValues(program(1)));
    EXPECT_EQ(readFile("KtLibrary.idx"), rebuilt);
}

TEST_F(CatalogTest, FilterMatchesNamesWithoutCaseTagsExactlyFavouritesAndHidden) {
    writeProgram("Warm Lead.prg", program(1));
    writeProgram("pads/Soft PAD.prg", program(2));
    writeProgram("Bass.prg", program(3));
    writeProgram("Gone Lead.prg", program(4));
    read();
    ASSERT_TRUE(setMarks(soundOfValues(program(3)), {true, false, {"dark", "leading"}}));
    ASSERT_TRUE(setMarks(soundOfValues(program(2)), {true, false, {}}));
    ASSERT_TRUE(setMarks(soundOfValues(program(4)), {false, true, {"dark"}}));

    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"", {"Bass", "Soft PAD", "Warm Lead"}},
        {"lea", {"Warm Lead"}},  // "leading" is a tag, and a tag must be equal
        {"  LEAD  warm ", {"Warm Lead"}},
        {"pad", {"Soft PAD"}},  // a folder's name is not searched
        {"dark", {"Bass"}},
        {"*", {"Bass", "Soft PAD"}},
        {"* a", {"Bass", "Soft PAD"}},
        {"!", {"Bass", "Gone Lead", "Soft PAD", "Warm Lead"}},
        {"! dark", {"Bass", "Gone Lead"}},
        {"lead ! *", {}},
        {"nothing", {}},
    };
    for (const auto& [filter, expected] : cases) EXPECT_EQ(names(filterCatalog(filter)), expected) << filter;
}

TEST_F(CatalogTest, DuplicatesAreTheSoundsOfSeveralProgramsInPathOrder) {
    writeProgram("a.prg", program(1));
    writeProgram("b.prg", program(2));
    read();
    EXPECT_EQ(duplicateLines(), (std::vector<std::string>{" No duplicates."}));

    const std::vector<int16_t> sameSound = program(5000);  // clamped into its range: the same as
    const std::vector<int16_t> atMost = program(127);      // the largest value
    writeProgram("c/x.prg", sameSound);
    writeProgram("C.prg", atMost);
    writeProgram("d.prg", program(1));
    writeProgram("e.prg", program(2));
    read();
    EXPECT_EQ(duplicateLines(), (std::vector<std::string>{"2 x  a.prg | d.prg", "2 x  b.prg | e.prg",
                                                          "2 x  C.prg | c/x.prg"}));
}

// What the library hashes is what a write request carries, for any file: values out of range
// and every effect type (the type decides the ranges and minima of parameters 90..103).
TEST_F(CatalogTest, WireBytesAreTheDataBytesOfTheWriteRequest) {
    for (int type : {-1, 2, 1, 3, 0, 4}) {
        for (int16_t far : {int16_t(-300), int16_t(300)}) {
            std::vector<int16_t> values = ProgramValues;
            for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<int16_t>(i % 3 == 0 ? far : -far / 7);
            values[EffectTypeParameter] = static_cast<int16_t>(type);
            writeProgram("p.prg", values);
            std::vector<int16_t> quiet;
            ASSERT_TRUE(readProgramValuesQuietly(path("lib/p.prg"), quiet));
            EXPECT_EQ(quiet, values);
            const std::vector<uint8_t> wire = programToWire(quiet);  // the panel still on another type
            ASSERT_TRUE(readProgramFile(path("lib/p.prg")));
            EXPECT_EQ(wire, requestDataBytes(writeRequestFor(1, ParameterCount))) << "type " << type << ", " << far;
        }
    }
    std::vector<int16_t> values;
    EXPECT_FALSE(readProgramValuesQuietly(path("lib/missing.prg"), values));
    EXPECT_TRUE(lines("message").empty());
}

}  // namespace
