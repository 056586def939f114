// devices.h - the editor's MIDI devices found by name: at start-up, on Rescan Devices (2301)
// and when the system's ports change (DevicesChanged, acted on in the command loop only).
// The rule itself and the rescan are shared with the updater (shared/midi/devices.h); the names
// are kept in KtProg.ini (settings.h).
//
// rescanDevicesCommand(): Rescan Devices (2301), a row of the command table (commands.h).
// isDeviceCommand(id): id is one of the MIDI menu's device items (50..149, and the controller
//   input's 2310..2359), the command table's range of generated items.
// selectDeviceCommand(id): one of those: the device is switched and, when its name changed,
//   the options file written.
// handleDevicesChanged(): every command-loop pass, after the pass's command: when a
//   DevicesChanged was taken since (by the loop itself, a reply wait or a message window),
//   the devices are rescanned.
// Owns no globals.
#pragma once

#include "platform/events.h"
#include "shared/midi/devices.h"

constexpr int CommandRescanDevices = MidiRescanCommand;

void rescanDevicesCommand();
bool isDeviceCommand(int id);
void selectDeviceCommand(int id);
void handleDevicesChanged();
