#include "shared/midi/midi.h"

#include <algorithm>

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
void (*BeforeMidiOutputChanges)() = nullptr;

namespace {

const std::string NoName(33, ' ');

}  // namespace

void resetMidiState() {
    MidiInDevice = 0;
    MidiOutDevice = 0;
    MidiInCount = MidiOutCount = 0;
    for (std::string& name : MidiInNames) name = NoName;
    for (std::string& name : MidiOutNames) name = NoName;
    MidiErrorText.clear();
    MidiInQuietUntil = 0;
    BeforeMidiOutputChanges = nullptr;
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
    if (MidiOutDevice > MidiOutCount - 1) MidiOutDevice = MidiOutCount - 1;
    if (!midiOutOpenDevice(MidiOutDevice, MidiErrorText)) {
        messageBox("MIDI-Out-Error", MidiErrorText);
        return false;
    }
    return true;
}

bool openChosenMidiIn() {
    if (MidiInDevice > MidiInCount - 1) MidiInDevice = MidiInCount - 1;
    if (!midiInOpenDevice(MidiInDevice, MidiErrorText)) {
        messageBox("MIDI-In-Error", MidiErrorText);
        return false;
    }
    midiInStartDevice();
    return true;
}

void openMidiDevices() {
    listMidiOutDevices();
    if (MidiOutCount >= 1) openChosenMidiOut();
    listMidiInDevices();
    if (MidiInCount >= 1) openChosenMidiIn();
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
    if (k == MidiInDevice) return;
    MidiInQuietUntil = tickCount() + 100;
    closeMidiIn();
    checkMenuItem(MidiInCommandFirst + MidiInDevice, false);
    MidiInDevice = k;
    if (!midiInOpenDevice(k, MidiErrorText)) {
        messageBox("MIDI-In-Error", MidiErrorText);
        return;
    }
    midiInStartDevice();
    midiInQueueBuffer();
    checkMenuItem(MidiInCommandFirst + k, true);
}

void selectMidiOutDevice(int k) {
    if (k == MidiOutDevice) return;
    closeMidiOut();
    checkMenuItem(MidiOutCommandFirst + MidiOutDevice, false);
    MidiOutDevice = k;
    if (!midiOutOpenDevice(k, MidiErrorText)) {
        messageBox("MIDI-Out-Error", MidiErrorText);
        return;
    }
    checkMenuItem(MidiOutCommandFirst + k, true);
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
