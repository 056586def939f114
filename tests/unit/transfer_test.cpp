// Programs to the unit: the request's bytes, locations from names, and whole batch writes on
// the simulated machine, including the time a 99-program run takes at MIDI speed.
#include "editor_fixture.h"

#include <set>

#include "editor/preset/programfile.h"
#include "editor/shell/shell.h"
#include "editor/transfer/transfer.h"
#include "platform/dialogs.h"
#include "unit/unit.h"

namespace {

class TransferTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        copyShippedData();
        makeProgramFolder();
    }
    // Runs the editor: "Select Directory" picks progs, then the batch write with `answer`.
    void runBatch(char answer, uint32_t runFor) {
        sim::queueDialogAnswer({DialogOutcome::Chosen, path("progs")});
        Event folder, batch, key, close;
        folder.kind = batch.kind = EventKind::Command;
        folder.command = CommandSelectDirectory;
        batch.command = CommandWriteAllPrograms;
        key.kind = EventKind::Key;
        key.key = answer;
        close.kind = EventKind::CloseRequested;
        sim::scheduleEvent(1000, folder);
        sim::scheduleEvent(1100, batch);
        sim::scheduleEvent(1150, key);
        sim::scheduleEvent(1150 + runFor, close);
        sim::setScriptEnd(1150 + runFor);
        ASSERT_TRUE(runs([] { ktprogMain(); }));
    }
    std::set<std::string> folderContents() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Home / "progs")) names.insert(entry.path().filename());
        return names;
    }
};

TEST_F(TransferTest, LocationsComeFromTheFirstTwoCharacters) {
    EXPECT_EQ(programNumberFromName("07 Lead"), 7);
    EXPECT_EQ(programNumberFromName("7Lead"), 7);
    EXPECT_EQ(programNumberFromName("5 Pad"), 5);
    EXPECT_EQ(programNumberFromName("100 Pad"), 10);
    EXPECT_EQ(programNumberFromName("12abc"), 12);
    EXPECT_EQ(programNumberFromName("123 Bass"), 12);
    EXPECT_EQ(programNumberFromName("Lead"), 0);
    EXPECT_EQ(programNumberFromName("00 Init"), 0);
    EXPECT_EQ(programNumberFromName(""), 0);
    EXPECT_EQ(programNumberFromName("-5 Odd"), 251);  // held in one byte: no location
    EXPECT_EQ(programNameFromPath(path("progs/07 Lead.prg")), "07 Lead");
}

TEST_F(TransferTest, RequestCarriesShiftedClampedDataAndTheChecksum) {
    ASSERT_TRUE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
    followEffectType();
    ProgramValueCount = ParameterCount;
    // Every parameter at its minimum goes out as 0 (a negative minimum is shifted away);
    // the bypass effect's pots (0..127) then carry 10 x 100 = 1000.
    ProgramValues[89] = 0;  // bypass: its 14 pots all 0..127
    followEffectType();
    for (int j = 0; j < ParameterCount; ++j) ProgramValues[j] = ParameterMin[j];
    for (int j = 90; j < 100; ++j) ProgramValues[j] = 100;
    std::vector<uint8_t> request = programWriteRequest(7);
    ASSERT_EQ(request.size(), 115u);
    EXPECT_EQ(std::vector<uint8_t>(request.begin(), request.begin() + 8),
              (std::vector<uint8_t>{0xF0, 0x00, 0x21, 0x11, 0x03, 0x20, 0x00, 0x07}));
    EXPECT_EQ(request[8 + 3], 0);  // fine tune at -64
    EXPECT_EQ(std::vector<uint8_t>(request.end() - 3, request.end()), (std::vector<uint8_t>{0x07, 0x68, 0xF7}));
    // A value no pot can hold (a hand-edited file) never makes a byte above 7F.
    ProgramValues[10] = 300;
    ProgramValues[11] = -300;
    request = programWriteRequest(7);
    EXPECT_EQ(request[8 + 10], 0x7F);
    EXPECT_EQ(request[8 + 11], 0x00);
    for (size_t i = 1; i + 1 < request.size(); ++i) EXPECT_LE(request[i], 0x7F) << i;
}

TEST_F(TransferTest, FillingHolesLeavesTheFolderAsItWas) {
    copyProgram("01 Init.prg", "01 Clean.prg");
    copyProgram("03 Fat Bass.prg", "02 Drive.prg");
    writeFile("progs/notes.txt", "not a program\r\n");
    const std::set<std::string> before = folderContents();
    runBatch('2', 6000);
    EXPECT_EQ(folderContents(), before);
    const unit::State& u = sim::theUnit();
    for (int location = 1; location <= 99; ++location) EXPECT_EQ(u.ProgramMemory[location].size(), 104u) << location;
    EXPECT_EQ(u.ProgramMemory[5], u.ProgramMemory[1]);  // holes carry 01's program
    EXPECT_NE(u.ProgramMemory[2], u.ProgramMemory[1]);
}

TEST_F(TransferTest, AnUnreadableFileStopsTheRunLikeAFailedWrite) {
    copyProgram("01 Init.prg", "01 Clean.prg");
    writeFile("progs/02 Broken.prg", " 1\r\n 2\r\n");
    copyProgram("03 Fat Bass.prg", "03 Bass.prg");
    Event key;
    key.kind = EventKind::Key;
    key.key = 'x';
    sim::scheduleEvent(1500, key);
    runBatch('1', 2000);
    EXPECT_EQ(sim::theUnit().ProgramMemory[1].size(), 104u);
    EXPECT_TRUE(sim::theUnit().ProgramMemory[3].empty());
    ASSERT_FALSE(lines("message").empty());
    EXPECT_NE(lines("message")[0].find("02 Broken.prg out of data"), std::string::npos);
}

TEST_F(TransferTest, NinetyNineProgramsTakeTheWireTimeAndNextToNothingMore) {
    for (int location = 1; location <= 99; ++location) {
        copyProgram(location % 2 ? "02 Warm Pad.prg" : "05 EQ Keys.prg",
                    (location < 10 ? "0" : "") + std::to_string(location) + " Program.prg");
    }
    std::vector<uint64_t> sends;  // when each request started, in microseconds
    sim::setMidiOutSink([&](const uint8_t* bytes, size_t) {
        if (bytes[0] == 0xF0) sends.push_back(sim::nowUs());
    });
    runBatch('1', 6000);
    ASSERT_EQ(sends.size(), 99u);
    for (int location = 1; location <= 99; ++location) ASSERT_EQ(sim::theUnit().ProgramMemory[location].size(), 104u);
    // The floor for one program: its 115 bytes and the unit's 7-byte reply at 3125 bytes per
    // second, plus the unit's 5 ms to answer. The requests follow each other by that much plus
    // whatever the editor adds between a reply and the next request.
    const double floorMs = (115 + 7) / 3.125 + 5.0;
    const double perProgramMs = double(sends.back() - sends.front()) / 98.0 / 1000.0;
    const double overhead = perProgramMs / floorMs - 1;
    std::cout << "[ measure  ] 99 programs: " << 99 * perProgramMs << " ms of virtual time, wire-time floor "
              << 99 * floorMs << " ms, overhead " << overhead * 100 << " %\n";
    EXPECT_LT(overhead, 0.01);
    EXPECT_GE(overhead, 0.0);  // never faster than the wire
}

}  // namespace
