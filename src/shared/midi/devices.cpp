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
int32_t MidiCtlDevice = -1;
std::string MidiCtlName;
bool MidiCtlLost = false;
bool MidiOutLost = false;
bool MidiDevicesChangePending = false;
bool ScreenChangePending = false;

namespace {

const std::string NoName(33, ' ');
// The box's title when the input and the output are told of together.
const char* const MidiInOutCaption = "MIDI-Error";

bool presentByName(const std::string* names, int count, const std::string& name, int& k) {
    k = findMidiDeviceByName(names, count, 0, name);
    return !name.empty() && k >= 0 && k < count && names[k] == name;
}

std::string noLongerPresent(const std::string& name) { return "The device " + name + " is no longer present."; }

// A chosen device that is not there: it stays closed, its name kept, until a device of that
// name is present again; the user hears it once, with the box (unless the caller says it
// together with its partner's).
void loseChosen(bool& lost, const char* caption, const std::string& name, bool say = true) {
    lost = true;
    if (say) messageBox(caption, noLongerPresent(name));
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
    MidiCtlDevice = -1;
    MidiCtlName.clear();
    MidiCtlLost = false;
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

namespace {

// One direction's devices: its globals and the backend's functions for it. Everything that
// lists, opens, switches and follows devices is written once, for either direction.
struct MidiDirection {
    // An input is started once opened and held quiet when it changes (start not null); the
    // input of the unit's replies has its receive buffer queued (queueBuffer not null).
    void (*start)();
    void (*queueBuffer)();
    // The controller input: -1 is "None", nothing open; a device is known by its kept name
    // alone (no index is kept for it), so a kept name not present is lost, never replaced.
    bool byNameOnly;
    // The text refusing device k because another direction has it open (empty: free; null:
    // nothing to ask).
    std::string (*heldByOther)(int k);
    std::string* names;
    int32_t& count;
    int32_t& device;
    std::string& name;
    bool& lost;
    int maxDevices;
    int commandFirst;
    const char* caption;
    int (*deviceCount)();
    std::string (*deviceName)(int k);
    bool (*openDevice)(int k, std::string& errorText);
    bool (*isOpen)();
    void (*close)();
};

// One device is never open as both inputs: every message of it would come twice (passed
// through twice, a learnt control moved twice), and some systems refuse it anyway. The input
// opened first keeps it; the other is refused with this text (empty: device k is free).
std::string heldByOtherInput(int k, bool otherOpen, int otherDevice, const char* other) {
    if (!otherOpen || k < 0 || k != otherDevice) return std::string();
    const std::string name = k < MidiInCount ? MidiInNames[k] : std::string();
    return "The device " + name + " is already open as the " + other + ".";
}

std::string heldByController(int k) { return heldByOtherInput(k, midiCtlIsOpen(), MidiCtlDevice, "Controller In"); }
std::string heldByMidiIn(int k) { return heldByOtherInput(k, midiInIsOpen(), MidiInDevice, "MIDI In"); }

void closeMidiCtl() { midiCtlCloseDevice(); }

// clang-format off
const MidiDirection MidiOut{nullptr, nullptr, false, nullptr, MidiOutNames, MidiOutCount, MidiOutDevice, MidiOutName,
                            MidiOutLost, MaxMidiOutDevices, MidiOutCommandFirst, "MIDI-Out-Error",
                            midiOutDeviceCount, midiOutDeviceName, midiOutOpenDevice, midiOutIsOpen, closeMidiOut};
const MidiDirection MidiIn{midiInStartDevice, midiInQueueBuffer, false, heldByController, MidiInNames, MidiInCount, MidiInDevice,
                           MidiInName, MidiInLost, MaxMidiInDevices, MidiInCommandFirst, "MIDI-In-Error",
                           midiInDeviceCount, midiInDeviceName, midiInOpenDevice, midiInIsOpen, closeMidiIn};
// The controller input offers the input's devices, and shares their list.
const MidiDirection MidiCtl{midiCtlStartDevice, nullptr, true, heldByMidiIn, MidiInNames, MidiInCount, MidiCtlDevice,
                            MidiCtlName, MidiCtlLost, MaxMidiInDevices, MidiCtlCommandFirst, "Controller-In-Error",
                            midiInDeviceCount, midiInDeviceName, midiCtlOpenDevice, midiCtlIsOpen, closeMidiCtl};
// clang-format on

void listDevices(const MidiDirection& d) {
    for (int k = 0; k < MidiNameSlots - 1; ++k) d.names[k] = NoName;
    d.count = std::min(d.deviceCount(), d.maxDevices);
    for (int k = 0; k < d.count; ++k) d.names[k] = d.deviceName(k);
}

// Opens device k unless the other input has it (MidiErrorText says why when it fails).
bool openAlone(const MidiDirection& d, int k) {
    if (d.heldByOther != nullptr && !(MidiErrorText = d.heldByOther(k)).empty()) return false;
    return d.openDevice(k, MidiErrorText);
}

bool openChosen(const MidiDirection& d) {
    int k = 0;
    if (d.lost && !presentByName(d.names, d.count, d.name, k)) return false;
    if (d.byNameOnly && d.name.empty()) return false;  // none chosen
    if (d.byNameOnly && !presentByName(d.names, d.count, d.name, k)) {
        loseChosen(d.lost, d.caption, d.name);
        return false;
    }
    if (unpluggedChosen(d.name, d.count)) {
        loseChosen(d.lost, d.caption, d.name);
        return false;
    }
    d.lost = false;
    d.device = findMidiDeviceByName(d.names, d.count, d.device, d.name);
    if (d.device > d.count - 1) d.device = d.count - 1;
    if (!openAlone(d, d.device)) {
        messageBox(d.caption, MidiErrorText);
        return false;
    }
    d.name = d.device >= 0 ? d.names[d.device] : std::string();
    if (d.start != nullptr) d.start();
    return true;
}

// No device of a kind: nothing is said, but a kept device is waited for like a lost one.
void openChosenOrWait(const MidiDirection& d) {
    listDevices(d);
    if (d.count >= 1)
        openChosen(d);
    else
        d.lost = !d.name.empty();
}

void selectDevice(const MidiDirection& d, int k) {
    if (k == d.device && !d.lost) return;
    if (d.heldByOther != nullptr && !(MidiErrorText = d.heldByOther(k)).empty()) {
        messageBox(d.caption, MidiErrorText);  // refused before anything is closed: nothing changes
        return;
    }
    if (d.start != nullptr) holdMidiInput();
    d.close();
    if (d.device >= 0 || !d.byNameOnly) checkMenuItem(d.commandFirst + d.device, false);
    d.device = k;
    d.name = k >= 0 && k < d.count ? d.names[k] : std::string();
    d.lost = false;
    if (d.byNameOnly && k < 0) return;  // None
    if (!openAlone(d, k)) {
        messageBox(d.caption, MidiErrorText);
        return;
    }
    if (d.start != nullptr) d.start();
    if (d.queueBuffer != nullptr) d.queueBuffer();
    checkMenuItem(d.commandFirst + k, true);
}

}  // namespace

void listMidiOutDevices() { listDevices(MidiOut); }
void listMidiInDevices() { listDevices(MidiIn); }
bool openChosenMidiOut() { return openChosen(MidiOut); }
bool openChosenMidiIn() { return openChosen(MidiIn); }

void openMidiDevices() {
    openChosenOrWait(MidiOut);
    openChosenOrWait(MidiIn);
    midiInQueueBuffer();  // does nothing without an open input
    openChosenOrWait(MidiCtl);
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
    midiCtlCloseDevice();
}

void selectMidiInDevice(int k) { selectDevice(MidiIn, k); }
void selectMidiCtlDevice(int k) { selectDevice(MidiCtl, k); }
void selectMidiOutDevice(int k) { selectDevice(MidiOut, k); }

bool takeScreenChange() {
    const bool pending = ScreenChangePending;
    ScreenChangePending = false;
    return pending;
}

void holdMidiInput() {
    MidiInQuietUntil = tickCount() + MidiInQuietMs;
    MidiInQuiet = true;
}

void releaseMidiInput() { MidiInQuiet = false; }

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

// Opens a chosen device again at a rescan (a reopened input holds pass-through back like a
// switch). One that fails (its port was going while the lists were read, or is busy) is lost:
// the box of the open told why, and the next rescan that finds its name tries again, so a
// device that comes back is never left closed.
bool reopenChosen(const MidiDirection& d) {
    if (d.start != nullptr) holdMidiInput();
    if (openChosen(d)) {
        if (d.queueBuffer != nullptr) d.queueBuffer();
        return true;
    }
    if (d.device >= 0) d.lost = true;
    return false;
}

// An open device after a change of the system's ports, whose name is present: closed and
// opened again by name. No handle is trusted across such a change: a port that went and came
// back between two rescans shows the same lists, but the connection to it is gone on every
// system (JACK and ALSA drop it with the port and never make it again, a winmm handle of a
// removed device stays dead), and no backend can tell a live one from a dead one. True when
// the device moved or could not be opened again (its check mark is then taken off).
bool reopenAfterPortsChanged(const MidiDirection& d, int k) {
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
// to. True when anything changed. sayLoss false: a device gone is not told here (its partner
// went with it, and one box tells both).
bool followChosenDevice(const MidiDirection& d, bool portsChanged, bool sayLoss) {
    int k = 0;
    const bool open = d.isOpen();
    if (open && d.device < 0) return portsChanged && d.count >= 1 && reopenAfterPortsChanged(d, d.device);
    if (open) {
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
        loseChosen(d.lost, d.caption, d.name, sayLoss);
        return true;
    }
    if (!d.lost || !presentByName(d.names, d.count, d.name, k)) return false;
    reopenChosen(d);
    return true;
}

// After the lists were read again: the open device, known by its name, is no longer listed
// (followChosenDevice will close it as lost).
bool chosenGone(const MidiDirection& d) {
    int k = 0;
    return d.isOpen() && d.device >= 0 && !d.name.empty() && !presentByName(d.names, d.count, d.name, k);
}

// Lists a direction's devices again; true when the list changed.
bool relistDevices(const MidiDirection& d) {
    const std::vector<std::string> old(d.names, d.names + d.count);
    listDevices(d);
    return old != std::vector<std::string>(d.names, d.names + d.count);
}

}  // namespace

bool rescanMidiDevices(bool portsChanged) {
    bool changed = relistDevices(MidiOut);
    if (relistDevices(MidiIn)) changed = true;
    // The unit's In and Out go together when it is unplugged: one box names both.
    const bool bothGone = chosenGone(MidiOut) && chosenGone(MidiIn);
    if (followChosenDevice(MidiOut, portsChanged, !bothGone)) changed = true;
    if (followChosenDevice(MidiIn, portsChanged, !bothGone)) changed = true;
    if (bothGone) {
        messageBox(MidiInOutCaption, MidiInName == MidiOutName
                                         ? noLongerPresent(MidiInName)  // one device with both ports
                                         : "The devices " + MidiInName + " and " + MidiOutName +
                                               " are no longer present.");
    }
    // The controller input shares the input's list, read above; it is told of on its own.
    if (followChosenDevice(MidiCtl, portsChanged, true)) changed = true;
    return changed;
}

bool midiInCommandDevice(int id, int& k) {
    k = id - MidiInCommandFirst;
    return k >= 0 && k < MidiInCount;
}

bool midiCtlCommandDevice(int id, int& k) {
    k = id - MidiCtlCommandFirst;
    return k >= -1 && k < MidiInCount;
}

bool midiOutCommandDevice(int id, int& k) {
    k = id - MidiOutCommandFirst;
    return k >= -1 && k < MidiOutCount;
}

void appendMidiMenu(MenuHandle bar, void (*appendMore)(MenuHandle midi)) {
    MenuHandle midi = createPopupMenu();
    MenuHandle midiIn = createPopupMenu();
    // Lists to choose from: every device is a check item, so the list lines up.
    constexpr MenuItemKind Check = MenuItemKind::Check;
    for (int k = 0; k < MidiInCount; ++k) appendMenuItem(midiIn, MidiInCommandFirst + k, MidiInNames[k], "", Check);
    appendMenuPopup(midi, midiIn, "MIDI &In");
    MenuHandle midiOut = createPopupMenu();
    appendMenuItem(midiOut, MidiMapperCommand, "MIDI &Mapper", "", Check);
    appendMenuSeparator(midiOut);
    for (int k = 0; k < MidiOutCount; ++k) appendMenuItem(midiOut, MidiOutCommandFirst + k, MidiOutNames[k], "", Check);
    appendMenuPopup(midi, midiOut, "MIDI &Out");
    if (appendMore != nullptr) appendMore(midi);
    appendMenuPopup(bar, midi, "&MIDI");
    if (midiInIsOpen()) checkMenuItem(MidiInCommandFirst + MidiInDevice, true);
    if (midiOutIsOpen()) checkMenuItem(MidiOutCommandFirst + MidiOutDevice, true);
}

void appendControllerInMenu(MenuHandle midi) {
    MenuHandle ctl = createPopupMenu();
    constexpr MenuItemKind Check = MenuItemKind::Check;
    // "None" carries no mark: as in the other lists, no mark is no device open.
    appendMenuItem(ctl, MidiCtlNoneCommand, "&None", "", Check);
    appendMenuSeparator(ctl);
    for (int k = 0; k < MidiInCount; ++k) appendMenuItem(ctl, MidiCtlCommandFirst + k, MidiInNames[k], "", Check);
    appendMenuPopup(midi, ctl, "&Controller In");
    if (midiCtlIsOpen()) checkMenuItem(MidiCtlCommandFirst + MidiCtlDevice, true);
}
