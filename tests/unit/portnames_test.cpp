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
using portnames::isThroughPort;
using portnames::ListedPort;
using portnames::MidiApi;
using Names = std::vector<std::string>;

Names shownNames(const std::vector<ListedPort>& ports) {
    Names names;
    for (const ListedPort& p : ports) names.push_back(p.shown);
    return names;
}

// The input devices of a machine with the sequencer alone, as RtMidiIn lists them (in client
// order): the kernel's through client, a virtual raw MIDI card, two interfaces of one kind, a
// soft synth whose port name has numbers of its own, a client with ':' and digits in its name,
// the virtual unit and this program's own output port.
const Names AlsaInputs = {
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
    const std::vector<ListedPort> devices = arrangePorts({{MidiApi::Alsa, "ALSA", AlsaInputs}}, "ktprog-4242 ");
    EXPECT_EQ(shownNames(devices),
              (Names{"Virtual Raw MIDI 1-0:VirMIDI 1-0", "UM-ONE:UM-ONE MIDI 1", "UM-ONE:UM-ONE MIDI 1",
                     "FLUID Synth (2345):Synth input port (2345:0)", "Studio: 2:Studio: 2 Port 1:2",
                     "Korvatone:Korvatone (virtual)", "Midi Through:Midi Through Port-0"}));
    // Opening goes by RtMidi's full names: the two interfaces stay apart there.
    const std::vector<size_t> from = {1, 2, 3, 4, 5, 6, 0};
    ASSERT_EQ(devices.size(), from.size());
    for (size_t k = 0; k < from.size(); ++k) EXPECT_EQ(devices[k].portName, AlsaInputs[from[k]]);
    // The input connects to the sequencer's address at the end of that name.
    int client = -1, port = -1;
    const Names addresses = {"20:0", "24:0", "28:0", "128:0", "130:1", "131:0", "14:0"};
    for (size_t k = 0; k < devices.size(); ++k) {
        ASSERT_NE(portnames::alsaAddressAt(devices[k].portName, client, port), std::string::npos);
        EXPECT_EQ(std::to_string(client) + ":" + std::to_string(port), addresses[k]);
    }
    EXPECT_EQ(portnames::alsaAddressAt("Synth:Port 1234567890:0", client, port), std::string::npos);

    EXPECT_FALSE(isThroughPort(MidiApi::Alsa, "Patchbay:Midi Through Port-0 40:0"));
    // Names that do not end in RtMidi's client and port numbers stay as they are.
    for (const char* name : {"Synth:Port24:0", "Synth:Port 24:", "Synth:Port :0", "Synth:Port 2a:0", " 24:0"})
        EXPECT_EQ(portnames::shownPortName(MidiApi::Alsa, name), name);
}

// A machine with both systems and the a2j bridge on JACK: the names marked with their systems
// (JACK's as JACK has them), the through ports of both after every other device.
TEST(PortNames, WithBothSystemsTheNamesAreMarkedAndTheBridgedThroughPortComesLastToo) {
    const std::vector<portnames::SystemPorts> systems = {
        {MidiApi::Alsa, "ALSA", {"Midi Through:Midi Through Port-0 14:0", "UM-ONE:UM-ONE MIDI 1 24:0"}},
        {MidiApi::Jack,
         "JACK",
         {"a2j:Midi Through [14] (capture): Midi Through Port-0", "a2j:UM-ONE [24] (capture): UM-ONE MIDI 1 24:0",
          "system:midi_capture_1", "ktprog-4242 out:MIDI out"}},
    };
    const std::vector<ListedPort> devices = arrangePorts(systems, "ktprog-4242 ");
    EXPECT_EQ(shownNames(devices),
              (Names{"ALSA: UM-ONE:UM-ONE MIDI 1", "JACK: a2j:UM-ONE [24] (capture): UM-ONE MIDI 1 24:0",
                     "JACK: system:midi_capture_1", "ALSA: Midi Through:Midi Through Port-0",
                     "JACK: a2j:Midi Through [14] (capture): Midi Through Port-0"}));
    std::vector<size_t> systemOf;
    for (const ListedPort& p : devices) systemOf.push_back(p.system);
    EXPECT_EQ(systemOf, (std::vector<size_t>{0, 1, 1, 0, 1}));

    // A system that lists nothing this time (a JACK server that stopped) leaves the marks as
    // they were, so the kept names still match.
    EXPECT_EQ(shownNames(arrangePorts({systems[0], {MidiApi::Jack, "JACK", {}}}, "ktprog-4242 ")),
              (Names{"ALSA: UM-ONE:UM-ONE MIDI 1", "ALSA: Midi Through:Midi Through Port-0"}));

    // The bridges' other ways of naming the through client; a port merely called so stays.
    for (const char* name : {"a2j:Midi Through (playback): Midi Through Port-0",
                             "Midi-Bridge:Midi Through:(playback_0) Midi Through Port-0"})
        EXPECT_TRUE(isThroughPort(MidiApi::Jack, name)) << name;
    for (const char* name :
         {"Midi Through", "Looper:Midi Throughput", "a2j:UM-ONE [24] (playback): Midi Through Port-0"})
        EXPECT_FALSE(isThroughPort(MidiApi::Jack, name)) << name;
}

// The next start: the soft clients were not started, the interfaces were plugged in after other
// things and have other numbers. The kept names and indices (what the options file and the
// configuration hold) find the same devices.
TEST(PortNames, TheNextStartFindsTheKeptDevicesAgainUnderOtherClientNumbers) {
    const Names firstRun = shownNames(arrangePorts({{MidiApi::Alsa, "ALSA", AlsaInputs}}, "ktprog-4242 "));
    // Kept: the virtual unit (index 5) and the second of the two interfaces (index 2).
    const int unitIndex = 5, interfaceIndex = 2;

    const std::vector<ListedPort> next =
        arrangePorts({{MidiApi::Alsa,
                       "ALSA",
                       {"Midi Through:Midi Through Port-0 14:0", "Virtual Raw MIDI 1-0:VirMIDI 1-0 20:0",
                        "UM-ONE:UM-ONE MIDI 1 32:0", "UM-ONE:UM-ONE MIDI 1 36:0", "Korvatone:Korvatone (virtual) 128:0",
                        "ktprog-5151 out:MIDI out 129:0"}}},
                     "ktprog-5151 ");
    const Names names = shownNames(next);
    const int count = static_cast<int>(names.size());
    const auto found = [&](int index) {
        const int k = findMidiDeviceByName(names.data(), count, index, firstRun[index]);
        return k >= 0 && k < count ? next[k].portName : "index " + std::to_string(k);
    };
    EXPECT_EQ(found(unitIndex), "Korvatone:Korvatone (virtual) 128:0");
    // Two of the name: the configuration's index tells which (the second, as before).
    EXPECT_EQ(found(interfaceIndex), "UM-ONE:UM-ONE MIDI 1 36:0");
    // A first start (nothing kept) opens device 0: a real one.
    EXPECT_EQ(next[0].portName, "Virtual Raw MIDI 1-0:VirMIDI 1-0 20:0");
}

}  // namespace
