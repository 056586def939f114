// Whole editor runs on the simulated machine: start-up reads the declaration and the
// configuration, shut-down files the effect values and writes the configuration.
#include "editor_fixture.h"

#include "editor/preset/effects.h"
#include <algorithm>
#include <functional>

#include "editor/panel/statusline.h"
#include "editor/shell/folder.h"
#include "editor/shell/shell.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/midi.h"
#include "shared/midi/devices.h"
#include "platform/input.h"

namespace {

class ShellTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        DeclarationText d;
        writeFile("KtProg.DAT", d.text());
        for (const char* font : {"CHR4.BIN", "CHR6.BIN"}) {
            std::filesystem::copy_file(std::string(KT_SOURCE_DIR) + "/data/" + font, path(font));
        }
    }
    // Runs the whole editor; the user closes it at 1000 ms.
    bool runEditor() {
        Event close;
        close.kind = EventKind::CloseRequested;
        sim::scheduleEvent(1000, close);
        sim::setScriptEnd(1000);
        return runs([] { ktprogMain(); });
    }
    // Runs the editor once, lets `edit` change lines of the configuration it wrote, runs it
    // again on that file, and returns the configuration of the second run.
    template <typename Edit>
    std::vector<std::string> rerunWithEditedConfiguration(Edit edit, std::function<void()> machine = nullptr) {
        EXPECT_TRUE(runEditor());
        std::vector<std::string> config = splitLines(readFile("KtProg.CFG"));
        edit(config);
        std::string text;
        for (const std::string& line : config) text += line + "\r\n";
        writeFile("KtProg.CFG", text);
        sim::reset(Home.string());
        sim::setTranscript(&Out);
        if (machine) machine();
        EXPECT_TRUE(runEditor());
        return splitLines(readFile("KtProg.CFG"));
    }
    static std::vector<std::string> splitLines(const std::string& text) {
        std::vector<std::string> out;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find("\r\n", start);
            if (end == std::string::npos) end = text.size();
            out.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return out;
    }
};

TEST_F(ShellTest, FirstStartCreatesThePathFilesAndWritesTheConfigurationAtExit) {
    ASSERT_TRUE(runEditor());
    EXPECT_EQ(readFile("Qrdxpath/KtProg.pth"), Home.string() + "\r\n");
    EXPECT_EQ(readFile("Qrdxpath/Qrdxpath.pth"), "dummy\r\n");
    std::vector<std::string> config = splitLines(readFile("KtProg.CFG"));
    ASSERT_EQ(config.size(), 179u);
    EXPECT_EQ(config[0], Home.string());
    EXPECT_EQ(config[1].substr(0, 2), " 0");
    EXPECT_EQ(config[3].substr(0, 6), " 64   ");
    EXPECT_EQ(config[3 + 89].substr(0, 6), " 1    ");  // the declared effect type
    EXPECT_EQ(sim::mainWindowCaption(), "Korvatone Preset Programmer's Interface 1.00  ");
    EXPECT_EQ(sim::mainWindowCanvas().width(), 1340);
    EXPECT_EQ(sim::mainWindowCanvas().height(), 715 + StatusStripHeight);  // the panel, then the status line
}

TEST_F(ShellTest, TheConfigurationsEffectTypeAndValuesAreThoseOnThePanel) {
    std::vector<std::string> config = rerunWithEditedConfiguration([](std::vector<std::string>& c) {
        c[3 + 89] = " 2";                                    // effect type: overdrive
        c[3 + 93] = " 5   ; edited by hand";                 // its level (-6..6)
        c[3 + 92] = " 9";                                    // its drive
        c[107 + 2 * 14 + 3] = " 1    ; Effect Parameters 2";  // row 2 of the store, level
    });
    EXPECT_EQ(CurrentEffectType, 2);
    // The panel kept the configuration's effect values (no recall from the store), and at
    // exit they were filed into row 2.
    EXPECT_EQ(config[3 + 93].substr(0, 2), " 5");
    EXPECT_EQ(config[107 + 2 * 14 + 3].substr(0, 2), " 5");
    EXPECT_EQ(config[107 + 2 * 14 + 2].substr(0, 2), " 9");
    EXPECT_EQ(EffectPotCaption[3], "LEVEL|  dB  ");
}

TEST_F(ShellTest, ConfigurationValuesOutsideTheirPotsAreClampedAtStart) {
    std::vector<std::string> config = rerunWithEditedConfiguration([](std::vector<std::string>& c) {
        c[3 + 0] = " 200";
        c[3 + 89] = " 9";
    });
    EXPECT_EQ(config[3 + 0].substr(0, 5), " 127 ");
    EXPECT_EQ(config[3 + 89].substr(0, 3), " 3 ");
}

TEST_F(ShellTest, ClicksWhileAnotherWindowIsInFrontChangeNothing) {
    // The first field's first pot (0..127, default 64 in the test declaration) lies at x 10.
    const int x = 10 + 18, yUp = 20 + 8;
    auto click = [&](uint32_t at) {
        sim::schedule(at, [=] { sim::setMouse(x, yUp, 1); });
        sim::schedule(at + 50, [=] { sim::setMouse(x, yUp, 0); });
    };
    sim::schedule(1000, [] { sim::setForeground(ForegroundOther); });
    click(1100);
    sim::schedule(1300, [] { sim::setForeground(ForegroundMain); });
    click(1400);
    Event close;
    close.kind = EventKind::CloseRequested;
    sim::scheduleEvent(2000, close);
    sim::setScriptEnd(2000);
    ASSERT_TRUE(runs([] { ktprogMain(); }));
    // One step from the click in front only.
    EXPECT_EQ(splitLines(readFile("KtProg.CFG"))[3].substr(0, 4), " 65 ");
}

TEST_F(ShellTest, ExitFromTheMenuEndsTheEditorThereAndWritesTheConfigurationLikeTheCloseButton) {
    Event exit;
    exit.kind = EventKind::Command;
    exit.command = CommandExit;
    sim::scheduleEvent(1000, exit);
    // The machine would close the window only at 6000 ms; a click at 3000 ms would step the
    // first pot (default 64) and send it. An editor still running after the Exit shows both.
    const int x = 10 + 18, yUp = 20 + 8;
    sim::schedule(3000, [=] { sim::setMouse(x, yUp, 1); });
    sim::schedule(3050, [=] { sim::setMouse(x, yUp, 0); });
    sim::setScriptEnd(6000);
    ASSERT_TRUE(runs([] { ktprogMain(); }));
    EXPECT_EQ(tickCount(), 1000u);
    std::istringstream transcript(Out.str());
    std::string line;
    while (std::getline(transcript, line)) EXPECT_LE(std::stoul(line), 1000u) << line;
    std::vector<std::string> config = splitLines(readFile("KtProg.CFG"));
    ASSERT_EQ(config.size(), 179u);
    EXPECT_EQ(config[3].substr(0, 4), " 64 ");
}

TEST_F(ShellTest, DeviceIndicesAreLimitedToTheDevicesPresentAndKeptSo) {
    std::vector<std::string> config = rerunWithEditedConfiguration(
        [](std::vector<std::string>& c) {
            c[1] = " 7                       ; Midi In";
            c[2] = " 5                       ; Midi Out";
        },
        [] { sim::setMidiOutDevices({"A", "B", "C"}); });
    EXPECT_EQ(config[1].substr(0, 2), " 0");  // one input device present
    EXPECT_EQ(config[2].substr(0, 2), " 2");  // the last of three
    EXPECT_NE(Out.str().find("0 check 102 on"), std::string::npos);
}

TEST_F(ShellTest, WithoutOutputDevicesNothingIsOpenedOrSaidAndTheIndexStays) {
    std::vector<std::string> config = rerunWithEditedConfiguration(
        [](std::vector<std::string>& c) { c[2] = " 4                       ; Midi Out"; },
        [] { sim::setMidiOutDevices({}); });
    EXPECT_EQ(config[2].substr(0, 2), " 4");
    EXPECT_TRUE(lines("box").empty());
}

TEST_F(ShellTest, MenusOfferAtMost49InputsAnd50Outputs) {
    std::vector<std::string> many;
    for (int k = 0; k < 60; ++k) many.push_back("Port " + std::to_string(k));
    sim::setMidiInDevices(many);
    sim::setMidiOutDevices(many);
    std::vector<std::string> menu;
    sim::schedule(500, [&] { menu = sim::menuListing(); });
    ASSERT_TRUE(runEditor());
    int inputs = 0, outputs = 0;
    for (const std::string& item : menu) {
        inputs += item.rfind("&MIDI/MIDI &In/", 0) == 0;
        outputs += item.rfind("&MIDI/MIDI &Out/Port", 0) == 0;
    }
    EXPECT_EQ(inputs, 49);
    EXPECT_EQ(outputs, 50);
}

TEST_F(ShellTest, MenuItemsKeepTheirKindWhenTheBarIsMadeAgain) {
    // MIDI Learn on (a check item marked), then a port comes and the bar is made again: the
    // commands beside it stay plain items, the devices and the modes stay check items.
    std::vector<std::string> before, after;
    sim::schedule(300, [] { sim::menuCommand(2302); });
    sim::schedule(400, [&] { before = sim::menuListing(); });
    sim::schedule(500, [] { sim::changeMidiDevices(true, {"KT MIDI Out", "Second Synth"}); });
    sim::schedule(600, [&] { after = sim::menuListing(); });
    ASSERT_TRUE(runEditor());
    const std::vector<std::string> expected = {
        "&MIDI/MIDI &In/KT MIDI In 50 [check] checked",
        "&MIDI/MIDI &Out/MIDI &Mapper 99 [check]",
        "&MIDI/MIDI &Out/KT MIDI Out 100 [check] checked",
        "&MIDI/&Rescan Devices 2301",
        "&MIDI/MIDI &Learn 2302 [check] checked",
        "&MIDI/&Forget Learned Controls 2303",
        "&Edit/&Compare 2003 [check]",
        "&Edit/&Undo 2001",
    };
    for (const std::string& item : expected) {
        EXPECT_NE(std::find(before.begin(), before.end(), item), before.end()) << item;
        EXPECT_NE(std::find(after.begin(), after.end(), item), after.end()) << "rebuilt: " << item;
    }
    EXPECT_NE(std::find(after.begin(), after.end(), "&MIDI/MIDI &Out/Second Synth 101 [check]"), after.end());
}

TEST_F(ShellTest, TheFirstDrainDropsStartUpMidiUpToTheFirstOtherEvent) {
    ASSERT_TRUE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
    std::string error;
    ASSERT_TRUE(midiInOpenDevice(0, error));
    midiInStartDevice();
    sim::midiArrives({0x90, 0x30, 0x40});
    sim::midiArrives({0x80, 0x30, 0x00});
    Event other;
    other.kind = EventKind::Repaint;
    sim::queueEvent(other);
    sim::midiArrives({0x90, 0x31, 0x40});
    startCommandLoop();
    Event left;
    ASSERT_TRUE(peekEvent(left));
    EXPECT_EQ(left.kind, EventKind::MidiShort);  // the note after the first other event stays
    EXPECT_EQ(left.midiWord & 0xFFFF, 0x3190u);
    EXPECT_FALSE(peekEvent(left));
}

TEST(FolderTest, CancelConfirmAndAnItemWithoutPath) {
    sim::reset("/h");
    std::ostringstream out;
    sim::setTranscript(&out);
    EXPECT_EQ(selectFolder("Select Directory", "/music/progs"), "/music/progs/");  // cancelled
    EXPECT_EQ(selectFolder("Select Directory", "/music/progs/"), "/music/progs/");
    sim::queueDialogAnswer({DialogOutcome::Chosen, "/music/other"});
    EXPECT_EQ(selectFolder("Select Directory", "/music/progs/"), "/music/other/");
    sim::queueDialogAnswer({DialogOutcome::Chosen, "/"});
    EXPECT_EQ(selectFolder("Select Directory", "/music"), "/");  // a root keeps its one separator
    sim::queueDialogAnswer({DialogOutcome::NoPath, ""});
    Event key;
    key.kind = EventKind::Key;
    sim::scheduleEvent(5, key);
    sim::setScriptEnd(5);
    EXPECT_EQ(selectFolder("Select Directory", "/music/progs/"), "/music/progs/");
    const std::string text = out.str();
    EXPECT_NE(text.find("dialog folder \"Select Directory\" \"/music/progs\" -> cancel"), std::string::npos);
    EXPECT_NE(text.find("message \"Select Directory: no folder chosen\" \"\""), std::string::npos);
    sim::setTranscript(nullptr);
}

}  // namespace
