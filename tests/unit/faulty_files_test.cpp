// Faulty and hostile files met by the editor's commands: a program file with a bad line is
// never written into the unit (single write, batch, write changed) while good files still
// are; a huge file is refused by its size; a file of garbage shows a few windows, not dozens.
#include "editor_fixture.h"

#include <random>

#include "editor/shell/shell.h"
#include "platform/dialogs.h"
#include "unit/unit.h"

namespace {

class FaultyFilesTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        copyShippedData();
        makeProgramFolder();
    }
    // The shipped program with its fifth value replaced by a name nobody declared.
    void badProgram(const std::string& shipped, const std::string& as) {
        std::ifstream in(std::string(KT_SOURCE_DIR) + "/data/programs/" + shipped, std::ios::binary);
        std::string text, line;
        for (int n = 1; std::getline(in, line); ++n) text += (n == 5 ? "nonsense ; field" : line) + "\n";
        writeFile("progs/" + as, text);
    }
    // Runs the editor: "Select Directory" picks progs, then `command` (a dialog answer queued
    // for it when `file` is given), every message window answered by a key.
    void run(int command, const std::string& file = "") {
        sim::queueDialogAnswer({DialogOutcome::Chosen, path("progs")});
        if (!file.empty()) sim::queueDialogAnswer({DialogOutcome::Chosen, path("progs/" + file)});
        Event folder, act, key, close;
        folder.kind = act.kind = EventKind::Command;
        folder.command = CommandSelectDirectory;
        act.command = command;
        key.kind = EventKind::Key;
        key.key = '1';  // the holes are skipped; every other window takes any key
        close.kind = EventKind::CloseRequested;
        sim::scheduleEvent(1000, folder);
        sim::scheduleEvent(1100, act);
        for (uint32_t t = 1150; t < 4000; t += 50) sim::scheduleEvent(t, key);
        sim::scheduleEvent(4500, close);
        sim::setScriptEnd(4500);
        ASSERT_TRUE(runs([] { ktprogMain(); }));
    }
    const std::vector<uint8_t>& unitProgram(int location) { return sim::theUnit().ProgramMemory[location]; }
    int messagesContaining(const std::string& text) const {
        int n = 0;
        for (const std::string& m : lines("message")) n += m.find(text) != std::string::npos;
        return n;
    }
};

TEST_F(FaultyFilesTest, ABadLineKeepsTheProgramOutOfTheUnitInEveryWrite) {
    for (int command : {CommandWriteAllPrograms, CommandWriteChangedPrograms}) {
        SCOPED_TRACE(command);
        TearDown();
        Out.str("");
        SetUp();
        copyProgram("01 Init.prg", "01 Clean.prg");
        badProgram("02 Warm Pad.prg", "02 Pad.prg");
        copyProgram("03 Fat Bass.prg", "03 Bass.prg");
        run(command);
        EXPECT_EQ(unitProgram(1).size(), 104u);  // the good file before it is written
        EXPECT_TRUE(unitProgram(2).empty());
        EXPECT_TRUE(unitProgram(3).empty());  // the run stops there, as for an unreadable file
        EXPECT_EQ(messagesContaining("Expression not existing!"), 1);
        EXPECT_EQ(messagesContaining("02 Pad.prg\" \"  cannot be read\""), 1);
        EXPECT_EQ(readFile("KtUnit.map").find("02 Pad"), std::string::npos);
    }
}

TEST_F(FaultyFilesTest, ASingleWriteSendsTheGoodFileAndNotTheBadOne) {
    badProgram("02 Warm Pad.prg", "02 Pad.prg");
    run(CommandWriteProgram, "02 Pad.prg");
    EXPECT_TRUE(unitProgram(2).empty());
    EXPECT_EQ(messagesContaining("02 Pad.prg\" \"  cannot be read\""), 1);

    TearDown();
    Out.str("");
    SetUp();
    copyProgram("02 Warm Pad.prg", "02 Pad.prg");
    run(CommandWriteProgram, "02 Pad.prg");
    EXPECT_EQ(unitProgram(2).size(), 104u);
    EXPECT_TRUE(lines("message").empty());
}

TEST_F(FaultyFilesTest, AProgramFileAboveOneMegabyteIsRefusedWithItsSize) {
    std::string big;
    while (big.size() < 2 * 1024 * 1024) big += " 1\r\n";
    writeFile("progs/01 Big.prg", big);
    const auto size = std::to_string(big.size());
    run(CommandWriteAllPrograms);
    EXPECT_TRUE(unitProgram(1).empty());
    ASSERT_EQ(lines("message").size(), 1u);
    EXPECT_EQ(lines("message")[0],
              "\"  " + path("progs/01 Big.prg") + "\" \"  is too large (" + size + " bytes; at most 1048576)\"");
}

TEST_F(FaultyFilesTest, ABinaryProgramFileShowsThreeWindowsAndTheMoreErrorsOne) {
    std::mt19937 random(7);
    std::string binary;
    for (int i = 0; i < 8192; ++i) binary += static_cast<char>(i % 37 == 36 ? '\n' : 0x80 + random() % 0x80);
    writeFile("progs/Noise.prg", binary);
    run(CommandLoadProgram, "Noise.prg");
    const std::vector<std::string> shown = lines("message");
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(messagesContaining("Expression not existing!"), 3);
    EXPECT_EQ(shown[3], "\" More errors in this file are not shown.\" \"  " + path("progs/Noise.prg") + "\"");
}

TEST_F(FaultyFilesTest, AGarbageConfigurationShowsThreeWindowsAndTheMoreErrorsOne) {
    std::string garbage = "folder\r\n";
    while (garbage.size() < 8192) garbage += "x*y+zz\r\n";
    writeFile("KtProg.CFG", garbage);
    run(CommandSelectDirectory);
    const std::vector<std::string> shown = lines("message");
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[3], "\" More errors in this file are not shown.\" \"  " + path("KtProg.CFG") + "\"");
}

}  // namespace
