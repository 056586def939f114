// Program files, the configuration file and the effect store: the exact bytes on disk, round
// trips, and what happens with files that are short, odd or cannot be written.
#include "editor_fixture.h"

#include <cstdlib>

#include "editor/preset/effects.h"
#include "editor/preset/programfile.h"
#include "editor/shell/configuration.h"

#ifndef KT_SOURCE_DIR
#error "KT_SOURCE_DIR must name the repository"
#endif

namespace {

class PresetTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        DeclarationText d;
        d.ranges.assign(104, {0, 0, 0});
        d.ranges[0] = {63, -20, -64};
        d.ranges[1] = {127, 127, 0};
        d.symbols = "HALF = 64\r\n";
        writeFile("KtProg.DAT", d.text());
        ASSERT_TRUE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
        followEffectType();
    }

    // Compares a written file with its golden copy in tests/golden (UPDATE_GOLDEN=1 rewrites it).
    void expectGolden(const std::string& written, const std::string& golden) {
        const std::string goldenPath = std::string(KT_SOURCE_DIR) + "/tests/golden/" + golden;
        const char* update = std::getenv("UPDATE_GOLDEN");
        if (update != nullptr && std::string(update) == "1") {
            std::ofstream(goldenPath, std::ios::binary) << written;
            return;
        }
        std::ifstream in(goldenPath, std::ios::binary);
        ASSERT_TRUE(in) << goldenPath << " is missing; UPDATE_GOLDEN=1 creates it";
        std::stringstream s;
        s << in.rdbuf();
        EXPECT_EQ(written, s.str()) << "differs from " << goldenPath;
    }

    static int countLines(const std::string& text) {
        int n = 0;
        for (size_t i = 0; i + 1 < text.size(); ++i) n += text[i] == '\r' && text[i + 1] == '\n';
        return n;
    }
};

TEST_F(PresetTest, ParameterLinesPutEveryItemInItsColumn) {
    EXPECT_EQ(parameterLine(64, 0, 0, 1), " 64   ; field:  0  poti:  0   ser.no.:  1");
    EXPECT_EQ(parameterLine(-20, 11, 5, 95), "-20   ; field:  11 poti:  5   ser.no.:  95");
    EXPECT_EQ(parameterLine(-32768, 11, 14, 104), "-32768; field:  11 poti:  14  ser.no.:  104");
}

TEST_F(PresetTest, WrittenProgramFileMatchesItsGoldenBytes) {
    ProgramValues[2] = 100;
    ProgramValues[103] = -3;
    ASSERT_TRUE(writeProgramFile(path("07 Lead.prg")));
    const std::string written = readFile("07 Lead.prg");
    EXPECT_EQ(countLines(written), 104 + 16);
    EXPECT_EQ(written.substr(written.size() - 15), " 0    ; dummy\r\n");
    expectGolden(written, "program.prg");
}

TEST_F(PresetTest, ProgramRoundTripKeepsEveryValueIncludingNegatives) {
    for (int j = 0; j < 104; ++j) ProgramValues[j] = static_cast<int16_t>(j % 50);
    ProgramValues[0] = -64;
    ProgramValues[89] = 3;
    for (int k = 0; k < 14; ++k) ProgramValues[90 + k] = 1;  // inside every equalizer range...
    ProgramValues[96] = ProgramValues[99] = 55;                // ...but the two Q pots (10..100)
    ProgramValues[94] = -20;                                   // the bass boost minimum
    const std::vector<int16_t> saved = ProgramValues;
    ASSERT_TRUE(writeProgramFile(path("a.prg")));
    for (int16_t& v : ProgramValues) v = 0;
    ASSERT_TRUE(readProgramFile(path("a.prg")));
    EXPECT_EQ(ProgramValues, saved);
    EXPECT_EQ(CurrentEffectType, 3);
    EXPECT_EQ(ParameterMin[94], -20);
    EXPECT_EQ(ProgramValueCount, 104);
}

TEST_F(PresetTest, ProgramValuesMayBeExpressionsAndCommentLinesShiftTheRest) {
    std::string text = "; a comment line is skipped\r\n  HALF+1 ; the first value\r\n";
    for (int j = 1; j < 104; ++j) text += (j == 1 ? " 2*3" : " 1") + std::string("\r\n");
    writeFile("b.prg", text);  // no spare lines: reads like a complete file
    ASSERT_TRUE(readProgramFile(path("b.prg")));
    EXPECT_EQ(ProgramValues[0], 63);  // 65, clamped into the pot's -64..63
    EXPECT_EQ(ProgramValues[1], 6);
    EXPECT_EQ(ProgramValues[2], 1);
    EXPECT_TRUE(lines("message").empty());
}

TEST_F(PresetTest, AShortProgramFileChangesNothingAndTheEditorGoesOn) {
    ProgramValues[3] = 33;
    const std::vector<int16_t> before = ProgramValues;
    std::string text;
    for (int j = 0; j < 50; ++j) text += " 1\r\n";
    writeFile("short.prg", text);
    answerMessages(3);
    bool read = true;
    EXPECT_TRUE(runs([&] { read = readProgramFile(path("short.prg")); }));
    EXPECT_FALSE(read);
    EXPECT_EQ(ProgramValues, before);
    ASSERT_EQ(lines("message").size(), 1u);
    EXPECT_EQ(lines("message")[0], "\"  " + path("short.prg") + " out of data\" \"  in line : 51\"");
    EXPECT_FALSE(readProgramFile(path("missing.prg")));  // silently nothing
    EXPECT_EQ(lines("message").size(), 1u);
}

TEST_F(PresetTest, ReadingFilesThePanelsEffectValuesUnderTheCurrentTypeFirst) {
    // On the panel: type 1 with its own values; the file brings type 3.
    ProgramValues[89] = 1;
    followEffectType();
    for (int k = 0; k < 14; ++k) ProgramValues[90 + k] = static_cast<int16_t>(10 + k);
    std::vector<int16_t> fileProgram(104, 5);
    fileProgram[89] = 3;
    fileProgram[97] = -7;
    std::string text;
    for (int16_t v : fileProgram) text += std::to_string(v) + "\r\n";
    writeFile("eq.prg", text);
    ASSERT_TRUE(readProgramFile(path("eq.prg")));
    for (int k = 0; k < 14; ++k) EXPECT_EQ(EffectStore[1 * 14 + k], 10 + k) << k;   // filed under type 1
    for (int k = 0; k < 14; ++k) EXPECT_EQ(EffectStore[3 * 14 + k], 0) << k;        // row 3 untouched
    EXPECT_EQ(ProgramValues[97], -7);
    EXPECT_EQ(ProgramValues[96], 10);  // 5 below the equalizer's MID1 Q minimum of 10: clamped
}

TEST_F(PresetTest, AnEffectTypeOutsideItsRangeIsClampedWhenLoaded) {
    std::string text;
    for (int j = 0; j < 104; ++j) text += (j == 89 ? "7" : "0") + std::string("\r\n");
    writeFile("odd.prg", text);
    ASSERT_TRUE(readProgramFile(path("odd.prg")));
    EXPECT_EQ(ProgramValues[89], 3);
    EXPECT_EQ(CurrentEffectType, 3);
    text.replace(text.find("7\r\n"), 1, "-2");
    writeFile("odd.prg", text);
    ASSERT_TRUE(readProgramFile(path("odd.prg")));
    EXPECT_EQ(CurrentEffectType, 0);
}

TEST_F(PresetTest, AFailedWriteKeepsTheOldFileAndSaysWhy) {
    ASSERT_TRUE(writeProgramFile(path("keep.prg")));
    const std::string before = readFile("keep.prg");
    answerMessages(3);
    bool written = true;
    EXPECT_TRUE(runs([&] { written = writeProgramFile(path("no such folder/keep.prg")); }));
    EXPECT_FALSE(written);
    ASSERT_EQ(lines("message").size(), 1u);
    EXPECT_NE(lines("message")[0].find("no such folder/keep.prg"), std::string::npos);
    // A file that cannot be replaced (a folder in its place) is reported, and nothing is left.
    std::filesystem::create_directories(path("taken.prg"));
    EXPECT_FALSE(writeProgramFile(path("taken.prg")));
    EXPECT_EQ(readFile("keep.prg"), before);
    for (const auto& entry : std::filesystem::directory_iterator(Home)) {
        EXPECT_EQ(entry.path().string().find("~"), std::string::npos) << entry.path();
    }
}

TEST_F(PresetTest, ConfigurationFileMatchesItsGoldenBytes) {
    DataDirectory = "/home/user/programs";
    MidiInDevice = 2;
    MidiOutDevice = -1;
    ProgramValues[5] = 99;
    for (int k = 0; k < 56; ++k) EffectStore[k] = static_cast<int16_t>(k - 20);
    ASSERT_TRUE(writeConfiguration(path("KtProg.CFG")));
    const std::string written = readFile("KtProg.CFG");
    EXPECT_EQ(countLines(written), 179);
    expectGolden(written, "KtProg.CFG");
}

TEST_F(PresetTest, ConfigurationRoundTripRestoresEverything) {
    DataDirectory = "/music/korvatone, live";
    MidiInDevice = 7;
    MidiOutDevice = -1;
    for (int j = 0; j < 104; ++j) ProgramValues[j] = static_cast<int16_t>((j * 7) % 128);
    ProgramValues[0] = -64;
    for (int k = 0; k < 56; ++k) EffectStore[k] = static_cast<int16_t>(k % 2 ? -k : k);
    const std::vector<int16_t> values = ProgramValues;
    std::vector<int16_t> store(EffectStore, EffectStore + 56);
    ASSERT_TRUE(writeConfiguration(path("KtProg.CFG")));

    DataDirectory = StartDirectory;
    MidiInDevice = MidiOutDevice = 0;
    for (int16_t& v : ProgramValues) v = 0;
    for (int16_t& v : EffectStore) v = 0;
    ASSERT_TRUE(readConfiguration(path("KtProg.CFG")));
    EXPECT_EQ(DataDirectory, "/music/korvatone, live");
    EXPECT_EQ(MidiInDevice, 7);
    EXPECT_EQ(MidiOutDevice, -1);
    EXPECT_EQ(ProgramValues, values);
    EXPECT_EQ(std::vector<int16_t>(EffectStore, EffectStore + 56), store);
    EXPECT_TRUE(lines("message").empty());
}

TEST_F(PresetTest, ConfigurationValuesMayUseSymbolsAndExpressions) {
    std::string text = "/data\r\nHALF+1 ; Midi In\r\n-1\r\n";
    for (int j = 0; j < 104; ++j) text += (j == 3 ? "HALF*2-1" : "1") + std::string("\r\n");
    for (int k = 0; k < 56; ++k) text += " 0    ; Effect Parameters\r\n";
    writeFile("KtProg.CFG", text);
    ASSERT_TRUE(readConfiguration(path("KtProg.CFG")));
    EXPECT_EQ(MidiInDevice, 65);  // read unchanged: limited only when the devices open
    EXPECT_EQ(ProgramValues[3], 127);
    EXPECT_TRUE(lines("message").empty());
}

TEST_F(PresetTest, AShortConfigurationKeepsWhatWasReadAndTheRestOfTheDefaults) {
    std::string text = "/data\r\n 1\r\n 0\r\n";
    for (int j = 0; j < 60; ++j) text += " 3\r\n";
    writeFile("KtProg.CFG", text);
    answerMessages(3);
    EXPECT_TRUE(runs([&] { readConfiguration(path("KtProg.CFG")); }));
    EXPECT_EQ(ProgramValues[59], 3);
    EXPECT_EQ(ProgramValues[60], 64);  // the declaration's default
    EXPECT_EQ(ProgramValues[89], 1);
    ASSERT_EQ(lines("message").size(), 1u);
    EXPECT_EQ(lines("message")[0], "\"  " + path("KtProg.CFG") + " out of data\" \"  in line : 63\"");
}

TEST_F(PresetTest, ACutInTheEffectLinesIsSaidOnceAndTheRestKeepTheirValues) {
    EffectStore[55] = 5;
    ASSERT_TRUE(writeConfiguration(path("KtProg.CFG")));
    const std::string text = readFile("KtProg.CFG");
    size_t effects = 0;
    for (int i = 0; i < 107; ++i) effects = text.find("\r\n", effects) + 2;  // after the parameter lines
    size_t lastEffect = effects;
    for (int i = 0; i < 55; ++i) lastEffect = text.find("\r\n", lastEffect) + 2;
    const size_t spares = text.find("\r\n", lastEffect) + 2;
    // The reader leaves the raw first line out of its count: the parameter lines are its
    // lines 1 to 106, so the effect lines continue from 107.
    struct Case {
        const char* why;
        std::string text;
        int missingLine;  // 0: complete, no message
    };
    const std::string head = text.substr(0, effects);
    const std::vector<Case> cases = {
        {"three effect lines, one of them no number",
         head + " 11   ; Effect Parameters 0\r\nnot a number\r\n   -12 \r\n", 110},
        {"no effect lines", head, 107},
        {"all but the last effect line", text.substr(0, lastEffect), 162},
        {"all effect lines, no spare lines", text.substr(0, spares), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Out.str("");
        writeFile("KtProg.CFG", c.text);
        for (int16_t& v : EffectStore) v = 9;
        answerMessages(2);
        ASSERT_TRUE(runs([&] { readConfiguration(path("KtProg.CFG")); }));
        if (c.missingLine == 0) {
            EXPECT_TRUE(lines("message").empty());
            EXPECT_EQ(EffectStore[55], 5);  // the last effect line was read
            continue;
        }
        const std::vector<std::string> messages = lines("message");
        EXPECT_EQ(messages.size(), 1u);
        if (messages.empty()) continue;
        EXPECT_EQ(messages[0], "\"  " + path("KtProg.CFG") + " out of data\" \"  in line : " +
                                   std::to_string(c.missingLine) + "\"");
        EXPECT_EQ(EffectStore[55], 9);
    }
}

// A cut in the effect lines is one more problem of the file: after three windows and the
// "more errors" one it is counted, not shown.
TEST_F(PresetTest, ACutInTheEffectLinesCountsWithTheFilesOtherProblems) {
    std::string text = "progs\r\n";
    for (int i = 0; i < 106; ++i) text += "junk" + std::to_string(i) + "\r\n";
    text += " 11\r\n 12\r\n";  // two effect lines, then the file ends
    writeFile("KtProg.CFG", text);
    answerMessages(8);
    ASSERT_TRUE(runs([&] { readConfiguration(path("KtProg.CFG")); }));
    const std::vector<std::string> messages = lines("message");
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[3], "\" More errors in this file are not shown.\" \"  " + path("KtProg.CFG") + "\"");
}

TEST_F(PresetTest, BadOrMissingEffectLinesKeepTheirValues) {
    ASSERT_TRUE(writeConfiguration(path("KtProg.CFG")));
    std::string text = readFile("KtProg.CFG");
    size_t effects = 0;
    for (int i = 0; i < 107; ++i) effects = text.find("\r\n", effects) + 2;  // after the parameter lines
    std::string head = text.substr(0, effects);
    head += " 11   ; Effect Parameters 0\r\nnot a number\r\n   -12 \r\n";  // then the file ends
    writeFile("KtProg.CFG", head);
    for (int16_t& v : EffectStore) v = 9;
    answerMessages(1);
    ASSERT_TRUE(runs([&] { readConfiguration(path("KtProg.CFG")); }));
    EXPECT_EQ(EffectStore[0], 11);
    EXPECT_EQ(EffectStore[1], 9);
    EXPECT_EQ(EffectStore[2], -12);
    EXPECT_EQ(EffectStore[3], 9);
}

TEST_F(PresetTest, EffectTablesFollowTheTypeAndOnlyTouchTheirOwnRows) {
    EXPECT_EQ(std::string(EffectTables[0].title).size(), 47u);
    EXPECT_EQ(std::string(EffectTables[1].title).size(), 47u);
    EXPECT_EQ(std::string(EffectTables[2].title).size(), 52u);
    EXPECT_EQ(std::string(EffectTables[3].title).size(), 48u);
    loadEffectTables(3);
    EXPECT_EQ(ParameterMin[94], -20);
    EXPECT_EQ(PotMin[11][5], -20);
    EXPECT_EQ(PotCaption[11][7], " MID1 |   Q   ");
    EXPECT_EQ(PotTitle[11][8], "PARAMETERS");
    EXPECT_EQ(PanelLabels[21].text, EffectTables[3].title);
    loadEffectTables(0);
    EXPECT_EQ(ParameterMin[94], 0);
    EXPECT_EQ(PotCaption[11][7], "      |      ");

    // Switching 1 -> 3 -> 1 through the store brings each type's own values back.
    for (int k = 0; k < 14; ++k) ProgramValues[90 + k] = static_cast<int16_t>(k);
    saveEffectParameters(1);
    recallEffectParameters(3);
    for (int k = 0; k < 14; ++k) ProgramValues[90 + k] = static_cast<int16_t>(100 + k);
    saveEffectParameters(3);
    recallEffectParameters(1);
    EXPECT_EQ(ProgramValues[90], 0);
    EXPECT_EQ(ProgramValues[103], 13);
    recallEffectParameters(3);
    EXPECT_EQ(ProgramValues[103], 113);
    // A type beyond the four rows (255: none loaded yet) has no row: nothing is touched.
    const std::vector<int16_t> store(EffectStore, EffectStore + 57);
    const std::vector<int16_t> values = ProgramValues;
    saveEffectParameters(255);
    recallEffectParameters(4);
    EXPECT_EQ(std::vector<int16_t>(EffectStore, EffectStore + 57), store);
    EXPECT_EQ(ProgramValues, values);
}

}  // namespace
