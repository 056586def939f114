// midi_errors.h - the texts a MIDI backend gives when it refuses to open a device for a reason
// of its own (a system's own texts, such as winmm's or RtMidi's, are passed on as they are).
// One set for every backend, so the "MIDI-Out-Error" / "MIDI-In-Error" boxes read the same on
// every platform and in the simulation.
//
// MidiErrorAlreadyOpen   a device of that direction is open already
// MidiErrorBadDevice     the index names no device (the words winmm uses for a bad device id)
// MidiErrorNoOutput      the default output was asked for while there is no output at all
// midiErrorGone(name)    the device was listed, but its port is no longer there
// midiErrorNotOpened(name)  the system refused the device without saying why
#pragma once

#include <string>

inline constexpr char MidiErrorAlreadyOpen[] = "The device is already open.";
inline constexpr char MidiErrorBadDevice[] = "The specified device identifier is out of range.";
inline constexpr char MidiErrorNoOutput[] = "There is no MIDI output device.";

inline std::string midiErrorGone(const std::string& name) { return "The device is no longer present: " + name; }
inline std::string midiErrorNotOpened(const std::string& name) { return "The device could not be opened: " + name; }
