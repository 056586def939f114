// The simulated machine's rules that every scenario relies on: virtual time, the order of
// happenings and events, ticks while a button is held, how a run ends, the in-memory MIDI
// devices and the scripted dialogs.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/announce.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/midi.h"
#include "platform/msgwindow.h"
#include "platform/sim/sim.h"
#include "platform/window.h"
#include "shared/midi/devices.h"
#include "ktsim/script.h"
#include "unit/unit.h"

namespace {

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset("/nowhere");
        sim::setTranscript(&Out);
    }
    void TearDown() override { sim::setTranscript(nullptr); }
    Event commandAt(uint32_t at, int id) {
        Event e;
        e.kind = EventKind::Command;
        e.command = id;
        sim::scheduleEvent(at, e);
        return e;
    }
    std::ostringstream Out;
};

TEST_F(SimTest, WaitingJumpsToTheNextEventAndKeepsSchedulingOrder) {
    commandAt(500, 2);
    commandAt(200, 1);
    commandAt(500, 3);
    sim::setScriptEnd(500);
    EXPECT_EQ(waitEvent().command, 1);
    EXPECT_EQ(tickCount(), 200u);
    EXPECT_EQ(waitEvent().command, 2);
    EXPECT_EQ(waitEvent().command, 3);
    EXPECT_EQ(tickCount(), 500u);
}

TEST_F(SimTest, HeldButtonGivesTicksEveryTenMillisecondsUntilSomethingHappens) {
    sim::schedule(100, [] { sim::setMouse(10, 20, 1); });
    commandAt(135, 7);
    sim::setScriptEnd(1000);
    Event e = waitEvent();
    EXPECT_EQ(e.kind, EventKind::MouseButton);
    EXPECT_EQ(e.buttons, 1);
    EXPECT_EQ(waitEvent().kind, EventKind::Tick);
    EXPECT_EQ(tickCount(), 110u);
    EXPECT_EQ(waitEvent().kind, EventKind::Tick);
    EXPECT_EQ(waitEvent().kind, EventKind::Tick);
    EXPECT_EQ(tickCount(), 130u);
    e = waitEvent();  // the command comes at 135, before the next tick would
    EXPECT_EQ(e.kind, EventKind::Command);
    EXPECT_EQ(tickCount(), 135u);
}

TEST_F(SimTest, NoTicksWithoutAButtonAndCloseComesAtTheScriptsEnd) {
    sim::schedule(100, [] { sim::setMouse(10, 20, 0); });
    sim::setScriptEnd(3000);
    EXPECT_EQ(waitEvent().kind, EventKind::MouseButton);
    Event e = waitEvent();
    EXPECT_EQ(e.kind, EventKind::CloseRequested);
    EXPECT_EQ(tickCount(), 3000u);
}

TEST_F(SimTest, WaitEventForTimesOutExactlyOrReturnsEarly) {
    commandAt(700, 9);
    sim::setScriptEnd(700);
    Event e;
    EXPECT_FALSE(waitEventFor(250, e));
    EXPECT_EQ(tickCount(), 250u);
    EXPECT_TRUE(waitEventFor(1000, e));
    EXPECT_EQ(e.command, 9);
    EXPECT_EQ(tickCount(), 700u);
    EXPECT_FALSE(peekEvent(e));
    sleepMilliseconds(40);
    EXPECT_EQ(tickCount(), 740u);
}

TEST_F(SimTest, SleepingLeavesEventsQueuedInOrder) {
    commandAt(10, 1);
    commandAt(20, 2);
    sleepMilliseconds(100);
    Event e;
    ASSERT_TRUE(peekEvent(e));
    EXPECT_EQ(e.command, 1);
    ASSERT_TRUE(peekEvent(e));
    EXPECT_EQ(e.command, 2);
}

TEST_F(SimTest, ARunWaitingUnderAMessageEndsStuck) {
    sim::setScriptEnd(1000);
    openMessageWindow("Message:");
    announce(Announcement::MessageShown, {"  main", ""});
    EXPECT_THROW(waitEvent(), sim::ProgramEnded);
    EXPECT_EQ(Out.str(), "0 message \"  main\" \"\"\n1000 stuck \"  main\"\n");
}

TEST_F(SimTest, AProgramThatNeverStopsWaitingIsEndedAsStuck) {
    sim::setScriptEnd(100);
    EXPECT_THROW(
        {
            for (;;) sleepMilliseconds(1000);
        },
        sim::ProgramEnded);
    EXPECT_NE(Out.str().find("stuck"), std::string::npos);
}

TEST_F(SimTest, ShortMessagesReachOnlyAnOpenOutput) {
    std::vector<std::vector<uint8_t>> unit;
    sim::setMidiOutSink([&](const uint8_t* b, size_t n) { unit.emplace_back(b, b + n); });
    midiOutSendShort(0x7F3C90);
    std::string error;
    ASSERT_TRUE(midiOutOpenDevice(-1, error));
    midiOutSendShort(0x7F3C90);
    EXPECT_TRUE(midiOutCloseDevice());
    EXPECT_TRUE(midiOutCloseDevice()) << "closing with nothing open leaves it closed";
    midiOutSendShort(0x7F3C90);
    EXPECT_EQ(Out.str(), "0 midi open-out -1\n0 out 90 3C 7F\n0 midi close-out\n");
    ASSERT_EQ(unit.size(), 1u);
    EXPECT_EQ(unit[0], (std::vector<uint8_t>{0x90, 0x3C, 0x7F}));
}

int NotesEndedCalls = 0;
void countNotesEnded() { ++NotesEndedCalls; }

TEST_F(SimTest, ClosingTheProgramsDevicesClosesWhatIsOpenAndSaysNothingOfTheRest) {
    const struct {
        const char* what;
        bool out, in;
        const char* closeLines;
        int notesEnded;  // the output's last notes are ended only when it was open
    } cases[] = {
        {"both open", true, true, "0 midi close-out\n0 midi close-in\n", 1},
        {"output only", true, false, "0 midi close-out\n", 1},
        {"input only", false, true, "0 midi close-in\n", 0},
        {"nothing open", false, false, "", 0},
    };
    for (const auto& c : cases) {
        std::string error;
        if (c.out) {
            ASSERT_TRUE(midiOutOpenDevice(0, error)) << c.what;
        }
        if (c.in) {
            ASSERT_TRUE(midiInOpenDevice(0, error)) << c.what;
            midiInStartDevice();
            midiInQueueBuffer();
        }
        Out.str("");
        NotesEndedCalls = 0;
        BeforeMidiOutputChanges = countNotesEnded;
        closeMidiDevices();
        BeforeMidiOutputChanges = nullptr;
        EXPECT_FALSE(midiOutIsOpen()) << c.what;
        EXPECT_FALSE(midiInIsOpen()) << c.what;
        EXPECT_EQ(Out.str(), c.closeLines) << c.what;
        EXPECT_EQ(NotesEndedCalls, c.notesEnded) << c.what;
    }
}

TEST_F(SimTest, OpenFailuresCarryTheSystemText) {
    sim::setMidiOutDevices({"A", "B"});
    sim::setMidiOpenFailure(true, 1, "The device is busy.");
    std::string error;
    EXPECT_FALSE(midiOutOpenDevice(1, error));
    EXPECT_EQ(error, "The device is busy.");
    EXPECT_FALSE(midiOutOpenDevice(2, error));  // beyond the list
    EXPECT_TRUE(midiOutOpenDevice(0, error));
    sim::setMidiInDevices({});
    EXPECT_FALSE(midiInOpenDevice(0, error));
    EXPECT_EQ(midiInDeviceCount(), 0);
}

TEST_F(SimTest, LongSysExIsSummarisedWithHeadTailAndCrc) {
    std::string error;
    ASSERT_TRUE(midiOutOpenDevice(0, error));
    std::vector<uint8_t> msg(600, 0x11);
    msg.front() = 0xF0;
    msg.back() = 0xF7;
    EXPECT_TRUE(midiOutSendSysEx(msg.data(), msg.size()));
    const std::string text = Out.str();
    EXPECT_NE(text.find("0 sysex 600 head F0 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 tail 11 11 11 F7 crc32 "),
              std::string::npos);
    EXPECT_EQ(tickCount(), 192u);  // 600 bytes on the cable at 3125 bytes per second
    std::vector<uint8_t> small{0xF0, 0x01, 0xF7};
    Out.str("");
    midiOutSendSysEx(small.data(), small.size());
    EXPECT_EQ(Out.str(), "192 sysex 3 F0 01 F7\n");
}

TEST_F(SimTest, InputArrivesOnlyWhileOpenAndStartedAndSysExNeedsABuffer) {
    std::string error;
    sim::midiArrives({0x90, 0x40, 0x64});  // nothing open: lost
    ASSERT_TRUE(midiInOpenDevice(0, error));
    sim::midiArrives({0x90, 0x40, 0x64});  // not started: lost
    midiInStartDevice();
    sim::midiArrives({0x90, 0x40, 0x64});
    sim::midiArrives({0xF0, 0x01, 0xF7});  // no buffer queued: lost
    midiInQueueBuffer();
    sim::midiArrives({0xF0, 0x02, 0xF7});
    sim::midiArrives({0xF0, 0x03, 0xF7});  // the buffer was used up by the one before
    Event e;
    ASSERT_TRUE(peekEvent(e));
    EXPECT_EQ(e.kind, EventKind::MidiShort);
    EXPECT_EQ(e.midiWord, 0x644090u);
    ASSERT_TRUE(peekEvent(e));
    EXPECT_EQ(e.kind, EventKind::MidiLong);
    EXPECT_EQ(e.bytes, (std::vector<uint8_t>{0xF0, 0x02, 0xF7}));
    EXPECT_FALSE(peekEvent(e));
}

TEST_F(SimTest, DialogsTakeTheScriptedAnswersInOrderAndCancelWithoutOne) {
    sim::queueDialogAnswer({DialogOutcome::Chosen, "/h/a.prg"});
    sim::queueDialogAnswer({DialogOutcome::NoPath, ""});
    DialogAnswer a = fileDialog(FileDialogKind::Open, "Load Program", "/h", "*.prg");
    EXPECT_EQ(a.outcome, DialogOutcome::Chosen);
    EXPECT_EQ(a.path, "/h/a.prg");
    EXPECT_EQ(folderDialog("Select Directory", "/h\\x\"y").outcome, DialogOutcome::NoPath);
    EXPECT_EQ(fileDialog(FileDialogKind::Save, "Save", "/h", "*.prg").outcome, DialogOutcome::Cancelled);
    EXPECT_EQ(Out.str(),
              "0 dialog open \"Load Program\" \"/h\" -> \"/h/a.prg\"\n"
              "0 dialog folder \"Select Directory\" \"/h\\\\x\\\"y\" -> nopath\n"
              "0 dialog save \"Save\" \"/h\" -> cancel\n");
}

// The unit's side of the simulated machine: what reaches it, and when its replies come back.
class SimUnitTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        sim::setMidiOutDevices({"KT MIDI Out", "Other Synth"});
        sim::setScriptEnd(10000);
    }
    void openDevices(int out) {
        std::string error;
        ASSERT_TRUE(midiOutOpenDevice(out, error));
        ASSERT_TRUE(midiInOpenDevice(0, error));
        midiInStartDevice();
        midiInQueueBuffer();
    }
    static std::vector<uint8_t> programWrite(int location, uint8_t value) {
        std::vector<uint8_t> m{0xF0, 0x00, 0x21, 0x11, 0x03, 0x20, 0x00, uint8_t(location)};
        int sum = 0;
        for (int i = 0; i < 104; ++i) {
            m.push_back(value);
            sum += value;
        }
        m.push_back(uint8_t((sum >> 7) & 0x7F));
        m.push_back(uint8_t(sum & 0x7F));
        m.push_back(0xF7);
        return m;
    }
};

TEST_F(SimUnitTest, AProgramWriteTakesWireTimeBothWays) {
    openDevices(0);
    const std::vector<uint8_t> request = programWrite(7, 0x10);
    ASSERT_EQ(request.size(), 115u);
    EXPECT_TRUE(midiOutSendSysEx(request.data(), request.size()));
    EXPECT_EQ(sim::nowUs(), 36800u);  // 115 bytes at 3125 bytes/s: the send returns after them
    Event e;
    ASSERT_TRUE(waitEventFor(1000, e));
    EXPECT_EQ(e.kind, EventKind::MidiLong);
    EXPECT_EQ(e.bytes, (std::vector<uint8_t>{0xF0, 0x00, 0x21, 0x11, 0x03, 0x21, 0xF7}));
    EXPECT_EQ(sim::nowUs(), 44040u);  // 36.8 + 5 ms reply delay + 2.24 ms of reply on the cable
    EXPECT_EQ(tickCount(), 44u);
    EXPECT_EQ(sim::theUnit().ProgramMemory[7].size(), 104u);
}

TEST_F(SimUnitTest, WithoutWireSpeedTheReplyComesAfterTheDelayAlone) {
    openDevices(-1);  // the mapper reaches the unit too
    sim::setWireSpeed(false);
    sim::theUnit().ReplyDelayMs = 1999;
    const std::vector<uint8_t> request = programWrite(1, 0);
    midiOutSendSysEx(request.data(), request.size());
    EXPECT_EQ(tickCount(), 0u);
    Event e;
    ASSERT_TRUE(waitEventFor(3000, e));
    EXPECT_EQ(tickCount(), 1999u);
}

TEST_F(SimUnitTest, AnotherOutputDeviceDoesNotReachTheUnit) {
    openDevices(1);
    const std::vector<uint8_t> request = programWrite(1, 0);
    midiOutSendSysEx(request.data(), request.size());
    midiOutSendShort(0x403C90);
    Event e;
    EXPECT_FALSE(waitEventFor(3000, e));
    EXPECT_TRUE(sim::theUnit().ProgramMemory[1].empty());
    EXPECT_TRUE(sim::theUnit().SoundingNotes.empty());
}

TEST_F(SimUnitTest, ShortMessagesReachTheUnitAtOnce) {
    openDevices(0);
    for (uint32_t word : {0x0B63B0u, 0x0162B0u, 0x4006B0u, 0x643C90u}) midiOutSendShort(word);
    EXPECT_EQ(sim::theUnit().Parameters.at({11, 1}), 0x40);
    EXPECT_EQ(sim::theUnit().SoundingNotes.count(60), 1u);
    EXPECT_EQ(tickCount(), 0u);
}

TEST_F(SimUnitTest, ScriptedUnitLinesChangeTheUnitAtTheirTime) {
    ktsim::ScriptResult r = ktsim::loadScript(
        "unit mode update\nunit reply-delay 7\nwait 100\nunit silent-next\nunit reply-next F0 01 F7\n"
        "unit verdict fail\nunit erase-ms 3000\nunit wire-speed off\nunit absent\nunit dump\n",
        "/h", nullptr, nullptr);
    ASSERT_TRUE(r.ok) << r.error;
    sleepMilliseconds(50);
    EXPECT_EQ(sim::theUnit().UnitMode, unit::Mode::Update);
    EXPECT_EQ(sim::theUnit().ReplyDelayMs, 7u);
    EXPECT_TRUE(sim::theUnit().Overrides.empty());
    sleepMilliseconds(50);
    ASSERT_EQ(sim::theUnit().Overrides.size(), 2u);
    EXPECT_TRUE(sim::theUnit().Overrides[0].silent);
    EXPECT_EQ(sim::theUnit().Overrides[1].bytes, (std::vector<uint8_t>{0xF0, 0x01, 0xF7}));
    EXPECT_FALSE(sim::theUnit().VerdictOk);
    EXPECT_EQ(sim::theUnit().EraseMs, 3000u);
    EXPECT_FALSE(sim::wireSpeed());
    EXPECT_TRUE(sim::theUnit().Absent);
    EXPECT_NE(Out.str().find("100 unit settings reply-delay 7 erase-ms 3000 verdict fail pending-overrides 2 "
                             "wire-speed off\n100 unit mode update absent\n"),
              std::string::npos)
        << Out.str();
    EXPECT_FALSE(ktsim::loadScript("unit verdict maybe\n", "/h", nullptr, nullptr).ok);
    EXPECT_FALSE(ktsim::loadScript("unit reply-next F0 XY F7\n", "/h", nullptr, nullptr).ok);
}

TEST(ScriptTest, WordsQuotesEscapesAndComments) {
    std::vector<std::string> w;
    std::string error;
    ASSERT_TRUE(ktsim::splitScriptLine(R"(devices out "KT \"A\"" B\\ # comment "x")", w, error));
    EXPECT_EQ(w, (std::vector<std::string>{"devices", "out", "KT \"A\"", "B\\\\"}));
    EXPECT_FALSE(ktsim::splitScriptLine("answer file \"open", w, error));
}

TEST(ScriptTest, BadLinesAreRefusedWithTheirLineNumber) {
    sim::reset("/h");
    ktsim::ScriptResult r = ktsim::loadScript("wait 10\nmouse 1 2 7\n", "/h", nullptr, nullptr);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error.rfind("line 2:", 0), 0u);
    r = ktsim::loadScript("midi-in 90 40 64 00\n", "/h", nullptr, nullptr);
    EXPECT_FALSE(r.ok);
    r = ktsim::loadScript("frobnicate\n", "/h", nullptr, nullptr);
    EXPECT_FALSE(r.ok);
}

TEST(ScriptTest, LinesBecomeHappeningsAtTheirScriptTime) {
    sim::reset("/h");
    ktsim::ScriptResult r =
        ktsim::loadScript("answer file \"progs/a.prg\"\nwait 1000\nmenu 1003\nwait 500\nkey enter\nwait 20\n", "/h",
                          nullptr, nullptr);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.endTime, 1520u);
    sim::setScriptEnd(r.endTime);
    Event e = waitEvent();
    EXPECT_EQ(e.kind, EventKind::Command);
    EXPECT_EQ(tickCount(), 1000u);
    e = waitEvent();
    EXPECT_EQ(e.kind, EventKind::Key);
    EXPECT_EQ(e.key, KeyEnter);
    EXPECT_EQ(fileDialog(FileDialogKind::Open, "t", "/h", "*.prg").path, "/h/progs/a.prg");
    EXPECT_EQ(waitEvent().kind, EventKind::CloseRequested);
    EXPECT_EQ(tickCount(), 1520u);
}

// A stream that holds everything until it is flushed, like a pipe's buffer: what a killed
// run leaves behind is what was flushed.
class HeldBuffer : public std::streambuf {
public:
    HeldBuffer() { setp(Held, Held + sizeof Held); }
    std::string Flushed;

protected:
    int sync() override {
        Flushed.append(pbase(), pptr());
        setp(Held, Held + sizeof Held);
        return 0;
    }

private:
    char Held[4096];
};

TEST(ScriptTest, EveryTranscriptLineIsFlushedAsItIsWritten) {
    sim::reset("/h");
    HeldBuffer buffer;
    std::ostream out(&buffer);
    sim::setTranscript(&out);
    sim::transcript("caption", sim::quote("one"));
    EXPECT_EQ(buffer.Flushed, "0 caption \"one\"\n");
    sleepMilliseconds(3);
    sim::transcript("out", "90 40 64");
    EXPECT_EQ(buffer.Flushed, "0 caption \"one\"\n3 out 90 40 64\n");
    sim::setTranscript(nullptr);
}

TEST(ScriptTest, ScriptTimeRunsPastTheWrapOfTheProgramsTick) {
    sim::reset("/h");
    std::ostringstream out;
    sim::setTranscript(&out);
    // 3e9 ms lies beyond 2^31, 5e9 ms beyond 2^32: the tick wraps, script time does not.
    ktsim::ScriptResult r = ktsim::loadScript("wait 3000000000\nmenu 7\nwait 2000000000\nmenu 8\n", "/h", nullptr, nullptr);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.endTime, 5000000000u);
    sim::setScriptEnd(r.endTime);
    EXPECT_EQ(waitEvent().command, 7);
    EXPECT_EQ(tickCount(), 3000000000u);
    EXPECT_EQ(waitEvent().command, 8);
    EXPECT_EQ(sim::now(), 5000000000u);
    EXPECT_EQ(tickCount(), uint32_t(5000000000u - 4294967296u));
    sim::transcript("caption", sim::quote("late"));
    sim::setTranscript(nullptr);
    EXPECT_EQ(out.str(), "5000000000 caption \"late\"\n");
    EXPECT_FALSE(ktsim::loadScript("wait 31622400001\n", "/h", nullptr, nullptr).ok);  // more than a year
    std::string thousandYears;
    for (int i = 0; i < 1001; ++i) thousandYears += "wait 31622400000\n";
    EXPECT_FALSE(ktsim::loadScript(thousandYears, "/h", nullptr, nullptr).ok);
}

TEST(ScriptTest, ControlCharactersAreEscapedInTranscriptsAndReadBackByScripts) {
    EXPECT_EQ(sim::quote("A\tB\nC\rD\x01\x1F\x7F\"\\\xE9"), R"("A\tB\nC\rD\x01\x1F\x7F\"\\)" + std::string("\xE9\""));
    std::vector<std::string> w;
    std::string error;
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text = std::string(" a") + static_cast<char>(byte) + "z ";
        const std::string quoted = sim::quote(text);
        for (char c : quoted) {
            EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << "byte " << byte << ": " << quoted;
        }
        ASSERT_TRUE(ktsim::splitScriptLine("devices out " + quoted, w, error)) << byte;
        EXPECT_EQ(w, (std::vector<std::string>{"devices", "out", text})) << "byte " << byte;
    }
    ASSERT_TRUE(ktsim::splitScriptLine(R"("\x4a\q" "\x41")", w, error));
    EXPECT_EQ(w, (std::vector<std::string>{"Jq", "A"}));
    EXPECT_FALSE(ktsim::splitScriptLine(R"("\x4")", w, error));
    EXPECT_FALSE(ktsim::splitScriptLine(R"("\xG1")", w, error));
}

}  // namespace

// ---- "transcript from-loop": the start-up stream left out of the transcript

namespace {

TEST(TranscriptFromLoopTest, TheLineStandsAnywhereAndTakesNoOtherWords) {
    const struct {
        const char* script;
        bool ok;
    } cases[] = {
        {"transcript from-loop\nwait 1000\nclose\n", true},
        {"wait 1000\nmenu 1001\ntranscript from-loop # after the events\n", true},
        {"transcript\n", false},
        {"transcript from-start\n", false},
        {"transcript from-loop now\n", false},
    };
    for (const auto& c : cases) {
        sim::reset("/h");
        EXPECT_EQ(ktsim::loadScript(c.script, "/h", nullptr, nullptr).ok, c.ok) << c.script;
    }
}

TEST(TranscriptFromLoopTest, LinesBeforeTheLoopAreLeftOutButNotHowTheRunEnded) {
    const struct {
        const char* what;
        const char* script;
        bool loopStarts;
        const char* expected;
    } cases[] = {
        {"without the line", "wait 10\n", true, "0 caption \"A\"\n5 out B0 06 00\n5 stuck \"s\"\n5 exit\n"},
        {"with it", "wait 10\ntranscript from-loop\n", true, "5 out B0 06 00\n5 stuck \"s\"\n5 exit\n"},
        {"a program ending before its loop", "transcript from-loop\nwait 10\n", false, "5 stuck \"s\"\n5 exit\n"},
    };
    for (const auto& c : cases) {
        sim::reset("/h");
        std::ostringstream out;
        sim::setTranscript(&out);
        ASSERT_TRUE(ktsim::loadScript(c.script, "/h", nullptr, nullptr).ok) << c.what;
        sim::transcript("caption", sim::quote("A"));
        sleepMilliseconds(5);
        if (c.loopStarts) announce(Announcement::LoopStarted, {});
        sim::transcript("out", "B0 06 00");
        sim::transcript("stuck", sim::quote("s"));
        sim::transcript("exit", "");
        sim::setTranscript(nullptr);
        EXPECT_EQ(out.str(), c.expected) << c.what;
    }
}

}  // namespace

// ---- keys with modifiers, the wheel, the double click and greyed menu items

namespace {

TEST(InputLinesTest, KeyLinesGiveTheKeyAndItsModifiers) {
    struct Case {
        const char* line;
        int key;
        bool ctrl, shift;
    };
    const Case cases[] = {
        {"key a", 'a', false, false},          {"key enter", KeyEnter, false, false},
        {"key ctrl+z", 'z', true, false},      {"key ctrl+shift+z", 'z', true, true},
        {"key shift+up", KeyUp, false, true},  {"key pagedown", KeyPageDown, false, false},
        {"key home", KeyHome, false, false},   {"key end", KeyEnd, false, false},
        {"key ctrl+plus", '+', true, false},   {"key ctrl+minus", '-', true, false},
        {"key left", KeyLeft, false, false},   {"key right", KeyRight, false, false},
        {"key ctrl+0", '0', true, false},      {"key +", '+', false, false},
    };
    for (const Case& c : cases) {
        sim::reset("/h");
        ASSERT_TRUE(ktsim::loadScript(std::string(c.line) + "\n", "/h", nullptr, nullptr).ok) << c.line;
        Event e;
        ASSERT_TRUE(waitEventFor(10, e)) << c.line;
        EXPECT_EQ(e.kind, EventKind::Key) << c.line;
        EXPECT_EQ(e.key, c.key) << c.line;
        EXPECT_EQ(e.ctrl, c.ctrl) << c.line;
        EXPECT_EQ(e.shift, c.shift) << c.line;
    }
    for (const char* bad : {"key ctrl+", "key ctrl+pgup", "key alt+a", "key up down", "wheel 1 2", "wheel 1 2 0",
                            "wheel 1 2 3 ctrl", "dblclick 5", "dblclick a b"}) {
        EXPECT_FALSE(ktsim::loadScript(std::string(bad) + "\n", "/h", nullptr, nullptr).ok) << bad;
    }
}

TEST(InputLinesTest, TheWheelMovesTheMouseAndCountsNotches) {
    sim::reset("/h");
    ASSERT_TRUE(ktsim::loadScript("wheel 30 40 -2\nwheel 31 41 3 shift\n", "/h", nullptr, nullptr).ok);
    Event e;
    ASSERT_TRUE(waitEventFor(10, e));
    EXPECT_EQ(e.kind, EventKind::Wheel);
    EXPECT_EQ(e.notches, -2);
    EXPECT_FALSE(e.shift);
    ASSERT_TRUE(waitEventFor(10, e));
    EXPECT_EQ(e.notches, 3);
    EXPECT_TRUE(e.shift);
    EXPECT_EQ(e.x, 31);
    int x = 0, y = 0;
    mousePosition(x, y);
    EXPECT_EQ(x, 31);
    EXPECT_EQ(y, 41);
    EXPECT_EQ(mouseButtons(), 0);
}

// The four steps of a double click happen at one time; a program taking them one after the
// other sees the live buttons of each step, as it would on a desktop.
TEST(InputLinesTest, ADoubleClickIsFourStepsWhoseLiveStateFollowsTheTaking) {
    sim::reset("/h");
    ASSERT_TRUE(ktsim::loadScript("wait 5\ndblclick 70 80\n", "/h", nullptr, nullptr).ok);
    const int buttons[4] = {1, 0, 1, 0};
    for (int step = 0; step < 4; ++step) {
        Event e;
        ASSERT_TRUE(waitEventFor(100, e)) << step;
        EXPECT_EQ(e.kind, EventKind::MouseButton) << step;
        EXPECT_EQ(e.buttons, buttons[step]) << step;
        EXPECT_EQ(e.doubleClick, step == 2) << step;
        EXPECT_EQ(mouseButtons(), buttons[step]) << step;
        EXPECT_EQ(tickCount(), 5u) << step;
    }
}

TEST(InputLinesTest, AGreyedMenuItemDeliversNothing) {
    sim::reset("/h");
    MenuHandle bar = createMenuBar();
    appendMenuItem(bar, 7, "&Seven", "Ctrl+7");
    enableMenuItem(7, false);
    ASSERT_TRUE(ktsim::loadScript("menu 7\nwait 10\nmenu 8\n", "/h", nullptr, nullptr).ok);
    Event e;
    ASSERT_TRUE(waitEventFor(100, e));
    EXPECT_EQ(e.command, 8);  // 7 was greyed out
    EXPECT_FALSE(sim::menuItemIsEnabled(7));
    enableMenuItem(7, true);
    EXPECT_TRUE(sim::menuItemIsEnabled(7));
}

}  // namespace
