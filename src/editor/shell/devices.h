// devices.h - the editor's MIDI devices found by name: at start-up, on Rescan Devices (2301)
// and when the system's ports change (DevicesChanged, in the command loop only).
//
// dispatchDeviceCommand(id): runs 2301; false for any other identifier.
// handleDevicesChanged(): the command loop got DevicesChanged.
#pragma once

#include "platform/events.h"

constexpr int CommandRescanDevices = 2301;

void resetDevicesState();
bool dispatchDeviceCommand(int id);
void handleDevicesChanged();
