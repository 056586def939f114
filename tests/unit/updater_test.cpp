// The firmware updater on the simulated machine with the simulated unit in update mode: the
// packing against the unit's own unpacking, the messages, a full-size image end to end with
// its time on the wire and its progress bar, and the configuration file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/events.h"
#include "platform/sim/sim.h"
#include "platform/window.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/expression.h"
#include "shared/midi/devices.h"
#include "shared/midi/nrpn.h"
#include "shared/midi/sysex.h"
#include "shared/zoom/zoomlevels.h"
#include "unit/unit.h"
#include "updater/updater.h"

namespace {

using updater::packSevenBit;
using updater::updateDataMessage;

std::vector<uint8_t> pack(const std::vector<uint8_t>& image) {
    std::vector<uint8_t> packed((8 * image.size() + 6) / 7 + 1, 0xEE);
    packSevenBit(image.data(), image.size(), packed.data());
    packed.resize((8 * image.size() + 6) / 7);  // ceil(8n / 7) bytes are written
    return packed;
}

TEST(PackSevenBitTest, WorkedExamples) {
    EXPECT_EQ(pack({0xFF, 0x00}), (std::vector<uint8_t>{0x7F, 0x40, 0x00}));
    EXPECT_EQ(pack({}).size(), 0u);
    EXPECT_EQ(pack(std::vector<uint8_t>(7, 0xFF)), std::vector<uint8_t>(8, 0x7F));
    EXPECT_EQ(updateDataMessage({}),
              (std::vector<uint8_t>{0xF0, 0x00, 0x21, 0x11, 0x02, 0x13, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF7}));
    EXPECT_EQ(updateDataMessage(std::vector<uint8_t>(7, 1)).size(), 9u + 12);   // L = 9
    EXPECT_EQ(updateDataMessage(std::vector<uint8_t>(8, 1)).size(), 10u + 12);  // L = 10
    const std::vector<uint8_t> m = updateDataMessage(std::vector<uint8_t>(1000, 0xA5));
    EXPECT_EQ(std::vector<uint8_t>(m.begin() + 6, m.begin() + 9), (std::vector<uint8_t>{0x00, 0x08, 0x77}));
}

TEST(PackSevenBitTest, RoundTripsThroughTheUnitsUnpackingForEveryLength) {
    std::mt19937 random(12345);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 64; ++n) lengths.push_back(n);
    for (size_t n : {1000u, 4095u, 52499u, 52500u}) lengths.push_back(n);
    for (size_t n : lengths) {
        std::vector<uint8_t> image(n);
        for (uint8_t& b : image) b = static_cast<uint8_t>(random());
        const std::vector<uint8_t> message = updateDataMessage(image);
        const size_t length = message.size() - 12;
        ASSERT_EQ(length, (8 * n + 7) / 7) << n;
        const std::vector<uint8_t> packed(message.begin() + 9, message.begin() + 9 + length);
        for (uint8_t b : packed) ASSERT_LE(b, 0x7F) << n;
        ASSERT_EQ(unit::unpackSevenBit(packed), image) << "length " << n;
    }
}

class UpdaterRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        Home = std::filesystem::path(::testing::TempDir()) /
               (std::string("kt_updater_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(Home);
        std::filesystem::create_directories(Home / "fw");
        sim::reset(Home.string());
        updater::resetUpdaterState();
        sim::setTranscript(&Out);
        sim::theUnit().UnitMode = unit::Mode::Update;
    }
    void TearDown() override { sim::setTranscript(nullptr); }
    void writeImage(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream out(Home / "fw" / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void command(uint32_t at, int id) {
        Event e;
        e.kind = EventKind::Command;
        e.command = id;
        sim::scheduleEvent(at, e);
    }
    void run(uint32_t closeAt) {
        Event close;
        close.kind = EventKind::CloseRequested;
        sim::scheduleEvent(closeAt, close);
        sim::setScriptEnd(closeAt);
        try {
            ktbootMain();
        } catch (const sim::ProgramEnded&) {
            ADD_FAILURE() << "the updater ended from inside:\n" << Out.str();
        }
    }
    std::string readFile(const std::string& name) const {
        std::ifstream in(Home / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::filesystem::path Home;
    std::ostringstream Out;
};

TEST_F(UpdaterRunTest, AFullSizeImageArrivesWholeAtWireSpeedWithAProgressBar) {
    std::vector<uint8_t> image(updater::MaxImageBytes);
    std::mt19937 random(99);
    for (uint8_t& b : image) b = static_cast<uint8_t>(random());
    writeImage("big.ldr", image);
    sim::queueDialogAnswer({DialogOutcome::Chosen, (Home / "fw" / "big.ldr").string()});
    command(1000, updater::CommandLoad);
    // Halfway through the send the bar is partly filled: its left end lit, its right end not.
    int barLeft = 0, barRight = 0;
    uint64_t sendStartUs = 0;
    sim::setMidiOutSink([&](const uint8_t* bytes, size_t n) {
        if (n > 1000) sendStartUs = sim::nowUs();
        (void)bytes;
    });
    sim::schedule(1000 + 1509 + 10000, [&] {
        const Canvas& c = sim::mainWindowCanvas();
        barLeft = c.pixel(20, updater::WindowHeight - 38) == updater::ProgressFill;
        barRight = c.pixel(updater::WindowWidth - 20, updater::WindowHeight - 38) == updater::ProgressFill;
    });
    run(40000);
    EXPECT_TRUE(sim::theUnit().HaveImage);
    EXPECT_EQ(sim::theUnit().Image, image);
    EXPECT_NE(Out.str().find("text \" Update was successful!!!\""), std::string::npos);
    EXPECT_TRUE(barLeft);
    EXPECT_FALSE(barRight);
    // The send itself takes the wire time of its 60,012 bytes, and nothing more.
    const size_t messageBytes = (8 * image.size() + 7) / 7 + 12;
    const double wireMs = messageBytes / 3.125;
    std::istringstream lines(Out.str());
    std::string line;
    uint32_t sendingAt = 0, doneAt = 0;
    while (std::getline(lines, line)) {
        if (line.find("Sending update") != std::string::npos) sendingAt = std::stoul(line);
        if (line.find("successful") != std::string::npos) doneAt = std::stoul(line);
    }
    const double spent = doneAt - sendingAt;
    const double floorMs = wireMs + 5 + 7 / 3.125;  // the send, the unit's answer, the reply
    std::cout << "[ measure  ] 52,500-byte image: " << spent << " ms from \"Sending update...\" to the verdict, "
              << "wire-time floor " << floorMs << " ms\n";
    EXPECT_GE(spent + 1, floorMs);
    EXPECT_LT(spent, floorMs * 1.01);
    EXPECT_GT(sendStartUs, 0u);
}

// The reply wait under the verdict's rule: a message that arrived before the given tick is
// dropped (and reception stays armed), one that arrived at it or later is the reply, also when
// it has waited in the queue (the stray of the last case); a close request taken meanwhile neither ends the wait nor is
// lost: it is the next event after the wait. Cases: the reply after the tick, exactly at it,
// and a "stray" that came after the tick, which is the reply then.
TEST_F(UpdaterRunTest, TheReplyWaitDropsEarlierArrivalsAndKeepsACloseRequest) {
    struct Case {
        uint32_t strayAt, closeAt, replyAt, arrivedFrom;
    };
    for (const Case c : {Case{100, 200, 300, 250}, Case{100, 200, 250, 250}, Case{300, 400, 600, 250}}) {
        sim::reset(Home.string());
        updater::resetUpdaterState();
        std::string error;
        ASSERT_TRUE(midiInOpenDevice(0, error)) << error;
        midiInStartDevice();
        midiInQueueBuffer();
        const std::vector<uint8_t> stray{0xF0, 0x00, 0x21, 0x11, 0x02, 0x15, 0xF7};
        const std::vector<uint8_t> verdict{0xF0, 0x00, 0x21, 0x11, 0x02, 0x14, 0xF7};
        sim::schedule(c.strayAt, [stray] { sim::midiArrives(stray); });
        Event close;
        close.kind = EventKind::CloseRequested;
        sim::scheduleEvent(c.closeAt, close);
        sim::schedule(c.replyAt, [verdict] { sim::midiArrives(verdict); });
        // The wait starts after the stray and the close, as after a send that returned late
        // (the stray holds the one receive buffer until it is taken).
        sim::advanceToUs(uint64_t(std::max(c.strayAt, c.closeAt)) * 1000);
        ReplyWait wait;
        wait.timeout = 1000;
        wait.dropEarlier = true;
        wait.arrivedFrom = c.arrivedFrom;
        const std::vector<uint8_t> reply = waitSysExReply(wait);
        const bool strayCounts = c.strayAt >= c.arrivedFrom;
        EXPECT_EQ(reply, strayCounts ? stray : verdict) << c.replyAt;
        EXPECT_TRUE(wait.received);
        // Taken and kept by the wait, or not reached by it: either way the next event.
        EXPECT_EQ(wait.closeRequested, !strayCounts);
        Event next;
        ASSERT_TRUE(peekEvent(next));
        EXPECT_EQ(next.kind, EventKind::CloseRequested);
    }
}

TEST_F(UpdaterRunTest, AStraySysExInTheCommandLoopLeavesReceptionArmedForTheUpdate) {
    // Nobody waits for this message; unless the loop queues the receive buffer again, the
    // unit's identification reply finds reception deaf and the update fails with error 1.
    writeImage("small.ldr", {1, 2, 3});
    sim::schedule(500, [] { sim::midiArrives({0xF0, 0x7D, 0x01, 0xF7}); });
    sim::queueDialogAnswer({DialogOutcome::Chosen, (Home / "fw" / "small.ldr").string()});
    command(1000, updater::CommandLoad);
    run(6000);
    EXPECT_NE(Out.str().find("text \" Update was successful!!!\""), std::string::npos) << Out.str();
    EXPECT_EQ(sim::theUnit().Image, (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(UpdaterRunTest, ResetClearsWhatAnEarlierRunLeftBehind) {
    // Everything the updater and the shared code it runs on keep, left dirty as by a run
    // (or an editor test) before.
    updater::UpdaterDirectory = updater::UpdaterFolderLine = updater::UpdaterConfigPath = "/old";
    updater::LoaderFolder = updater::LoaderPath = "/old/fw";
    updater::UpdaterName = "Other";
    MidiInDevice = 3;
    MidiOutDevice = 2;
    MidiErrorText = "busy";
    MidiInQuietUntil = 77;
    MidiInQuiet = true;
    LastNrpnMsb = LastNrpnLsb = 12;
    EditBracketOpen = true;
    DataFileName = "/old/KTboot.CFG";
    DataLineNumber = 9;
    EndOfDataEndsProgram = false;
    DataFileExhausted = true;
    declareSymbol("Knob = 3");
    ASSERT_EQ(SymbolCount, 1);

    updater::resetUpdaterState();

    EXPECT_EQ(updater::UpdaterName, "KTboot");
    for (const std::string* text : {&updater::UpdaterDirectory, &updater::UpdaterFolderLine,
                                    &updater::UpdaterConfigPath, &updater::LoaderFolder, &updater::LoaderPath,
                                    &MidiErrorText, &DataFileName})
        EXPECT_EQ(*text, "");
    EXPECT_EQ(MidiInDevice, 0);
    EXPECT_EQ(MidiOutDevice, -1) << "without a configuration file the output is the mapper";
    EXPECT_EQ(MidiInQuietUntil, 0u);
    EXPECT_FALSE(MidiInQuiet);
    EXPECT_EQ(LastNrpnMsb, -1);
    EXPECT_EQ(LastNrpnLsb, -1);
    EXPECT_FALSE(EditBracketOpen);
    EXPECT_EQ(DataLineNumber, 0);
    EXPECT_TRUE(EndOfDataEndsProgram);
    EXPECT_FALSE(DataFileExhausted);
    EXPECT_EQ(SymbolCount, 0);
}

TEST_F(UpdaterRunTest, ErrorNumbersAreNotWrappedIntoOneByte) {
    writeImage("small.ldr", {1, 2, 3});
    std::vector<uint8_t> long60(60, 0x00);
    long60.front() = 0xF0;
    long60.back() = 0xF7;
    sim::theUnit().Overrides.push_back({false, {0xF0, 0x00, 0x21, 0x11, 0x02, 0x11, 0xF7}});
    sim::theUnit().Overrides.push_back({false, {0xF0, 0x00, 0x21, 0x11, 0x02, 0x12, 0xF7}});
    sim::theUnit().Overrides.push_back({false, long60});
    sim::queueDialogAnswer({DialogOutcome::Chosen, (Home / "fw" / "small.ldr").string()});
    command(1000, updater::CommandLoad);
    run(6000);
    EXPECT_NE(Out.str().find("text \" Error No.: 260\""), std::string::npos) << Out.str();
}

TEST_F(UpdaterRunTest, ConfigurationIsWrittenAtExitAndReadAtTheNextStart) {
    run(1000);
    EXPECT_EQ(readFile("KTboot.CFG"), Home.string() + "\r\n 0\r\n-1\r\n");
    // Edited by hand: the second input device and output device 1.
    std::ofstream(Home / "KTboot.CFG", std::ios::binary) << "/somewhere\r\n; comment\r\n 1 ; in\r\n 1\r\n";
    sim::reset(Home.string());
    sim::setTranscript(&Out);
    sim::setMidiInDevices({"In A", "In B"});
    sim::setMidiOutDevices({"Out A", "Out B"});
    Out.str("");
    run(1000);
    EXPECT_NE(Out.str().find("0 midi open-in 1"), std::string::npos) << Out.str();
    EXPECT_NE(Out.str().find("0 midi open-out 1"), std::string::npos);
    EXPECT_EQ(readFile("KTboot.CFG"), "/somewhere\r\n 1\r\n 1\r\n");
}

// The window's zoom over three starts: the first on the common 1920 x 1080 laptop at 120 dpi
// takes 125 %; the View menu's items and keys step through the levels that fit (Zoom In
// greyed at the top) and KTboot.ini keeps the last; the next start takes the kept level
// whatever the dpi; on a screen too small for it the first-start rule serves and the kept
// level stays in the file.
TEST_F(UpdaterRunTest, TheZoomStartsFromTheScreenAndTheLevelChosenIsKeptInTheOptionsFile) {
    auto start = [this](int w, int h, int dpi) {
        sim::reset(Home.string());
        updater::resetUpdaterState();
        sim::setTranscript(&Out);
        sim::setScreen(w, h, false);
        sim::setScreenDpi(dpi);
        Out.str("");
    };
    auto menu = [](uint32_t at, int id) { sim::schedule(at, [id] { sim::menuCommand(id); }); };
    auto ctrlKey = [](uint32_t at, int key) {
        Event e;
        e.kind = EventKind::Key;
        e.key = key;
        e.ctrl = true;
        sim::scheduleEvent(at, e);
    };
    auto zoomLines = [this] {
        std::string lines;
        std::istringstream in(Out.str());
        for (std::string line; std::getline(in, line);) {
            if (line.find(" zoom ") != std::string::npos) lines += line + "\n";
        }
        return lines;
    };
    std::vector<bool> usable;  // Zoom In, Zoom Out, Actual Size when looked at
    auto look = [&usable](uint32_t at) {
        sim::schedule(at, [&usable] {
            for (int id : {CommandZoomIn, CommandZoomOut, CommandActualSize}) usable.push_back(sim::menuItemIsEnabled(id));
        });
    };

    start(1920, 1080, 120);
    ctrlKey(1000, '=');  // Ctrl+Plus unshifted
    menu(1100, CommandZoomIn);
    menu(1200, CommandZoomIn);
    look(1250);
    menu(1300, CommandZoomIn);  // greyed: nothing larger than 300 %
    ctrlKey(1400, '0');
    look(1450);
    ctrlKey(1500, '+');
    menu(1600, CommandZoomIn);
    menu(1700, CommandZoomIn);
    ctrlKey(1800, '-');
    run(2000);
    EXPECT_EQ(zoomLines(), "0 zoom 125 650 325\n1000 zoom 150 780 390\n1100 zoom 200 1040 520\n"
                           "1200 zoom 300 1560 780\n1400 zoom 100 520 260\n1500 zoom 125 650 325\n"
                           "1600 zoom 150 780 390\n1700 zoom 200 1040 520\n1800 zoom 150 780 390\n");
    EXPECT_EQ(usable, (std::vector<bool>{false, true, true, true, false, false}));
    EXPECT_EQ(readFile("KTboot.ini").rfind("zoom = 150\r\n", 0), 0u) << readFile("KTboot.ini");

    start(2800, 1600, 96);
    run(1000);
    EXPECT_EQ(zoomLines(), "0 zoom 150 780 390\n");

    start(700, 500, 144);  // no room for 150 % (780 wide): the first-start rule gives 125 %
    look(500);
    usable.clear();
    run(1000);
    EXPECT_EQ(zoomLines(), "0 zoom 125 650 325\n");
    EXPECT_EQ(usable, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(readFile("KTboot.ini").rfind("zoom = 150\r\n", 0), 0u) << readFile("KTboot.ini");
}

TEST_F(UpdaterRunTest, AShortConfigurationIsReportedAndTheDefaultsServe) {
    std::ofstream(Home / "KTboot.CFG", std::ios::binary) << "/somewhere\r\n";
    Event key;
    key.kind = EventKind::Key;
    sim::scheduleEvent(10, key);
    run(1000);
    EXPECT_NE(Out.str().find("KTboot.CFG out of data\" \"  in line : 1\""), std::string::npos) << Out.str();
    EXPECT_NE(Out.str().find("midi open-out -1"), std::string::npos);
    EXPECT_EQ(readFile("KTboot.CFG"), "/somewhere\r\n 0\r\n-1\r\n");
}

TEST_F(UpdaterRunTest, SwitchingToTheCurrentInputDoesNothingAnotherReopensBoth) {
    sim::setMidiInDevices({"In A", "In B"});
    command(1000, 50);
    command(1100, 51);
    run(2000);
    const std::string text = Out.str();
    EXPECT_EQ(text.find("1000 midi"), std::string::npos);
    EXPECT_NE(text.find("1100 midi close-out\n1100 midi close-in\n1100 check 50 off\n1100 check 51 on\n"
                        "1100 midi open-in 1\n1100 midi open-out -1\n"),
              std::string::npos)
        << text;
}

}  // namespace
