#include "shared/midi/devices.h"

#include <algorithm>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/midi.h"

int32_t MidiInDevice = 0;
int32_t MidiOutDevice = 0;
int32_t MidiInCount = 0;
int32_t MidiOutCount = 0;
std::string MidiInNames[MidiNameSlots];
std::string MidiOutNames[MidiNameSlots];
std::string MidiErrorText;
uint32_t MidiInQuietUntil = 0;
bool MidiInQuiet = false;
void (*BeforeMidiOutputChanges)() = nullptr;
std::string MidiInName;
std::string MidiOutName;
bool MidiInLost = false;
bool MidiOutLost = false;
bool MidiDevicesChangePending = false;
bool ScreenChangePending = false;

namespace {

const std::string NoName(33, ' ');

bool presentByName(const std::string* names, int count, const std::string& name, int& k) {
    k = findMidiDeviceByName(names, count, 0, name);
    return !name.empty() && k >= 0 && k < count && names[k] == name;
}

// A chosen device that is not there: it stays closed, its name kept, until a device of that
// name is present again; the user hears it once, with the box.
void loseChosen(bool& lost, const char* caption, const std::string& name) {
    lost = true;
    messageBox(caption, "The device " + name + " is no longer present.");
}

// A kept name while no device of its kind is present at all (unplugged): limiting the index
// would give the mapper, and the name would be lost with it. The device is lost instead, and
// found again by name.
bool unpluggedChosen(const std::string& name, int count) { return !name.empty() && count < 1; }

}  // namespace

void resetMidiState() {
    MidiInDevice = 0;
    MidiOutDevice = 0;
    MidiInCount = MidiOutCount = 0;
    for (std::string& name : MidiInNames) name = NoName;
    for (std::string& name : MidiOutNames) name = NoName;
    MidiErrorText.clear();
    MidiInQuietUntil = 0;
    MidiInQuiet = false;
    BeforeMidiOutputChanges = nullptr;
    MidiInName.clear();
    MidiOutName.clear();
    MidiInLost = MidiOutLost = false;
    MidiDevicesChangePending = false;
    ScreenChangePending = false;
}

int findMidiDeviceByName(const std::string* names, int count, int index, const std::string& name) {
    if (name.empty()) return index;  // the index's own device, when it has the name, is nearest
    int best = index;
    int bestDistance = -1;
    for (int k = 0; k < count; ++k) {
        const int distance = k > index ? k - index : index - k;
        if (names[k] == name && (bestDistance < 0 || distance < bestDistance)) {
            best = k;
            bestDistance = distance;
        }
    }
    return best;
}

void listMidiOutDevices() {
    for (int k = 0; k < MidiNameSlots - 1; ++k) MidiOutNames[k] = NoName;
    MidiOutCount = std::min(midiOutDeviceCount(), MaxMidiOutDevices);
    for (int k = 0; k < MidiOutCount; ++k) MidiOutNames[k] = midiOutDeviceName(k);
}

void listMidiInDevices() {
    for (int k = 0; k < MidiNameSlots - 1; ++k) MidiInNames[k] = NoName;
    MidiInCount = std::min(midiInDeviceCount(), MaxMidiInDevices);
    for (int k = 0; k < MidiInCount; ++k) MidiInNames[k] = midiInDeviceName(k);
}

bool openChosenMidiOut() {
    int k = 0;
    if (MidiOutLost && !presentByName(MidiOutNames, MidiOutCount, MidiOutName, k)) return false;
    if (unpluggedChosen(MidiOutName, MidiOutCount)) {
        loseChosen(MidiOutLost, "MIDI-Out-Error", MidiOutName);
        return false;
    }
    MidiOutLost = false;
    MidiOutDevice = findMidiDeviceByName(MidiOutNames, MidiOutCount, MidiOutDevice, MidiOutName);
    if (MidiOutDevice > MidiOutCount - 1) MidiOutDevice = MidiOutCount - 1;
    if (!midiOutOpenDevice(MidiOutDevice, MidiErrorText)) {
        messageBox("MIDI-Out-Error", MidiErrorText);
        return false;
    }
    MidiOutName = MidiOutDevice >= 0 ? MidiOutNames[MidiOutDevice] : std::string();
    return true;
}

bool openChosenMidiIn() {
    int k = 0;
    if (MidiInLost && !presentByName(MidiInNames, MidiInCount, MidiInName, k)) return false;
    if (unpluggedChosen(MidiInName, MidiInCount)) {
        loseChosen(MidiInLost, "MIDI-In-Error", MidiInName);
        return false;
    }
    MidiInLost = false;
    MidiInDevice = findMidiDeviceByName(MidiInNames, MidiInCount, MidiInDevice, MidiInName);
    if (MidiInDevice > MidiInCount - 1) MidiInDevice = MidiInCount - 1;
    if (!midiInOpenDevice(MidiInDevice, MidiErrorText)) {
        messageBox("MIDI-In-Error", MidiErrorText);
        return false;
    }
    MidiInName = MidiInDevice >= 0 ? MidiInNames[MidiInDevice] : std::string();
    midiInStartDevice();
    return true;
}

void openMidiDevices() {
    // No device of a kind: nothing is said, but a kept device is waited for like a lost one.
    listMidiOutDevices();
    if (MidiOutCount >= 1) openChosenMidiOut();
    else MidiOutLost = !MidiOutName.empty();
    listMidiInDevices();
    if (MidiInCount >= 1) openChosenMidiIn();
    else MidiInLost = !MidiInName.empty();
    midiInQueueBuffer();  // does nothing without an open input
}

void closeMidiIn() {
    midiInReleaseBuffer();
    midiInStopDevice();
    midiInCloseDevice();
}

void closeMidiOut() {
    if (BeforeMidiOutputChanges != nullptr && midiOutIsOpen()) BeforeMidiOutputChanges();
    midiOutCloseDevice();
}

void closeMidiDevices() {
    midiInReleaseBuffer();
    midiInStopDevice();
    closeMidiOut();
    midiInCloseDevice();
}

void selectMidiInDevice(int k) {
    if (k == MidiInDevice && !MidiInLost) return;
    holdMidiInput();
    closeMidiIn();
    checkMenuItem(MidiInCommandFirst + MidiInDevice, false);
    MidiInDevice = k;
    MidiInName = k >= 0 && k < MidiInCount ? MidiInNames[k] : std::string();
    MidiInLost = false;
    if (!midiInOpenDevice(k, MidiErrorText)) {
        messageBox("MIDI-In-Error", MidiErrorText);
        return;
    }
    midiInStartDevice();
    midiInQueueBuffer();
    checkMenuItem(MidiInCommandFirst + k, true);
}

void selectMidiOutDevice(int k) {
    if (k == MidiOutDevice && !MidiOutLost) return;
    closeMidiOut();
    checkMenuItem(MidiOutCommandFirst + MidiOutDevice, false);
    MidiOutDevice = k;
    MidiOutName = k >= 0 && k < MidiOutCount ? MidiOutNames[k] : std::string();
    MidiOutLost = false;
    if (!midiOutOpenDevice(k, MidiErrorText)) {
        messageBox("MIDI-Out-Error", MidiErrorText);
        return;
    }
    checkMenuItem(MidiOutCommandFirst + k, true);
}

bool takeScreenChange() {
    const bool pending = ScreenChangePending;
    ScreenChangePending = false;
    return pending;
}

void holdMidiInput() {
    MidiInQuietUntil = tickCount() + MidiInQuietMs;
    MidiInQuiet = true;
}

bool midiInputHeld() {
    const int32_t left = tickDiff(MidiInQuietUntil, tickCount());
    MidiInQuiet = MidiInQuiet && left >= 0 && left <= MidiInQuietMs;  // held up to and at that tick
    return MidiInQuiet;
}

bool takeMidiDevicesChange() {
    const bool pending = MidiDevicesChangePending;
    MidiDevicesChangePending = false;
    return pending;
}

namespace {

// One direction's chosen device, as a rescan follows it.
struct ChosenDevice {
    const std::string* names;
    int count;
    int& device;
    const std::string& name;
    bool& lost;
    int commandFirst;
    bool open;  // open now
    void (*close)();
    bool (*reopen)();
    const char* caption;
};

bool reopenChosenMidiOut() { return openChosenMidiOut(); }

// A reopened input holds pass-through back like a switch.
bool reopenChosenMidiIn() {
    holdMidiInput();
    if (!openChosenMidiIn()) return false;
    midiInQueueBuffer();
    return true;
}

// Opens a chosen device again at a rescan. One that fails (its port was going while the lists
// were read, or is busy) is lost: the box of the open told why, and the next rescan that finds
// its name tries again, so a device that comes back is never left closed.
bool reopenChosen(const ChosenDevice& d) {
    if (d.reopen()) return true;
    if (d.device >= 0) d.lost = true;
    return false;
}

// An open device after a change of the system's ports, whose name is present: closed and
// opened again by name. No handle is trusted across such a change: a port that went and came
// back between two rescans shows the same lists, but the connection to it is gone on every
// system (JACK and ALSA drop it with the port and never make it again, a winmm handle of a
// removed device stays dead), and no backend can tell a live one from a dead one. True when
// the device moved or could not be opened again (its check mark is then taken off).
bool reopenAfterPortsChanged(const ChosenDevice& d, int k) {
    const int old = d.device;
    d.close();
    d.device = k;
    if (reopenChosen(d) && d.device == old) return false;
    checkMenuItem(d.commandFirst + old, false);
    return true;
}

// After the lists were read again: an open device is found again by name (its check mark
// moves with its index; after a change of the ports it is opened again) or, gone, closed with
// the box; a lost one is opened again when its name is back. The mapper (output -1) never
// goes away; after a change of the ports it is opened again while there is an output to map
// to. True when anything changed.
bool followChosenDevice(const ChosenDevice& d, bool portsChanged) {
    int k = 0;
    if (d.open && d.device < 0) return portsChanged && d.count >= 1 && reopenAfterPortsChanged(d, d.device);
    if (d.open) {
        if (d.name.empty() || presentByName(d.names, d.count, d.name, k)) {
            k = findMidiDeviceByName(d.names, d.count, d.device, d.name);
            if (portsChanged) return reopenAfterPortsChanged(d, k);
            if (k == d.device) return false;
            checkMenuItem(d.commandFirst + d.device, false);
            d.device = k;
            return true;
        }
        d.close();
        checkMenuItem(d.commandFirst + d.device, false);
        loseChosen(d.lost, d.caption, d.name);
        return true;
    }
    if (!d.lost || !presentByName(d.names, d.count, d.name, k)) return false;
    reopenChosen(d);
    return true;
}

}  // namespace

bool rescanMidiDevices(bool portsChanged) {
    const std::vector<std::string> oldOuts(MidiOutNames, MidiOutNames + MidiOutCount);
    const std::vector<std::string> oldIns(MidiInNames, MidiInNames + MidiInCount);
    listMidiOutDevices();
    listMidiInDevices();
    bool changed = oldOuts != std::vector<std::string>(MidiOutNames, MidiOutNames + MidiOutCount) ||
                   oldIns != std::vector<std::string>(MidiInNames, MidiInNames + MidiInCount);
    const ChosenDevice out{MidiOutNames,   MidiOutCount, MidiOutDevice,       MidiOutName,     MidiOutLost,
                           MidiOutCommandFirst, midiOutIsOpen(), closeMidiOut, reopenChosenMidiOut, "MIDI-Out-Error"};
    if (followChosenDevice(out, portsChanged)) changed = true;
    const ChosenDevice in{MidiInNames,        MidiInCount,    MidiInDevice, MidiInName,         MidiInLost,
                          MidiInCommandFirst, midiInIsOpen(), closeMidiIn,  reopenChosenMidiIn, "MIDI-In-Error"};
    if (followChosenDevice(in, portsChanged)) changed = true;
    return changed;
}

bool midiInCommandDevice(int id, int& k) {
    k = id - MidiInCommandFirst;
    return k >= 0 && k < MidiInCount;
}

bool midiOutCommandDevice(int id, int& k) {
    k = id - MidiOutCommandFirst;
    return k >= -1 && k < MidiOutCount;
}

void appendMidiMenu(MenuHandle bar, void (*appendMore)(MenuHandle midi)) {
    MenuHandle midi = createPopupMenu();
    MenuHandle midiIn = createPopupMenu();
    for (int k = 0; k < MidiInCount; ++k) appendMenuItem(midiIn, MidiInCommandFirst + k, MidiInNames[k]);
    appendMenuPopup(midi, midiIn, "MIDI &In");
    MenuHandle midiOut = createPopupMenu();
    appendMenuItem(midiOut, MidiMapperCommand, "MIDI &Mapper");
    appendMenuSeparator(midiOut);
    for (int k = 0; k < MidiOutCount; ++k) appendMenuItem(midiOut, MidiOutCommandFirst + k, MidiOutNames[k]);
    appendMenuPopup(midi, midiOut, "MIDI &Out");
    if (appendMore != nullptr) appendMore(midi);
    appendMenuPopup(bar, midi, "&MIDI");
    if (midiInIsOpen()) checkMenuItem(MidiInCommandFirst + MidiInDevice, true);
    if (midiOutIsOpen()) checkMenuItem(MidiOutCommandFirst + MidiOutDevice, true);
}
