// midi.h - the MIDI devices of the machine: one output, one input and one controller input
// open at a time.
//
// startMidiSystems(): begins starting the MIDI systems in the background, so that the window
//   opens meanwhile; the first use of the devices waits for them. Optional: without it they
//   start at that first use.
// Device lists: midiOutDeviceCount/Name, midiInDeviceCount/Name (names as the system gives
//   them). Output index -1 is the MIDI mapper (Windows) or the system's default output.
// Opening: midiOutOpenDevice / midiInOpenDevice return true on success; on failure false with
//   the system's error text in errorText. An input device starts delivering when started.
// Closing: midiOutCloseDevice / midiInCloseDevice return true when the device is closed
//   afterwards (also when none was open). A system that refuses to close a device while it
//   still holds buffers is handled inside the backend (reset, then close again); false only
//   when the device stays open even so.
// Resetting: midiOutResetDevice ends what is still queued for output; midiInResetDevice stops
//   the input and gives the receive buffer back. Both do nothing when no device is open.
// Sending: midiOutSendShort(word), the word packed by packMidiShort; midiOutSendSysEx returns only when
//   the platform has finished with the bytes (they may be reused), true when they went out.
//   A long message takes a while on a MIDI cable (52 KB: about 17 s); the optional progress
//   function is called now and then with the bytes sent so far, so the program can show that
//   it is alive. Sending while no output is open does nothing and returns false.
// Receiving: incoming messages arrive as MidiShort / MidiLong events in events.h.
// packMidiShort(status, d1, d2): the word of a short message, status | d1 << 8 | d2 << 16 of
//   the low 8 bits of each, as midiOutSendShort takes it and a MidiShort event carries it;
//   unpackMidiShort(word, bytes) puts its three bytes back into bytes[0..2].
// midiInQueueBuffer / midiInReleaseBuffer: the receive buffer for system-exclusive input;
//   without a queued buffer, arriving system-exclusive data is lost. Both do nothing when no
//   input is open.
// The controller input (midiCtl*): a second input, a device of the same list as the input's,
//   opened, started and closed on its own (a keyboard or control surface beside the unit). Its
//   short messages arrive as MidiShort events with fromController set; system-exclusive data
//   from it is dropped, so it never reaches the reply waits. Closing it also stops it. Opening
//   the device the input has open is left to the system (it may refuse); the device code of
//   shared/midi never asks for that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

void startMidiSystems();
int midiOutDeviceCount();
std::string midiOutDeviceName(int k);
int midiInDeviceCount();
std::string midiInDeviceName(int k);

bool midiOutOpenDevice(int k, std::string& errorText);
bool midiOutCloseDevice();
void midiOutResetDevice();
bool midiOutIsOpen();

bool midiInOpenDevice(int k, std::string& errorText);
void midiInStartDevice();
void midiInStopDevice();
bool midiInCloseDevice();
void midiInResetDevice();
bool midiInIsOpen();
void midiInQueueBuffer();
void midiInReleaseBuffer();

bool midiCtlOpenDevice(int k, std::string& errorText);
void midiCtlStartDevice();
bool midiCtlCloseDevice();
bool midiCtlIsOpen();

inline uint32_t packMidiShort(int status, int data1, int data2) {
    return (uint32_t(status) & 0xFF) | (uint32_t(data1) & 0xFF) << 8 | (uint32_t(data2) & 0xFF) << 16;
}
inline void unpackMidiShort(uint32_t word, uint8_t bytes[3]) {
    bytes[0] = uint8_t(word & 0xFF);
    bytes[1] = uint8_t((word >> 8) & 0xFF);
    bytes[2] = uint8_t((word >> 16) & 0xFF);
}

void midiOutSendShort(uint32_t word);
using SysExProgress = std::function<void(size_t sent, size_t total)>;
bool midiOutSendSysEx(const uint8_t* bytes, size_t length, const SysExProgress& progress = nullptr);
