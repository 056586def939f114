// devices.h - the MIDI devices of a program (shared by the editor and the updater): the lists of
// devices present, the chosen input and output device, opening, switching and closing them,
// and the MIDI menu that offers them.
//
// Globals:
//   MidiInDevice, MidiOutDevice  the chosen devices (kept in the configuration files);
//                                output -1 is the MIDI mapper
//   MidiInCount, MidiOutCount    devices present at the last opening
//   MidiInNames, MidiOutNames    their names (entries 0..50; 33 blanks where none)
//   MidiErrorText                the system's text of the last failed open
//   MidiInQuietUntil, MidiInQuiet  while MidiInQuiet, incoming MIDI is neither passed through
//                                nor learnt before the tick MidiInQuietUntil; the first look
//                                after that tick clears MidiInQuiet (holdMidiInput)
//   BeforeMidiOutputChanges      called before the output device is closed or switched, so
//                                the program can end sounding notes (may be null)
//   MidiInName, MidiOutName      the names of the chosen devices, kept in the options files
//                                so that a device is found again when its index moved; empty
//                                when none is kept (the mapper has no name)
//   MidiInLost, MidiOutLost      the chosen device went away while open: it stays closed
//                                until a device of its name is present again
//   MidiCtlDevice, MidiCtlName, MidiCtlLost  the same for the controller input, a second input
//                                (a keyboard or control surface) of the input's list; -1 and
//                                no name: "None". Only its name is kept (the editor's
//                                options file); it is found by that name alone
//   MidiDevicesChangePending     a DevicesChanged was taken (by whatever loop took it) and
//                                the command loop has not acted on it yet
//   ScreenChangePending          the same for an Other event (the display-change message
//                                among them), so the editor's command loop looks at the
//                                screen again also after a wait or a message window took it
// The menu identifiers leave room for 49 input devices (50..98) and 50 output devices
// (100..149, 99 the mapper): further devices are neither offered nor opened. The controller
// input's submenu has "None" (2310) and the input devices (2311..2359).
//
// The controller input is a third direction of the same code: opened, lost, found again by
// name and rescanned like the others, with "Controller-In-Error" boxes. It is started when
// opened and held quiet with the input, but queues no receive buffer: the backend drops its
// system-exclusive data, so it never touches the unit's replies. A device is never open as
// both inputs: the one that asks second is refused ("The device NAME is already open as the
// MIDI In." / "... as the Controller In."). A kept name with no device of that name present
// is lost with its box, and opened when the name comes. Nothing is opened for "None", so a
// program that never chooses one (the updater) has none.
//
// findMidiDeviceByName(names, count, index, name): the device to open for a kept name, the
//   one rule both programs find their devices by: index when name is empty, when device index
//   has that name, or when no device has it (a renamed device: the index decides); otherwise
//   the device of that name nearest to index (the lower one of two as near).
// openChosenMidiOut() / openChosenMidiIn(): the chosen index found by name first
//   (findMidiDeviceByName), then limited to the devices offered and opened; the name of the
//   opened device is kept. A lost device is opened only once its name is present again. A
//   kept name with no device of its kind present at all (unplugged) is not replaced by the
//   mapper: the device is lost, with the box below.
// openMidiDevices(): lists both kinds, limits the chosen indices to the devices offered (the
//   mapper stays), opens them ("MIDI-Out-Error" / "MIDI-In-Error" message boxes with the
//   system's text on failure; the program goes on with that device closed), starts the input
//   and queues its receive buffer. No device of a kind: nothing is opened, nothing is said;
//   a kept device of that kind counts as lost (opened when a device of its name comes).
// closeMidiDevices(): releases the receive buffer, stops the input and closes both devices
//   (the output first; its last notes are ended through BeforeMidiOutputChanges).
// selectMidiInDevice(k) / selectMidiOutDevice(k): the MIDI menu's handlers: nothing when k is
//   the current device (unless that one was lost); otherwise the name of k is kept, the old
//   device is closed and its check mark removed, k is opened and checked when that worked.
//   Switching the input holds pass-through back 100 ms.
// holdMidiInput(): holds pass-through and learning back for MidiInQuietMs from now, after the
//   devices were reopened or switched or a program was written, so nothing they shake loose
//   is echoed. midiInputHeld(): true while such a hold lasts. The time left is compared, at
//   most MidiInQuietMs, so a hold cannot come back when the tick has moved on by half its
//   range (24.9 days) with nothing arriving; the first look after it ends clears it.
//   releaseMidiInput(): ends a hold at once (the editor's command loop, once start-up is over).
// takeMidiDevicesChange(): true once after DevicesChanged events were taken; for the command
//   loops only, which call rescanMidiDevices then (never a transfer, a reply wait or a dialog).
// takeScreenChange(): true once after Other events were taken; for the programs' command loops.
// rescanMidiDevices(portsChanged): lists both kinds again and finds the chosen devices by
//   name: one still there goes on under its index now, its connection kept when the rescan
//   was asked for by hand, and closed and opened again when the system's ports changed since
//   the last rescan (portsChanged: a handle is never trusted across DevicesChanged, since a
//   port that went and came back in between leaves the lists as they were and the handle
//   dead; the mapper too, while there is an output); one gone is closed and lost, with a
//   "MIDI-Out-Error" / "MIDI-In-Error" box "The device NAME is no longer present." (when the
//   input and the output go at one rescan, as a unit unplugged takes both, one "MIDI-Error"
//   box "The devices IN and OUT are no longer present.", or the one-device text when both
//   bear one name); a lost
//   one whose name is present again is opened (one that fails to open, with the box of the
//   open, stays lost and is tried again at the next rescan). The check marks of a device closed or
//   moved are removed; the rebuilt menus check the devices open now. True when the lists or the devices changed, so the program rebuilds its menus.
// midiInCommandDevice(id, k) / midiOutCommandDevice(id, k): true when the menu command id is
//   the item of an offered input / output device (the mapper is output -1), with k its index.
//   midiCtlCommandDevice(id, k): the same for the controller input ("None" is -1).
// selectMidiCtlDevice(k): the controller input's menu handler, as selectMidiInDevice; -1
//   ("None") closes it.
// appendControllerInMenu(midi): appends the "&Controller In" submenu ("&None", a separator, the
//   input devices) to a "&MIDI" menu and checks the open device; "None" carries no mark (no
//   mark is no device open, as in the other lists).
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
constexpr int32_t MidiInQuietMs = 100;
constexpr int MidiRescanCommand = 2301;
constexpr int MidiCtlNoneCommand = 2310;
constexpr int MidiCtlCommandFirst = 2311;  // "&Rescan Devices", in the "&MIDI" menu of both programs

extern int32_t MidiInDevice;
extern int32_t MidiOutDevice;
extern int32_t MidiInCount;
extern int32_t MidiOutCount;
extern std::string MidiInNames[MidiNameSlots];
extern std::string MidiOutNames[MidiNameSlots];
extern std::string MidiErrorText;
extern uint32_t MidiInQuietUntil;
extern bool MidiInQuiet;
extern void (*BeforeMidiOutputChanges)();
extern std::string MidiInName;
extern std::string MidiOutName;
extern bool MidiInLost;
extern bool MidiOutLost;
extern int32_t MidiCtlDevice;
extern std::string MidiCtlName;
extern bool MidiCtlLost;
extern bool MidiDevicesChangePending;
extern bool ScreenChangePending;

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
void selectMidiCtlDevice(int k);
int findMidiDeviceByName(const std::string* names, int count, int index, const std::string& name);
bool takeMidiDevicesChange();
bool takeScreenChange();
void holdMidiInput();
void releaseMidiInput();
bool midiInputHeld();
bool rescanMidiDevices(bool portsChanged);
bool midiInCommandDevice(int id, int& k);
bool midiOutCommandDevice(int id, int& k);
bool midiCtlCommandDevice(int id, int& k);
void appendControllerInMenu(MenuHandle midi);
void appendMidiMenu(MenuHandle bar, void (*appendMore)(MenuHandle midi) = nullptr);
