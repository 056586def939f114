#include "editor/shell/devices.h"

#include <string>

#include "editor/shell/settings.h"
#include "editor/shell/shell.h"
#include "shared/midi/devices.h"

namespace {

// The lists read again; the menus rebuilt only when something changed (nothing flickers and
// no check mark is set anew for a rescan that found what was there). portsChanged: the
// system's ports changed since the last rescan, so the open devices are opened again.
void rescanDevices(bool portsChanged) {
    if (rescanMidiDevices(portsChanged)) rebuildMenus();
}

}  // namespace

void rescanDevicesCommand() {
    rescanDevices(takeMidiDevicesChange());  // what a pending change would do is done now
}

bool isDeviceCommand(int id) {
    int k = 0;
    return midiInCommandDevice(id, k) || midiOutCommandDevice(id, k) || midiCtlCommandDevice(id, k);
}

void selectDeviceCommand(int id) {
    const std::string inName = MidiInName, outName = MidiOutName, ctlName = MidiCtlName;
    if (int in = 0; midiInCommandDevice(id, in)) {
        selectMidiInDevice(in);
    } else if (int out = 0; midiOutCommandDevice(id, out)) {
        selectMidiOutDevice(out);
    } else if (int ctl = 0; midiCtlCommandDevice(id, ctl)) {
        selectMidiCtlDevice(ctl);
    } else {
        return;
    }
    if (MidiInName != inName || MidiOutName != outName || MidiCtlName != ctlName) saveOptions(true);
}

void handleDevicesChanged() {
    if (takeMidiDevicesChange()) rescanDevices(true);
}
