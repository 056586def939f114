// The library: the program list of a folder and stepping through it, the record of what the
// unit holds (KtUnit.map) and the batch writes that keep it, and programs in .syx files.
#include "editor_fixture.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

#include "editor/library/library.h"
#include "editor/library/sysexfile.h"
#include "editor/library/unitmemory.h"
#include "editor/preset/programfile.h"
#include "editor/program/history.h"
#include "editor/shell/shell.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "unit/unit.h"

namespace {

namespace fs = std::filesystem;

const std::string Caption = "Korvatone Preset Programmer's Interface 1.00      Program: ";
std::string shown(const std::string& program) { return "\"" + Caption + program + "\""; }  // a caption line

class LibraryTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        copyShippedData();
        fs::create_directories(path("progs"));
    }
    static std::string shipped(const std::string& name) {
        return std::string(KT_SOURCE_DIR) + "/data/programs/" + name;
    }
    void copyProgram(const std::string& from, const std::string& as) const {
        fs::copy_file(shipped(from), path("progs/" + as), fs::copy_options::overwrite_existing);
    }
    static void at(uint32_t ms, EventKind kind, int value) {
        Event e;
        e.kind = kind;
        (kind == EventKind::Key ? e.key : e.command) = value;
        sim::scheduleEvent(ms, e);
    }
    static void command(uint32_t ms, int id) { at(ms, EventKind::Command, id); }
    static void key(uint32_t ms, int c) { at(ms, EventKind::Key, c); }
    // The whole editor: "Select Directory" picks `folder` at 1000 (its answer is the first
    // dialog answer: queue it before any other), the user closes the editor at `end`.
    static void chooseFolderFirst(const std::string& folder) {
        sim::queueDialogAnswer({DialogOutcome::Chosen, folder});
        command(1000, CommandSelectDirectory);
    }
    void runEditor(uint32_t end) {
        Event close;
        close.kind = EventKind::CloseRequested;
        sim::scheduleEvent(end, close);
        sim::setScriptEnd(end);
        sim::setTranscriptFromLoop(true);
        ASSERT_TRUE(runs([] { ktprogMain(); }));
    }
    static std::vector<int16_t> valuesOf(const std::string& file) {
        EXPECT_TRUE(readProgramFile(file)) << file;
        return ProgramValues;
    }
    static std::string crcText(const std::vector<uint8_t>& bytes) {
        char text[9];
        std::snprintf(text, sizeof text, "%08X", unit::crc32(bytes.data(), bytes.size()));
        return text;
    }
};

class UnitMemoryTest : public LibraryTest {};
class SysExFileTest : public LibraryTest {};

// A program write request built here, byte by byte, as the unit expects it.
std::vector<uint8_t> request(int location, const std::vector<uint8_t>& data, int byteSix = 0) {
    std::vector<uint8_t> m{0xF0, 0x00, 0x21, 0x11, 0x03, 0x20, uint8_t(byteSix), uint8_t(location)};
    int sum = 0;
    for (uint8_t b : data) sum += b;
    m.insert(m.end(), data.begin(), data.end());
    m.insert(m.end(), {uint8_t((sum >> 7) & 0x7F), uint8_t(sum & 0x7F), 0xF7});
    return m;
}

std::vector<uint8_t> someData(int seed, size_t n = 104) {
    std::vector<uint8_t> d(n);
    for (size_t i = 0; i < n; ++i) d[i] = uint8_t((i * 7 + size_t(seed) * 13) % 128);
    return d;
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> cut(std::vector<uint8_t> m, size_t n) {
    m.resize(m.size() - n);
    return m;
}

TEST_F(LibraryTest, ListsRegularFilesOfAnyCaseInByteOrderAndCatchesADoubleLocation) {
    // "\xC3\xA9.prg" is "é.prg" in UTF-8: its first byte is above every ASCII one.
    for (const char* name : {"b.prg", "A.PRG", "\xC3\xA9.prg", "a.Prg", "Z.prg", "_x.prg", "notes.txt", "prg",
                             "x.prg.bak"}) {
        writeFile(std::string("progs/") + name, "");
    }
    fs::create_directories(path("progs/d.prg"));
    fs::create_symlink("nowhere.prg", path("progs/link.prg"));
    std::vector<std::string> files;
    std::string reason;
    ASSERT_TRUE(programList(path("progs"), files, reason));
    EXPECT_EQ(files, (std::vector<std::string>{"A.PRG", "Z.prg", "_x.prg", "a.Prg", "b.prg", "\xC3\xA9.prg"}));
    ASSERT_TRUE(listFolderFiles(path("progs"), "", files, reason));
    EXPECT_EQ(files, (std::vector<std::string>{"A.PRG", "Z.prg", "_x.prg", "a.Prg", "b.prg", "notes.txt", "prg",
                                               "x.prg.bak", "\xC3\xA9.prg"}));
    EXPECT_FALSE(programList(path("gone"), files, reason));
    EXPECT_TRUE(files.empty());
    EXPECT_FALSE(reason.empty());

    // The batch's list counts every extension: "7 Other.txt" claims location 7 as well.
    fs::create_directories(path("nums"));
    for (const char* name : {"07 Lead.prg", "7 Other.txt", "Lead.prg", "12 Bass.prg"}) {
        writeFile(std::string("nums/") + name, "");
    }
    NumberedFiles numbered;
    answerMessages(1);
    bool ok = true;
    ASSERT_TRUE(runs([&] { ok = numberedFiles(path("nums"), numbered); }));
    EXPECT_FALSE(ok);
    EXPECT_EQ(lines("message"),
              (std::vector<std::string>{"\" Multiple files assigned to location: 7\" \" Please resolve it!\""}));
    fs::remove(path("nums/7 Other.txt"));
    ASSERT_TRUE(numberedFiles(path("nums"), numbered));
    EXPECT_EQ(numbered.names, (std::vector<std::string>{"07 Lead.prg", "12 Bass.prg"}));
    EXPECT_EQ(numbered.counts[7], 1);
    EXPECT_EQ(numbered.counts[12], 1);
    EXPECT_EQ(numbered.counts[1], 0);
}

TEST_F(LibraryTest, NextAndPreviousStepThroughTheFolderAndStopAtItsEnds) {
    for (const char* name : {"01 Init.prg", "02 Warm Pad.prg", "03 Fat Bass.prg"}) copyProgram(name, name);
    writeFile("progs/notes.txt", "not a program\r\n");
    chooseFolderFirst(path("progs"));
    // Previous with no current program: the last; then at the end, back twice, at the start.
    const int steps[] = {CommandPreviousProgram, CommandNextProgram, CommandPreviousProgram,
                         CommandPreviousProgram, CommandPreviousProgram, CommandNextProgram};
    std::vector<size_t> undoSteps;
    for (int i = 0; i < 6; ++i) {
        command(1100 + 100 * uint32_t(i), steps[i]);
        sim::schedule(1150 + 100 * uint32_t(i), [&] { undoSteps.push_back(UndoStates.size()); });
    }
    std::vector<int16_t> panel;
    sim::schedule(1750, [&] { panel = ProgramValues; });
    runEditor(1800);
    EXPECT_EQ(lines("caption"), (std::vector<std::string>{shown("03 Fat Bass"), shown("02 Warm Pad"), shown("01 Init"),
                                                          shown("02 Warm Pad")}));
    EXPECT_EQ(undoSteps, (std::vector<size_t>{1, 1, 2, 3, 3, 4}));  // one step per load, none at an end
    EXPECT_EQ(lines("dialog").size(), 1u);                          // only the folder's
    EXPECT_EQ(lines("midi"), (std::vector<std::string>{"close-out", "close-in"}));  // at exit only
    EXPECT_EQ(panel, valuesOf(path("progs/02 Warm Pad.prg")));
}

TEST_F(LibraryTest, StepReportsAFolderWithoutProgramsAndOneThatIsGone) {
    fs::create_directories(path("empty"));
    fs::create_directories(path("gone"));
    writeFile("empty/notes.txt", "");
    chooseFolderFirst(path("empty"));
    command(1100, CommandNextProgram);
    key(1200, ' ');
    sim::queueDialogAnswer({DialogOutcome::Chosen, path("gone")});
    command(1300, CommandSelectDirectory);
    sim::schedule(1350, [&] { fs::remove_all(path("gone")); });
    command(1400, CommandPreviousProgram);
    key(1500, ' ');
    runEditor(1600);
    const std::vector<std::string> messages = lines("message");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "\" No program files in this folder!\" \"  " + path("empty/") + "\"");
    EXPECT_EQ(messages[1].rfind("\"  " + path("gone/") + "\" \"  ", 0), 0u) << messages[1];
    EXPECT_TRUE(lines("caption").empty());
    EXPECT_TRUE(UndoStates.empty());
}

TEST_F(LibraryTest, AnUnreadableFileLeavesThePanelAsItWasAndTheNextStepGoesPastIt) {
    copyProgram("01 Init.prg", "01 Init.prg");
    writeFile("progs/02 Broken.prg", " 1\r\n 2\r\n");
    copyProgram("03 Fat Bass.prg", "03 Fat Bass.prg");
    chooseFolderFirst(path("progs"));
    command(1100, CommandNextProgram);
    ProgramSnapshot before, after;  // values, effect type and store, name
    std::string caption;
    size_t undoSteps = 0;
    sim::schedule(1150, [&] { before = currentState(); });
    command(1200, CommandNextProgram);
    key(1300, ' ');
    sim::schedule(1350, [&] {
        after = currentState();
        caption = sim::mainWindowCaption();
        undoSteps = UndoStates.size();
    });
    command(1400, CommandNextProgram);
    runEditor(1500);
    ASSERT_EQ(lines("message").size(), 1u);
    EXPECT_NE(lines("message")[0].find("02 Broken.prg"), std::string::npos);
    EXPECT_EQ(after, before);
    EXPECT_EQ(after.name, "01 Init");
    EXPECT_EQ(caption, Caption + "01 Init");
    EXPECT_EQ(undoSteps, 1u);
    EXPECT_EQ(lines("caption"), (std::vector<std::string>{shown("01 Init"), shown("03 Fat Bass")}));
}

TEST_F(UnitMemoryTest, LinesItCannotReadAreDroppedAtTheNextWrite) {
    const std::string good3 = "03\tCBF43926\t2001-02-03 04:05:06\t03 Lead";
    const std::string good10 = "10\t0000ABCD\t2001-02-03 04:05:07\t10 Pad Mk2";
    const std::string bad[] = {
        "00\tCBF43926\t2001-02-03 04:05:06\tzero",   "100\tCBF43926\t2001-02-03 04:05:06\thundred",
        "ab\tCBF43926\t2001-02-03 04:05:06\tletters", "04\tCBF4392G\t2001-02-03 04:05:06\tbad hex",
        "05\tcbf43926\t2001-02-03 04:05:06\tlower",   "06\tCBF43926\t2001-02-03 04:05:06",
        "07\tCBF43926 2001-02-03 04:05:06\tone tab",  "08\tCBF43926\t2001/02/03 04:05:06\tslashes",
        "09\tCBF43926\t2001-02-03 04:05:06\tna\x01" "me", std::string("11\tCBF43926\t2001-02-03 04:05:06\tn\0l", 36),
        "",                                           "12",
    };
    std::string file = good10 + "\r\n";
    for (const std::string& line : bad) file += line + "\r\n";
    writeFile("KtUnit.map", file + good3 + "\n");
    readUnitMemory();
    int known = 0;
    for (const UnitLocation& e : UnitMemory) known += e.known;
    EXPECT_EQ(known, 2);
    EXPECT_EQ(UnitMemory[3].crc, 0xCBF43926u);
    EXPECT_EQ(UnitMemory[10].name, "10 Pad Mk2");
    EXPECT_EQ(UnitMemory[10].time, "2001-02-03 04:05:07");

    const std::vector<uint8_t> bytes{1, 2, 3};
    const std::string line20 = "20\t" + crcText(bytes) + "\t" + localTimeText() + "\t20 New";
    noteProgramWritten(20, bytes, "20 New");
    EXPECT_EQ(readFile("KtUnit.map"), good3 + "\r\n" + good10 + "\r\n" + line20 + "\r\n");
    noteProgramWritten(20, bytes, "20 a\tb\r\nc");  // a name stays on its line
    EXPECT_EQ(readFile("KtUnit.map"), good3 + "\r\n" + good10 + "\r\n" + line20.substr(0, 32) + "20 a b  c\r\n");

    // A record of exactly 1 MiB is read; one byte more is refused by its size, said once, and
    // the next write replaces it with a record of this editor.
    const std::string head = good3 + "\r\n";
    writeFile("KtUnit.map", head + std::string(1024 * 1024 - head.size(), 'x'));
    readUnitMemory();
    EXPECT_TRUE(UnitMemory[3].known);
    EXPECT_TRUE(lines("message").empty());
    writeFile("KtUnit.map", head + std::string(1024 * 1024 + 1 - head.size(), 'x'));
    answerMessages(1);
    ASSERT_TRUE(runs([&] { noteProgramWritten(20, bytes, "20 New"); }));
    EXPECT_EQ(readFile("KtUnit.map"), line20 + "\r\n");
    ASSERT_EQ(lines("message").size(), 1u);
    EXPECT_NE(lines("message")[0].find("is too large (1048577 bytes; at most 1048576)"), std::string::npos);
}

TEST_F(UnitMemoryTest, CrcIsZlibsAndTheRecordSaysWhatALocationHolds) {
    const std::string digits = "123456789";
    EXPECT_EQ(crc32Of(std::vector<uint8_t>(digits.begin(), digits.end())), 0xCBF43926u);
    EXPECT_EQ(crc32Of({}), 0u);
    EXPECT_EQ(crc32Of({0x00}), 0xD202EF8Du);
    const std::vector<uint8_t> a = someData(1), b = someData(2);
    noteProgramWritten(5, a, "05 A");
    noteProgramWritten(0, a, "00 None");
    noteProgramWritten(100, a, "100 None");
    resetUnitMemoryState();  // a later run: what it knows comes from the file
    readUnitMemory();
    EXPECT_TRUE(unitHolds(5, a));
    EXPECT_FALSE(unitHolds(5, b));
    EXPECT_FALSE(unitHolds(6, a));
    EXPECT_FALSE(unitHolds(0, a));
    EXPECT_FALSE(unitHolds(100, a));
    EXPECT_EQ(readFile("KtUnit.map"), "05\t" + crcText(a) + "\t" + UnitMemory[5].time + "\t05 A\r\n");
}

TEST_F(UnitMemoryTest, ARecordThatCannotBeWrittenIsReportedOnce) {
    fs::create_directories(path("KtUnit.map"));  // no file can be renamed over it, not even by root
    answerMessages(2);
    ASSERT_TRUE(runs([] {
        noteProgramWritten(1, someData(1), "01 A");
        noteProgramWritten(2, someData(2), "02 B");
    }));
    ASSERT_EQ(lines("message").size(), 1u);
    EXPECT_NE(lines("message")[0].find("cannot be kept"), std::string::npos);
    EXPECT_TRUE(UnitMemoryWarned);
    EXPECT_TRUE(unitHolds(2, someData(2)));  // the write to the unit still counts
    EXPECT_FALSE(fs::exists(path("KtUnit.map.new~")));
}

TEST_F(UnitMemoryTest, ShowListsEveryLocationAndForgetAsksFirst) {
    noteProgramWritten(3, someData(3), "03 Lead");
    noteProgramWritten(99, someData(9), "99 Last");
    const std::string time = UnitMemory[3].time;
    showUnitMemory();
    EXPECT_EQ(lines("view"), (std::vector<std::string>{"\"Unit Memory\""}));
    std::vector<std::string> text = lines("text");
    ASSERT_EQ(text.size(), 99u);
    EXPECT_EQ(text[0], "\"01  -\"");
    EXPECT_EQ(text[2], "\"03  03 Lead  " + time + "\"");
    EXPECT_EQ(text[97], "\"98  -\"");
    EXPECT_EQ(text[98], "\"99  99 Last  " + UnitMemory[99].time + "\"");

    key(sim::now() + 1, '2');
    key(sim::now() + 2, '1');
    sim::setScriptEnd(sim::now() + 2);
    ASSERT_TRUE(runs([] { forgetUnitMemoryCommand(); }));
    EXPECT_TRUE(fs::exists(path("KtUnit.map")));
    EXPECT_TRUE(UnitMemory[3].known);
    ASSERT_TRUE(runs([] { forgetUnitMemoryCommand(); }));
    EXPECT_FALSE(fs::exists(path("KtUnit.map")));
    EXPECT_FALSE(UnitMemory[3].known);
    EXPECT_FALSE(UnitMemory[99].known);
    EXPECT_EQ(lines("choice").size(), 2u);
}

// Sets or clears the file's immutable flag; false when the file system or the user may not.
bool makeImmutable(const std::string& file, bool on) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

TEST_F(UnitMemoryTest, ForgetThatCannotDeleteTheRecordSaysWhyAndKeepsIt) {
    // A read-only start folder does not stop root, so the record is made undeletable in ways
    // that do: a folder of that name holding a file (for everyone), then an immutable file
    // (where the file system and the user may set the flag).
    const std::string map = path("KtUnit.map");
    const auto forget = [&](const std::string& reason) {
        Out.str("");
        key(sim::now() + 1, '1');
        key(sim::now() + 2, ' ');
        sim::setScriptEnd(sim::now() + 2);
        ASSERT_TRUE(runs([] { forgetUnitMemoryCommand(); }));
        EXPECT_EQ(lines("message"), (std::vector<std::string>{"\"  " + map + "\" \"  not deleted: " + reason + "\""}));
        EXPECT_TRUE(fs::exists(map));
    };
    fs::create_directories(path("KtUnit.map/inside"));
    forget("Directory not empty");
    fs::remove_all(map);

    noteProgramWritten(3, someData(3), "03 Lead");
    if (!makeImmutable(map, true)) GTEST_SKIP() << "the immutable flag cannot be set here: only the folder ran";
    struct Mutable {  // the flag goes whatever happens, so the test's folder can be removed
        std::string file;
        ~Mutable() { makeImmutable(file, false); }
    } unflag{map};
    forget("Operation not permitted");
    EXPECT_TRUE(UnitMemory[3].known);  // the record is still what the file says
}

TEST_F(UnitMemoryTest, ARecordTooLargeIsSaidOnceAndBeforeABatchWrites) {
    for (const char* name : {"01 Init.prg", "02 Warm Pad.prg", "03 Fat Bass.prg"}) copyProgram(name, name);
    const std::string huge(4400000, 'x');
    writeFile("KtUnit.map", huge);
    std::vector<uint32_t> sent;  // when each program went out
    sim::setMidiOutSink([&](const uint8_t* bytes, size_t n) {
        if (n == 115 && bytes[0] == 0xF0) sent.push_back(sim::now());
    });
    chooseFolderFirst(path("progs"));
    command(1100, CommandWriteChangedPrograms);  // said; the holes skipped; the counts
    key(1150, ' ');
    key(1200, '1');
    key(1600, ' ');
    sim::schedule(1650, [&] { writeFile("KtUnit.map", huge); });
    command(1700, CommandWriteAllPrograms);  // said once more, as the first thing again
    key(1750, ' ');
    key(1800, '1');
    runEditor(2200);
    std::vector<uint32_t> tooLarge;
    for (const auto& [when, text] : timed("message")) {
        if (text.find("is too large (4400000 bytes") != std::string::npos) tooLarge.push_back(uint32_t(when));
    }
    ASSERT_EQ(tooLarge.size(), 2u);
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_LT(tooLarge[0], sent[0]);
    EXPECT_LT(tooLarge[1], sent[3]);
    EXPECT_GT(tooLarge[1], sent[2]);
    const std::vector<std::string> shown = lines("message");
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[1], "\" Programs written: 3, unchanged: 0\" \"\"");
    EXPECT_TRUE(unitHolds(3, sim::theUnit().ProgramMemory[3]));  // the record is this editor's again
}

TEST_F(UnitMemoryTest, OnlyAcknowledgedWritesEnterTheRecord) {
    for (const char* name : {"01 Init.prg", "02 Warm Pad.prg", "03 Fat Bass.prg"}) copyProgram(name, name);
    const std::string old = "05\t12345678\t2001-02-03 04:05:06\t05 Old\r\n";
    writeFile("KtUnit.map", old);
    chooseFolderFirst(path("progs"));
    // Nobody answers: the first write fails, the record stays as it was.
    sim::schedule(1050, [] { sim::theUnit().Absent = true; });
    command(1100, CommandWriteAllPrograms);
    key(1150, '1');  // skip the holes
    key(3500, ' ');
    std::string afterAbsent;
    sim::schedule(3550, [&] { afterAbsent = readFile("KtUnit.map"); });
    // 01 is acknowledged, 02 is taken but never answered: the batch stops there.
    sim::schedule(3600, [] {
        sim::theUnit().Absent = false;
        sim::theUnit().Overrides.push_back({false, {0xF0, 0x00, 0x21, 0x11, 0x03, 0x21, 0xF7}});
        sim::theUnit().Overrides.push_back({true, {}});
    });
    command(3700, CommandWriteAllPrograms);
    key(3750, '1');
    key(6500, ' ');
    runEditor(7000);
    EXPECT_EQ(lines("message").size(), 2u);
    EXPECT_EQ(afterAbsent, old);
    const unit::State& u = sim::theUnit();
    ASSERT_EQ(u.ProgramMemory[1].size(), 104u);
    EXPECT_EQ(u.ProgramMemory[2].size(), 104u);  // stored by the unit, but never acknowledged
    EXPECT_TRUE(u.ProgramMemory[3].empty());
    const std::string map = readFile("KtUnit.map");
    const std::string head = "01\t" + crcText(u.ProgramMemory[1]) + "\t2000-01-01 00:00:03\t01 Init\r\n";
    EXPECT_EQ(map, head + old);
}

TEST_F(LibraryTest, WriteChangedSendsOnlyWhatTheUnitLacks) {
    for (const char* name :
         {"01 Init.prg", "02 Warm Pad.prg", "03 Fat Bass.prg", "04 Sync Lead.prg", "05 EQ Keys.prg"}) {
        copyProgram(name, name);
    }
    std::vector<std::pair<uint32_t, int>> sent;  // when, to which location
    sim::setMidiOutSink([&](const uint8_t* bytes, size_t n) {
        if (n == 115 && bytes[0] == 0xF0 && bytes[5] == 0x20) sent.emplace_back(sim::now(), bytes[7]);
    });
    chooseFolderFirst(path("progs"));
    command(1100, CommandWriteChangedPrograms);  // an empty record: everything goes
    key(1150, '1');
    key(1600, ' ');
    std::string map;
    sim::schedule(1650, [&] { map = readFile("KtUnit.map"); });
    command(1700, CommandWriteChangedPrograms);  // nothing changed: nothing goes
    key(1750, '1');
    key(1800, ' ');
    sim::schedule(1850, [&] { copyProgram("02 Warm Pad.prg", "04 Sync Lead.prg"); });
    command(1900, CommandWriteChangedPrograms);  // one file changed: that one goes
    key(1950, '1');
    key(2100, ' ');
    runEditor(2200);
    EXPECT_EQ(lines("message"), (std::vector<std::string>{"\" Programs written: 5, unchanged: 0\" \"\"",
                                                          "\" Programs written: 0, unchanged: 5\" \"\"",
                                                          "\" Programs written: 1, unchanged: 4\" \"\""}));
    std::vector<int> first, later;
    for (const auto& [when, location] : sent) (when < 1650 ? first : later).push_back(location);
    EXPECT_EQ(first, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(later, (std::vector<int>{4}));
    // The first run filled the record; at the end it holds the CRC of what the unit stores.
    EXPECT_EQ(std::count(map.begin(), map.end(), '\n'), 5);
    std::istringstream record(readFile("KtUnit.map"));
    int location = 0;
    for (std::string line; std::getline(record, line);) {
        ++location;
        const std::string crc = crcText(sim::theUnit().ProgramMemory[location]);
        EXPECT_EQ(line.substr(0, 11), "0" + std::to_string(location) + "\t" + crc);
    }
    EXPECT_EQ(location, 5);
}

TEST_F(LibraryTest, WriteChangedOfNinetyNineWithOneChangedTakesOneProgramsTime) {
    for (int location = 1; location <= 99; ++location) {
        copyProgram(location % 2 ? "02 Warm Pad.prg" : "05 EQ Keys.prg",
                    (location < 10 ? "0" : "") + std::to_string(location) + " Program.prg");
    }
    std::vector<std::pair<uint64_t, int>> sent;
    sim::setMidiOutSink([&](const uint8_t* bytes, size_t n) {
        if (n == 115 && bytes[0] == 0xF0) sent.emplace_back(sim::nowUs(), bytes[7]);
    });
    chooseFolderFirst(path("progs"));
    command(1100, CommandWriteAllPrograms);  // no holes: no question
    sim::schedule(6000, [&] { copyProgram("03 Fat Bass.prg", "50 Program.prg"); });
    command(6100, CommandWriteChangedPrograms);
    key(6500, ' ');
    runEditor(6600);
    ASSERT_EQ(sent.size(), 100u);
    EXPECT_EQ(sent.back().second, 50);
    const auto messages = timed("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].second, "\" Programs written: 1, unchanged: 98\" \"\"");
    const double changedMs = messages[0].first - 6100.0;
    const double periodMs = double(sent[98].first - sent[0].first) / 98.0 / 1000.0;
    const double allMs = double(sent[98].first - 1100000) / 1000.0 + periodMs;
    std::cout << "[ measure  ] Write Changed, 99 programs of which 1 changed: " << changedMs
              << " ms of virtual time (Write All of the same folder: " << allMs << " ms)\n";
    EXPECT_LT(changedMs, 60.0);
    EXPECT_GT(allMs, 4000.0);
}

TEST_F(SysExFileTest, GoodRequestsAreFoundAndDamagedOnesRefused) {
    const std::vector<uint8_t> good = request(7, someData(7));
    const std::vector<uint8_t> foreign{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
    const std::vector<uint8_t> reply{0xF0, 0x00, 0x21, 0x11, 0x03, 0x21, 0xF7};
    const std::vector<uint8_t> stray{0x01, 0x90, 0x40, 0xF7, 0x02};  // bytes outside any message
    std::vector<uint8_t> badSum = good;
    badSum[113] = uint8_t((badSum[113] + 1) & 0x7F);
    std::vector<uint8_t> realtime = good;
    realtime.insert(realtime.begin() + 114, 0xFF);
    realtime.insert(realtime.begin() + 60, 0xF8);
    realtime.insert(realtime.begin() + 3, 0xFE);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t found;
        int refused;
    };
    const Case cases[] = {
        {"a good request among stray bytes", stray + good + stray, 1, 0},
        {"foreign messages", foreign + reply, 0, 0},
        {"cut by the next F0", cut(good, 20) + good, 1, 1},
        {"cut by a status byte", cut(good, 20) + std::vector<uint8_t>{0x90, 0x40, 0x7F}, 0, 1},
        {"cut by the end of the file", cut(good, 1), 0, 1},
        {"a wrong sum", badSum, 0, 1},
        {"location 0", request(0, someData(7)), 0, 1},
        {"location 100", request(100, someData(7)), 0, 1},
        {"byte 6 not 00", request(7, someData(7), 1), 0, 1},
        {"one data byte too many", request(7, someData(7, 105)), 0, 1},
        {"real-time bytes inside", realtime, 1, 0},
    };
    for (const Case& c : cases) {
        const FoundRequests r = findProgramRequests(c.bytes, 104);
        EXPECT_EQ(r.programs.size(), c.found) << c.what;
        EXPECT_EQ(r.refused, c.refused) << c.what;
        for (const FoundRequest& p : r.programs) {
            EXPECT_EQ(p.location, 7) << c.what;
            EXPECT_EQ(p.data, someData(7)) << c.what;
        }
    }

    std::vector<uint8_t> many;
    for (int i = 0; i < 10000; ++i) many = std::move(many) + request(1 + i % 99, someData(i));
    const auto start = std::chrono::steady_clock::now();
    const FoundRequests r = findProgramRequests(many, 104);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(r.programs.size(), 10000u);
    EXPECT_EQ(r.refused, 0);
    EXPECT_EQ(r.programs[9999].location, 1 + 9999 % 99);
    EXPECT_EQ(r.programs[9999].data, someData(9999));
    EXPECT_LT(took, std::chrono::seconds(5));  // one pass over 1.15 MB
}

TEST_F(SysExFileTest, ImportedNamesNeverTakeAnExistingOne) {
    const std::string folder = path("progs");
    const auto fresh = [&](int location) {  // the search of a new import
        int next = 1;
        return importedProgramPath(folder, location, next);
    };
    EXPECT_EQ(fresh(1), path("progs/01 Imported.prg"));
    EXPECT_EQ(fresh(42), path("progs/42 Imported.prg"));
    writeFile("progs/01 Imported.prg", "");
    EXPECT_EQ(fresh(1), path("progs/01 Imported 2.prg"));
    fs::create_symlink("nowhere.prg", path("progs/01 Imported 2.prg"));
    EXPECT_EQ(fresh(1), path("progs/01 Imported 3.prg"));
    // The last number there is; past it no name is free.
    int next = 100000;
    writeFile("progs/01 Imported 100000.prg", "");
    EXPECT_EQ(importedProgramPath(folder, 1, next), "");
}

TEST_F(SysExFileTest, ExportAllHoldsTheRequestsAWriteAllSendsInLocationOrder) {
    copyProgram("01 Init.prg", "01 Init.prg");
    copyProgram("03 Fat Bass.prg", "03 Bass.prg");
    copyProgram("05 EQ Keys.prg", "9 Keys.prg");
    copyProgram("04 Sync Lead.prg", "10 Lead.prg");
    writeFile("progs/notes.txt", "");
    std::map<int, std::vector<uint8_t>> sent;
    sim::setMidiOutSink([&](const uint8_t* bytes, size_t n) {
        if (n == 115 && bytes[0] == 0xF0) sent[bytes[7]] = std::vector<uint8_t>(bytes, bytes + n);
    });
    chooseFolderFirst(path("progs"));
    sim::queueDialogAnswer({DialogOutcome::Chosen, path("all.syx")});
    ProgramSnapshot before, after;
    sim::schedule(1050, [&] { before = currentState(); });
    command(1100, CommandExportAllPrograms);
    sim::schedule(1200, [&] { after = currentState(); });
    command(1300, CommandWriteAllPrograms);
    key(1350, '1');
    runEditor(2000);
    EXPECT_EQ(after, before);  // the panel keeps its program
    const std::string file = readFile("all.syx");
    ASSERT_EQ(file.size(), 4u * 115);
    ASSERT_EQ(sent.size(), 4u);
    unit::State fresh;
    std::vector<int> locations;
    size_t begin = 0;
    for (size_t i = 0; i < file.size(); ++i) {
        if (uint8_t(file[i]) == 0xF0) begin = i;
        if (uint8_t(file[i]) != 0xF7) continue;
        const std::vector<uint8_t> message(file.begin() + long(begin), file.begin() + long(i) + 1);
        locations.push_back(message[7]);
        EXPECT_EQ(message, sent[message[7]]);
        unit::receiveSysEx(fresh, message, 0);
    }
    EXPECT_EQ(locations, (std::vector<int>{1, 3, 9, 10}));
    EXPECT_EQ(fresh.Count.refused, 0);
    for (int location = 1; location <= 99; ++location) {
        EXPECT_EQ(fresh.ProgramMemory[location], sim::theUnit().ProgramMemory[location]) << location;
    }
}

TEST_F(SysExFileTest, ExportedProgramsImportAsNewFilesWithTheirValuesAndNeverOverAFile) {
    for (const char* name : {"01 Init.prg", "03 Fat Bass.prg", "05 EQ Keys.prg"}) copyProgram(name, name);
    fs::create_directories(path("imp"));
    chooseFolderFirst(path("progs"));
    for (int i = 0; i < 3; ++i) sim::queueDialogAnswer({DialogOutcome::Chosen, path("imp/all.syx")});
    command(1100, CommandExportAllPrograms);
    command(1200, CommandImportSysEx);
    key(1300, ' ');
    std::string first;
    sim::schedule(1350, [&] { first = readFile("imp/01 Imported.prg"); });
    command(1400, CommandImportSysEx);  // the same again: new names beside the first ones
    key(1500, ' ');
    runEditor(1600);
    const std::string counts = "\" Programs imported: 3, refused: 0\" \"\"";
    EXPECT_EQ(lines("message"), (std::vector<std::string>{counts, counts}));
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(readFile("imp/01 Imported.prg"), first);
    EXPECT_TRUE(lines("caption").empty());  // more than one: none is loaded
    EXPECT_TRUE(UndoStates.empty());
    const std::pair<const char*, const char*> made[] = {
        {"01 Init.prg", "01 Imported"}, {"03 Fat Bass.prg", "03 Imported"}, {"05 EQ Keys.prg", "05 Imported"}};
    for (const auto& [original, imported] : made) {
        for (const char* suffix : {".prg", " 2.prg"}) {
            const std::string file = path("imp/" + std::string(imported) + suffix);
            ASSERT_TRUE(fs::is_regular_file(file)) << file;
            EXPECT_EQ(valuesOf(file), valuesOf(shipped(original))) << file;
        }
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(path("imp")), fs::directory_iterator()), 7);
}

TEST_F(SysExFileTest, AnImportSaysWhatItCouldNotWriteApartFromWhatItRefused) {
    // 995 good requests for one location and two with a wrong sum: one import makes at most
    // 990 files, the names going past one that is taken; the five left over are not written,
    // which the message says apart from the two refused.
    std::vector<uint8_t> syx;
    for (int i = 0; i < 995; ++i) syx = std::move(syx) + request(1, someData(i));
    std::vector<uint8_t> badSum = request(2, someData(2));
    badSum[113] ^= 0x01;
    syx = std::move(syx) + badSum + badSum;
    fs::create_directories(path("imp"));
    writeFile("imp/many.syx", std::string(syx.begin(), syx.end()));
    writeFile("imp/01 Imported 5.prg", "mine");
    chooseFolderFirst(path("progs"));
    sim::queueDialogAnswer({DialogOutcome::Chosen, path("imp/many.syx")});
    command(1100, CommandImportSysEx);
    key(1200, ' ');
    const auto start = std::chrono::steady_clock::now();
    runEditor(1300);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "[ measure  ] Import of 995 programs for one location: " << took << " s\n";
    EXPECT_EQ(lines("message"), (std::vector<std::string>{"\" Programs imported: 990, refused: 2, not written: 5\" "
                                                          "\"  An import makes at most 990 program files.\""}));
    EXPECT_EQ(readFile("imp/01 Imported 5.prg"), "mine");
    EXPECT_TRUE(fs::exists(path("imp/01 Imported 991.prg")));
    EXPECT_FALSE(fs::exists(path("imp/01 Imported 992.prg")));
    // In request order: request k (from 0) is file k + 1, and k + 2 past the taken 5; the
    // data repeat every 128 requests, so the last (989) holds what request 93 does.
    EXPECT_EQ(readFile("imp/01 Imported 991.prg"), readFile("imp/01 Imported 95.prg"));
    EXPECT_NE(readFile("imp/01 Imported 991.prg"), readFile("imp/01 Imported 96.prg"));
}

TEST_F(SysExFileTest, AnImportIntoAFolderThatTakesNoFileCountsItsProgramsAsNotWritten) {
    std::vector<uint8_t> badSum = request(2, someData(2));
    badSum[113] ^= 0x01;
    const std::vector<uint8_t> syx =
        request(1, someData(1)) + badSum + request(3, someData(3)) + request(4, someData(4));
    fs::create_directories(path("locked"));
    writeFile("locked/three.syx", std::string(syx.begin(), syx.end()));
    if (!makeImmutable(path("locked"), true)) GTEST_SKIP() << "the immutable flag cannot be set here";
    struct Mutable {
        std::string folder;
        ~Mutable() { makeImmutable(folder, false); }
    } unflag{path("locked")};
    chooseFolderFirst(path("progs"));
    sim::queueDialogAnswer({DialogOutcome::Chosen, path("locked/three.syx")});
    command(1100, CommandImportSysEx);
    key(1200, ' ');
    key(1300, ' ');
    runEditor(1400);
    const std::vector<std::string> shown = lines("message");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].rfind("\"  " + path("locked/01 Imported.prg") + "\" \"  not written: ", 0), 0u) << shown[0];
    EXPECT_EQ(shown[1], "\" Programs imported: 0, refused: 1, not written: 3\" \"\"");
}

TEST_F(SysExFileTest, OneImportedProgramIsLoadedIntoThePanel) {
    ASSERT_TRUE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
    valuesOf(shipped("02 Warm Pad.prg"));
    std::vector<uint8_t> good = writeRequestFor(7, ParameterCount);
    good.insert(good.begin() + 40, 0xF8);
    std::vector<uint8_t> badSum = request(8, someData(8));
    badSum[113] ^= 0x01;
    const std::vector<uint8_t> syx = std::vector<uint8_t>{0xF0, 0x7E, 0x00, 0x06, 0x01, 0xF7} + badSum +
                                     cut(request(9, someData(9)), 30) + good;
    writeFile("one.syx", std::string(syx.begin(), syx.end()));
    resetEditorState();
    chooseFolderFirst(path("progs"));
    sim::queueDialogAnswer({DialogOutcome::Chosen, path("one.syx")});
    command(1100, CommandImportSysEx);
    key(1200, ' ');
    std::vector<int16_t> panel;
    sim::schedule(1250, [&] { panel = ProgramValues; });
    runEditor(1300);
    EXPECT_EQ(lines("message"), (std::vector<std::string>{"\" Programs imported: 1, refused: 2\" \"\""}));
    EXPECT_TRUE(fs::exists(path("07 Imported.prg")));
    EXPECT_EQ(lines("caption"), (std::vector<std::string>{shown("07 Imported")}));
    EXPECT_EQ(UndoStates.size(), 1u);
    EXPECT_EQ(panel, valuesOf(shipped("02 Warm Pad.prg")));
}

}  // namespace
