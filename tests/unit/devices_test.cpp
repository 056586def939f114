// The MIDI devices found by name: the rule both programs use, and whole editor runs on the
// simulated machine whose ports move between runs.
#include "editor_fixture.h"

#include <functional>

#include "editor/shell/shell.h"
#include "shared/midi/devices.h"

namespace {

TEST(FindMidiDeviceByName, TheIndexStandsWhenItsDeviceHasTheNameOrNoDeviceHasIt) {
    const std::string names[] = {"Synth", "KT MIDI Out", "KT MIDI Out", "Other"};
    // No name kept: the index as it is, the mapper and indices beyond the list included.
    EXPECT_EQ(findMidiDeviceByName(names, 4, 3, ""), 3);
    EXPECT_EQ(findMidiDeviceByName(names, 4, -1, ""), -1);
    EXPECT_EQ(findMidiDeviceByName(names, 4, 9, ""), 9);
    // The index's device has the name: it stays, although another of that name comes first.
    EXPECT_EQ(findMidiDeviceByName(names, 4, 2, "KT MIDI Out"), 2);
    // Renamed or gone: no device has the name, so the index decides (limited later).
    EXPECT_EQ(findMidiDeviceByName(names, 4, 3, "Unplugged"), 3);
    EXPECT_EQ(findMidiDeviceByName(names, 4, 7, "Unplugged"), 7);
    // A list without devices.
    EXPECT_EQ(findMidiDeviceByName(names, 0, 1, "Synth"), 1);
}

TEST(FindMidiDeviceByName, TheNameWinsOverAnotherDevicesIndex) {
    const std::string names[] = {"Synth", "KT MIDI Out", "Other", "KT MIDI Out", "Last"};
    EXPECT_EQ(findMidiDeviceByName(names, 5, 0, "Other"), 2);
    EXPECT_EQ(findMidiDeviceByName(names, 5, 4, "Synth"), 0);
    // Two of the name: the one nearest the index, the lower one of two as near.
    EXPECT_EQ(findMidiDeviceByName(names, 5, 4, "KT MIDI Out"), 3);
    EXPECT_EQ(findMidiDeviceByName(names, 5, 0, "KT MIDI Out"), 1);
    EXPECT_EQ(findMidiDeviceByName(names, 5, 2, "KT MIDI Out"), 1);
    // An index beyond the list (a configuration from a machine with more devices).
    EXPECT_EQ(findMidiDeviceByName(names, 5, 12, "KT MIDI Out"), 3);
    // The mapper's index with a name kept: the device of that name.
    EXPECT_EQ(findMidiDeviceByName(names, 5, -1, "Synth"), 0);
}

class DevicesTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        copyShippedData();
    }
    // One whole run on the ports given; `during` is scheduled into it; closed at 2000 ms.
    void run(const std::vector<std::string>& ins, const std::vector<std::string>& outs,
             const std::function<void()>& during = nullptr) {
        sim::reset(Home.string());
        sim::setTranscript(&Out);
        sim::setMidiInDevices(ins);
        sim::setMidiOutDevices(outs);
        if (during) during();
        Event close;
        close.kind = EventKind::CloseRequested;
        sim::scheduleEvent(2000, close);
        sim::setScriptEnd(2000);
        ASSERT_TRUE(runs([] { ktprogMain(); }));
    }
    // Lines 2 and 3 of the configuration: the input and output indices.
    std::pair<std::string, std::string> configIndices() {
        const std::string text = readFile("KtProg.CFG");
        const size_t a = text.find("\r\n"), b = text.find("\r\n", a + 2);
        return {text.substr(a + 2, 2), text.substr(b + 2, 2)};
    }
};

TEST_F(DevicesTest, TheKeptNamesFindTheDevicesWhenThePortsCameInAnotherOrder) {
    std::string iniAfterChoice;
    run({"KT MIDI In", "Keyboard In"}, {"KT MIDI Out", "Other Synth"}, [&] {
        sim::schedule(1000, [] { sim::menuCommand(51); });
        sim::schedule(1100, [&] { iniAfterChoice = readFile("KtProg.ini"); });
    });
    // Written when the device was chosen, not only at shut-down.
    EXPECT_EQ(iniAfterChoice, "midi-in-name = Keyboard In\r\nmidi-out-name = KT MIDI Out\r\nlock = 90\r\n");
    EXPECT_EQ(configIndices(), std::make_pair(std::string(" 1"), std::string(" 0")));

    resetEditorState();
    run({"Keyboard In", "Synth In", "KT MIDI In"}, {"Other Synth", "KT MIDI Out"});
    EXPECT_EQ(MidiInDevice, 0);
    EXPECT_EQ(MidiOutDevice, 1);
    EXPECT_EQ(configIndices(), std::make_pair(std::string(" 0"), std::string(" 1")));
    EXPECT_EQ(readFile("KtProg.ini"), "midi-in-name = Keyboard In\r\nmidi-out-name = KT MIDI Out\r\nlock = 90\r\n");
}

TEST_F(DevicesTest, ARenamedDeviceIsOpenedByItsIndexAndKeptUnderItsNewName) {
    run({"KT MIDI In"}, {"KT MIDI Out", "Other Synth"}, [] { sim::schedule(1000, [] { sim::menuCommand(101); }); });
    resetEditorState();
    run({"KT MIDI In"}, {"KT MIDI Out", "Other Synth MkII"});
    EXPECT_EQ(MidiOutDevice, 1);
    EXPECT_NE(Out.str().find("midi open-out 1"), std::string::npos) << Out.str();
    EXPECT_EQ(readFile("KtProg.ini"), "midi-in-name = KT MIDI In\r\nmidi-out-name = Other Synth MkII\r\nlock = 90\r\n");
}

TEST_F(DevicesTest, ALostDeviceStaysClosedAcrossADialogUntilItsNameIsBack) {
    // The output goes, a file dialog closes and reopens the devices: the device now at the
    // lost one's index is not opened in its place.
    run({"KT MIDI In"}, {"KT MIDI Out", "Other Synth"}, [] {
        sim::schedule(1000, [] { sim::changeMidiDevices(true, {"Other Synth"}); });
        sim::schedule(1100, [] { sim::menuCommand(1003); });  // Load Program: cancelled
    });
    const std::string t = Out.str();
    EXPECT_NE(t.find("box \"MIDI-Out-Error\" \"The device KT MIDI Out is no longer present.\""), std::string::npos) << t;
    EXPECT_EQ(t.find("open-out", t.find("no longer present")), std::string::npos) << t;
    EXPECT_TRUE(MidiOutLost);
    EXPECT_EQ(readFile("KtProg.ini"), "midi-in-name = KT MIDI In\r\nmidi-out-name = KT MIDI Out\r\nlock = 90\r\n");
}

}  // namespace
