// portnames.h - what the Linux MIDI backend makes of the port names RtMidi lists: the names
// the program shows (and keeps in its options files), and the order the devices are offered in.
//
// ALSA: RtMidi names a port "Client:Port N:M", N and M the sequencer's client and port numbers.
// The client number is handed out when the client starts, so it changes from run to run and
// with the order things were plugged in; a name kept with it would never be found again. The
// shown name leaves it out: "UM-ONE:UM-ONE MIDI 1 24:0" is shown "UM-ONE:UM-ONE MIDI 1". Only a
// trailing blank, digits, ':' and digits go; a name without them stays as it is. Two ports that
// differ only in their numbers (two interfaces of one kind) show the same name and stay two
// devices; the program tells them apart by their index, and a device is opened by RtMidi's full
// name (ListedPort::portName), which has the numbers. JACK names are shown as JACK has them.
// With more than one system, each shown name starts with its system's label ("ALSA: ", "JACK: ").
//
// Order: the ports of each system as RtMidi lists them, the systems in the order given, except
// that the system's MIDI through ports come after every other device, so that the first device
// (the one a first start opens) is a real one whenever there is one. A through port passes on
// what it is sent and nothing else. It is:
//   ALSA  a port of the client "Midi Through" (the kernel's, client 14 on every system): the
//         name begins "Midi Through:";
//   JACK  a port a bridge made for that client: after the JACK client's ':' the name goes on
//         with "Midi Through" and then " [" or " (" (a2j: "a2j:Midi Through [14] (capture):
//         Midi Through Port-0", without the number "a2j:Midi Through (capture): ...") or ":"
//         (PipeWire: "Midi-Bridge:Midi Through:(capture_0) Midi Through Port-0").
//   JACK's own "system:midi_capture_1" ports say nothing of where they come from: they are
//   left where they are.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace portnames {

enum class MidiApi { Alsa, Jack };

// One system's ports of one direction, as RtMidi listed them (none for a system that could not
// list them this time: it still counts for the labels, so the names do not change with it).
struct SystemPorts {
    MidiApi api = MidiApi::Alsa;
    std::string label;  // "ALSA", "JACK"
    std::vector<std::string> portNames;
};

// A device to offer: its system (an index into the systems given), RtMidi's name of its port
// and the name shown.
struct ListedPort {
    size_t system = 0;
    std::string portName;
    std::string shown;
};

// The name shown for a port named `portName` by RtMidi on `api`, without any label.
std::string shownPortName(MidiApi api, const std::string& portName);

// The sequencer's address at the end of an ALSA port name as RtMidi lists it ("Client:Port
// N:M"): sets client and port, and gives where the name before " N:M" ends; npos (nothing set
// that counts) when the name does not end so.
size_t alsaAddressAt(const std::string& portName, int& client, int& port);

// True for a through port of the system (see above).
bool isThroughPort(MidiApi api, const std::string& portName);

// The devices to offer, in order. Empty names and those beginning with ownPrefix (the ports of
// this program's own clients) are left out; an empty ownPrefix leaves nothing out.
std::vector<ListedPort> arrangePorts(const std::vector<SystemPorts>& systems, const std::string& ownPrefix);

}  // namespace portnames
