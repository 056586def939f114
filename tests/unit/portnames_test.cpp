// The device lists of the Linux MIDI backend (platform/rtmidi/portnames.h): the names shown and
// kept, and the order the devices are offered in, from the port names RtMidi lists on ALSA and
// on JACK; and that the next start, with other client numbers, finds the kept devices again.
#include "platform/rtmidi/portnames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/midi/devices.h"

namespace {

using portnames::arrangePorts;
using portnames::ListedPort;
using portnames::MidiApi;
using portnames::SystemPorts;

const char OwnPrefix[] = "ktprog-4242 ";

std::vector<std::string> shownNames(const std::vector<ListedPort>& ports) {
    std::vector<std::string> names;
    for (const ListedPort& p : ports) names.push_back(p.shown);
    return names;
}

std::vector<std::string> portNames(const std::vector<ListedPort>& ports) {
    std::vector<std::string> names;
    for (const ListedPort& p : ports) names.push_back(p.portName);
    return names;
}

// The input devices of a machine with the sequencer alone, as RtMidiIn lists them (in client
// order): the kernel's through client, a virtual raw MIDI card, two interfaces of one kind, a
// soft synth whose port name has a pair of numbers of its own, a client with ':' and digits in
// its name, the virtual unit and this program's own output port.
const std::vector<std::string> AlsaInputs = {
    "Midi Through:Midi Through Port-0 14:0",
    "Virtual Raw MIDI 1-0:VirMIDI 1-0 20:0",
    "UM-ONE:UM-ONE MIDI 1 24:0",
    "UM-ONE:UM-ONE MIDI 1 28:0",
    "FLUID Synth (2345):Synth input port (2345:0) 128:0",
    "Studio: 2:Studio: 2 Port 1:2 130:1",
    "Korvatone:Korvatone (virtual) 131:0",
    "ktprog-4242 out:MIDI out 132:0",
};

TEST(PortNames, AnAlsaListIsShownWithoutClientNumbersAndTheThroughPortComesLast) {
    const std::vector<ListedPort> devices = arrangePorts({{MidiApi::Alsa, "ALSA", AlsaInputs}}, OwnPrefix);
    EXPECT_EQ(shownNames(devices), (std::vector<std::string>{
                                       "Virtual Raw MIDI 1-0:VirMIDI 1-0",
                                       "UM-ONE:UM-ONE MIDI 1",
                                       "UM-ONE:UM-ONE MIDI 1",
                                       "FLUID Synth (2345):Synth input port (2345:0)",
                                       "Studio: 2:Studio: 2 Port 1:2",
                                       "Korvatone:Korvatone (virtual)",
                                       "Midi Through:Midi Through Port-0",
                                   }));
    // Opening goes by RtMidi's full names: the two interfaces stay apart there.
    EXPECT_EQ(portNames(devices), (std::vector<std::string>{
                                      AlsaInputs[1],
                                      AlsaInputs[2],
                                      AlsaInputs[3],
                                      AlsaInputs[4],
                                      AlsaInputs[5],
                                      AlsaInputs[6],
                                      AlsaInputs[0],
                                  }));
    for (const ListedPort& p : devices) EXPECT_EQ(p.system, 0u) << p.portName;

    // Only the through client itself moves.
    EXPECT_TRUE(portnames::isThroughPort(MidiApi::Alsa, "Midi Through:Midi Through Port-0 14:0"));
    EXPECT_FALSE(portnames::isThroughPort(MidiApi::Alsa, "Patchbay:Midi Through Port-0 40:0"));

    // With nothing but the through port, it is the first device after all.
    const std::vector<ListedPort> through = arrangePorts({{MidiApi::Alsa, "ALSA", {AlsaInputs[0]}}}, OwnPrefix);
    ASSERT_EQ(through.size(), 1u);
    EXPECT_EQ(through[0].shown, "Midi Through:Midi Through Port-0");
}

TEST(PortNames, OnlyATrailingPairOfNumbersAfterABlankGoes) {
    const auto shown = [](const std::string& name) { return portnames::shownPortName(MidiApi::Alsa, name); };
    EXPECT_EQ(shown("Synth:Synth MIDI 1 24:0"), "Synth:Synth MIDI 1");
    EXPECT_EQ(shown("Synth:Synth MIDI 1 128:15"), "Synth:Synth MIDI 1");
    // Not the client and port numbers RtMidi adds: left as they are.
    for (const char* name : {"Synth:Synth MIDI 1", "Synth:Port 24:0x", "Synth:Port24:0",
                             "Synth:Port 24:", "Synth:Port :0", "Synth:Port 2a:0", " 24:0", ""})
        EXPECT_EQ(shown(name), name);
    // JACK's names are its own.
    EXPECT_EQ(portnames::shownPortName(MidiApi::Jack, "a2j:UM-ONE [24] (capture): UM-ONE MIDI 1 24:0"),
              "a2j:UM-ONE [24] (capture): UM-ONE MIDI 1 24:0");
}

// A machine with both systems and the a2j bridge on JACK: the names marked with their systems,
// the through ports of both after every other device.
TEST(PortNames, WithBothSystemsTheNamesAreMarkedAndTheBridgedThroughPortComesLastToo) {
    const std::vector<SystemPorts> systems = {
        {MidiApi::Alsa, "ALSA", {"Midi Through:Midi Through Port-0 14:0", "UM-ONE:UM-ONE MIDI 1 24:0"}},
        {MidiApi::Jack,
         "JACK",
         {"a2j:Midi Through [14] (capture): Midi Through Port-0", "a2j:UM-ONE [24] (capture): UM-ONE MIDI 1",
          "system:midi_capture_1", "ktprog-4242 out:MIDI out", "Korvatone:Korvatone (virtual)"}},
    };
    const std::vector<ListedPort> devices = arrangePorts(systems, OwnPrefix);
    EXPECT_EQ(shownNames(devices), (std::vector<std::string>{
                                       "ALSA: UM-ONE:UM-ONE MIDI 1",
                                       "JACK: a2j:UM-ONE [24] (capture): UM-ONE MIDI 1",
                                       "JACK: system:midi_capture_1",
                                       "JACK: Korvatone:Korvatone (virtual)",
                                       "ALSA: Midi Through:Midi Through Port-0",
                                       "JACK: a2j:Midi Through [14] (capture): Midi Through Port-0",
                                   }));
    std::vector<size_t> systemOf;
    for (const ListedPort& p : devices) systemOf.push_back(p.system);
    EXPECT_EQ(systemOf, (std::vector<size_t>{0, 1, 1, 1, 0, 1}));

    // A system that lists nothing this time (a JACK server that stopped) leaves the marks as
    // they were, so the kept names still match.
    const std::vector<ListedPort> alsaOnly = arrangePorts({systems[0], {MidiApi::Jack, "JACK", {}}}, OwnPrefix);
    EXPECT_EQ(shownNames(alsaOnly),
              (std::vector<std::string>{"ALSA: UM-ONE:UM-ONE MIDI 1", "ALSA: Midi Through:Midi Through Port-0"}));

    // The bridges' other ways of naming the through client; a port merely called so stays.
    for (const char* name : {"a2j:Midi Through (playback): Midi Through Port-0",
                             "Midi-Bridge:Midi Through:(playback_0) Midi Through Port-0"})
        EXPECT_TRUE(portnames::isThroughPort(MidiApi::Jack, name)) << name;
    for (const char* name : {"Midi Through", "system:midi_playback_1", "Looper:Midi Throughput",
                             "a2j:UM-ONE [24] (playback): Midi Through Port-0"})
        EXPECT_FALSE(portnames::isThroughPort(MidiApi::Jack, name)) << name;
}

// The next start: the soft clients were not started, the interfaces were plugged in after other
// things and have other numbers. The kept names and indices (what the options file and the
// configuration hold) find the same devices.
TEST(PortNames, TheNextStartFindsTheKeptDevicesAgainUnderOtherClientNumbers) {
    std::vector<std::string> firstRun;
    for (const ListedPort& p : arrangePorts({{MidiApi::Alsa, "ALSA", AlsaInputs}}, OwnPrefix))
        firstRun.push_back(p.shown);
    // Kept: the virtual unit (index 5) and the second of the two interfaces (index 2).
    const int unitIndex = 5, interfaceIndex = 2;
    const std::string unitName = firstRun[unitIndex], interfaceName = firstRun[interfaceIndex];

    const std::vector<std::string> nextInputs = {
        "Midi Through:Midi Through Port-0 14:0",
        "Virtual Raw MIDI 1-0:VirMIDI 1-0 20:0",
        "UM-ONE:UM-ONE MIDI 1 32:0",
        "UM-ONE:UM-ONE MIDI 1 36:0",
        "Korvatone:Korvatone (virtual) 128:0",
        "ktprog-5151 out:MIDI out 129:0",
    };
    const std::vector<ListedPort> next = arrangePorts({{MidiApi::Alsa, "ALSA", nextInputs}}, "ktprog-5151 ");
    std::vector<std::string> names;
    for (const ListedPort& p : next) names.push_back(p.shown);
    const int count = static_cast<int>(names.size());

    const int unit = findMidiDeviceByName(names.data(), count, unitIndex, unitName);
    ASSERT_GE(unit, 0);
    ASSERT_LT(unit, count);
    EXPECT_EQ(next[unit].portName, "Korvatone:Korvatone (virtual) 128:0");

    // Two of the name: the configuration's index tells which (the second, as before).
    const int interface = findMidiDeviceByName(names.data(), count, interfaceIndex, interfaceName);
    ASSERT_GE(interface, 0);
    ASSERT_LT(interface, count);
    EXPECT_EQ(next[interface].portName, "UM-ONE:UM-ONE MIDI 1 36:0");

    // A first start (nothing kept) opens device 0: a real one.
    EXPECT_EQ(next[0].portName, "Virtual Raw MIDI 1-0:VirMIDI 1-0 20:0");
}

}  // namespace
