// midi.h - the MIDI devices of a program (shared by the editor and the updater): the lists of
// devices present, the chosen input and output device, opening, switching and closing them,
// and the MIDI menu that offers them.
//
// Globals:
//   MidiInDevice, MidiOutDevice  the chosen devices (kept in the configuration files);
//                                output -1 is the MIDI mapper
//   MidiInCount, MidiOutCount    devices present at the last opening
//   MidiInNames, MidiOutNames    their names (entries 0..50; 33 blanks where none)
//   MidiErrorText                the system's text of the last failed open
//   MidiInQuietUntil             incoming MIDI is not passed through before this tick
//   BeforeMidiOutputChanges      called before the output device is closed or switched, so
//                                the program can end sounding notes (may be null)
// The menu identifiers leave room for 49 input devices (50..98) and 50 output devices
// (100..149, 99 the mapper): further devices are neither offered nor opened.
//
// openMidiDevices(): lists both kinds, limits the chosen indices to the devices offered (the
//   mapper stays), opens them ("MIDI-Out-Error" / "MIDI-In-Error" message boxes with the
//   system's text on failure; the program goes on with that device closed), starts the input
//   and queues its receive buffer. No device of a kind: nothing is opened, nothing is said.
// closeMidiDevices(): releases the receive buffer, stops the input and closes both devices
//   (the output first; its last notes are ended through BeforeMidiOutputChanges).
// selectMidiInDevice(k) / selectMidiOutDevice(k): the MIDI menu's handlers: nothing when k is
//   the current device; otherwise the old device is closed and its check mark removed, k is
//   opened and checked when that worked. Switching the input holds pass-through back 100 ms.
// midiInCommandDevice(id, k) / midiOutCommandDevice(id, k): true when the menu command id is
//   the item of an offered input / output device (the mapper is output -1), with k its index.
// appendMidiMenu(bar, appendMore): appends "&MIDI" with "MIDI &In" and "MIDI &Out" ("MIDI
//   &Mapper", a separator, the output devices) to a menu bar, and checks the open devices;
//   appendMore (when given) then adds the program's own items to the "&MIDI" menu.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window.h"

constexpr int MidiNameSlots = 51;
constexpr int MaxMidiInDevices = 49;
constexpr int MaxMidiOutDevices = 50;
constexpr int MidiInCommandFirst = 50;
constexpr int MidiMapperCommand = 99;
constexpr int MidiOutCommandFirst = 100;

extern int32_t MidiInDevice;
extern int32_t MidiOutDevice;
extern int32_t MidiInCount;
extern int32_t MidiOutCount;
extern std::string MidiInNames[MidiNameSlots];
extern std::string MidiOutNames[MidiNameSlots];
extern std::string MidiErrorText;
extern uint32_t MidiInQuietUntil;
extern void (*BeforeMidiOutputChanges)();

void resetMidiState();
// Lists the devices present into the name tables and counts (no device is opened).
void listMidiOutDevices();
void listMidiInDevices();
// Opens the chosen output / input device (reporting a failure); true when it is open.
bool openChosenMidiOut();
bool openChosenMidiIn();
void openMidiDevices();
void closeMidiDevices();
void closeMidiIn();
void closeMidiOut();
void selectMidiInDevice(int k);
void selectMidiOutDevice(int k);
bool midiInCommandDevice(int id, int& k);
bool midiOutCommandDevice(int id, int& k);
void appendMidiMenu(MenuHandle bar, void (*appendMore)(MenuHandle midi) = nullptr);
