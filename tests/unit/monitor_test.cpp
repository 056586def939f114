// The MIDI Monitor's words: one describer fed a stream as it would come off the wire
// (addresses interleaved across channels and with other messages, cut-short and foreign
// messages, the unit's SysEx), the parameter lines with the pot's own value, and the monitor
// closing when its window is closed.
#include "editor_fixture.h"

#include "editor/shell/midimonitor.h"
#include "platform/textview.h"
#include "shared/midi/monitor.h"
#include "shared/midi/nrpn.h"

namespace {

std::string said(MidiDescriber& words, std::vector<uint8_t> m) { return words.describe(m.data(), m.size()); }

TEST(MidiWords, FollowAStreamAsItComesOffTheWire) {
    MidiDescriber words([](int msb, int lsb, int value) {
        return msb == 13 && lsb == 2 ? "NRPN 026 CUTOFF = " + std::to_string(value) : std::string();
    });
    // The unit's parameter: the address gives no line, the data entry the whole change; a
    // controller between the parts and an address on another channel do not disturb it.
    EXPECT_EQ(said(words, {0xB0, 99, 13}), "");
    EXPECT_EQ(said(words, {0xB1, 99, 5}), "");
    EXPECT_EQ(said(words, {0xB0, 7, 100}), "Control 7 = 100 ch 1");
    EXPECT_EQ(said(words, {0xB0, 98, 2}), "");
    EXPECT_EQ(said(words, {0xB0, 6, 42}), "NRPN 026 CUTOFF = 42");
    EXPECT_EQ(said(words, {0xB0, 6, 43}), "NRPN 026 CUTOFF = 43");  // the address stays
    // Channel 2's half address, completed: not the unit's channel, so only numbers.
    EXPECT_EQ(said(words, {0xB1, 98, 7}), "");
    EXPECT_EQ(said(words, {0xB1, 6, 51}), "NRPN 5/7 = 51 ch 2");
    // The edit bracket; an NRPN the namer does not know; a data entry with no address; RPN.
    EXPECT_EQ(said(words, {0xB0, 99, 10}), "");
    EXPECT_EQ(said(words, {0xB0, 98, 1}), "");
    EXPECT_EQ(said(words, {0xB0, 6, 0}), "Edit begin");
    EXPECT_EQ(said(words, {0xB0, 6, 1}), "Edit end");
    EXPECT_EQ(said(words, {0xB0, 6, 5}), "NRPN 10/1 = 5 ch 1");
    EXPECT_EQ(said(words, {0xB2, 6, 16}), "Control 6 = 16 ch 3");
    EXPECT_EQ(said(words, {0xB0, 101, 0}), "");
    EXPECT_EQ(said(words, {0xB0, 100, 0}), "");
    EXPECT_EQ(said(words, {0xB0, 6, 2}), "RPN 0/0 = 2 ch 1");

    EXPECT_EQ(said(words, {0x9F, 127, 0}), "Note on 127 vel 0 ch 16");
    EXPECT_EQ(said(words, {0x80, 60}), "80 3C");  // cut short
    EXPECT_EQ(said(words, {0xA3, 60, 9}), "Aftertouch 60 = 9 ch 4");
    EXPECT_EQ(said(words, {0xC0, 127}), "Program 127 ch 1");
    EXPECT_EQ(said(words, {0xD5, 33}), "Pressure 33 ch 6");
    EXPECT_EQ(said(words, {0xE0, 0x00, 0x40}), "Pitch bend 0 ch 1");
    EXPECT_EQ(said(words, {0xE0, 0x7F, 0x7F}), "Pitch bend 8191 ch 1");
    EXPECT_EQ(said(words, {0xF8}), "");
    EXPECT_EQ(said(words, {0xFE}), "");
    EXPECT_EQ(said(words, {0xFA}), "Start");
    EXPECT_EQ(said(words, {0xF2, 0x7F, 0x01}), "Song position 255");
    EXPECT_EQ(said(words, {0x45}), "45");  // a data byte without status
    EXPECT_EQ(said(words, {}), "");
}

TEST(MidiWords, NameTheUnitsSysExAndShowAnythingElseByItsFirstBytes) {
    MidiDescriber words;
    std::vector<uint8_t> write(115, 0);
    write[0] = 0xF0, write[1] = 0x00, write[2] = 0x21, write[3] = 0x11, write[4] = 0x03, write[5] = 0x20;
    write[7] = 42;
    write[114] = 0xF7;
    EXPECT_EQ(said(words, write), "SysEx 115 bytes: write program 42");
    EXPECT_EQ(said(words, {0xF0, 0x00, 0x21, 0x11, 0x03, 0x21, 0xF7}), "SysEx 7 bytes: program written");
    EXPECT_EQ(said(words, {0xF0, 0x00, 0x21, 0x11, 0x02, 0x10, 0xF7}), "SysEx 7 bytes: identification request");
    EXPECT_EQ(said(words, {0xF0, 0x00, 0x21, 0x11, 0x02, 0x15, 0xF7}), "SysEx 7 bytes: update failed");
    // A write request one byte short is not a write: its bytes are shown.
    write.erase(write.begin() + 20);
    EXPECT_EQ(said(words, write), "SysEx 114 bytes: F0 00 21 11 03 20 00 2A 00 00 00 00 00 00 00 00 ...");
    // A reply cut short (no F7), and one of another maker.
    EXPECT_EQ(said(words, {0xF0, 0x00, 0x21, 0x11, 0x03, 0x21}), "SysEx 6 bytes: F0 00 21 11 03 21");
    EXPECT_EQ(said(words, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}), "SysEx 6 bytes: F0 7E 7F 06 01 F7");
    // A firmware-size message is one line.
    std::vector<uint8_t> firmware(60013, 0x11);
    firmware[0] = 0xF0, firmware[1] = 0x00, firmware[2] = 0x21, firmware[3] = 0x11, firmware[4] = 0x02, firmware[5] = 0x13;
    firmware.back() = 0xF7;
    EXPECT_EQ(said(words, firmware), "SysEx 60013 bytes: firmware data");
    firmware[1] = 0x01;
    EXPECT_EQ(said(words, firmware), "SysEx 60013 bytes: F0 01 21 11 02 13 11 11 11 11 11 11 11 11 11 11 ...");
}

class MonitorTest : public EditorFixture {};

TEST_F(MonitorTest, ParameterLinesShowThePotsValueAndTheMonitorEndsWithItsWindow) {
    DeclarationText d;
    d.ranges.assign(104, {0, 0, 0});
    d.ranges[11] = {63, -5, -64};  // the last pot of field 0: NRPN 11/12
    writeFile("KtProg.DAT", d.text());
    ASSERT_TRUE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
    EXPECT_EQ(nrpnLine(11, 12, 0), "NRPN 012 P11 L2 = -64");
    EXPECT_EQ(nrpnLine(11, 12, 127), "NRPN 012 P11 L2 = 63");
    EXPECT_EQ(nrpnLine(21, 15, 3), "NRPN 104 P103 L2 = 3");
    EXPECT_EQ(nrpnLine(21, 16, 3), "");  // past the last group's parameters
    EXPECT_EQ(nrpnLine(10, 1, 0), "");

    EXPECT_EQ(monitorLine(4 * 1000 + 7, true, "Edit end"), "00004.007  OUT  Edit end");
    EXPECT_EQ(monitorLine(123456789, false, "Start"), "123456.789  IN   Start");

    midiMonitorCommand();
    EXPECT_TRUE(MonitorOpen);
    EXPECT_NE(MidiTrafficWatcher, nullptr);
    closeTextView();  // as the window's close button does
    followMidiMonitor();
    EXPECT_FALSE(MonitorOpen);
    EXPECT_EQ(MidiTrafficWatcher, nullptr);
    EXPECT_NE(Out.str().find("check 2204 off"), std::string::npos);
}

}  // namespace
