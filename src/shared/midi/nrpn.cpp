#include "shared/midi/nrpn.h"

#include "platform/clock.h"
#include "platform/midi.h"
#include "shared/midi/monitor.h"

int16_t LastNrpnMsb = -1, LastNrpnLsb = -1;
uint32_t LastNrpnTime = 0;
bool EditBracketOpen = false;
uint8_t ThruStatus = 0, ThruData1 = 0, ThruData2 = 0;

namespace {

// The number controllers are repeated after this long without an NRPN, so a unit that
// missed them (or was switched on meanwhile) gets the full address again.
constexpr uint32_t NrpnAddressHoldMs = 1000;

}  // namespace

void resetNrpnState() {
    LastNrpnMsb = LastNrpnLsb = -1;
    LastNrpnTime = tickCount();
    EditBracketOpen = false;
    ThruStatus = ThruData1 = ThruData2 = 0;
}

void sendShortMessage(int status, int data1, int data2) {
    const uint32_t word = packMidiShort(status, data1, data2);
    midiOutSendShort(word);
    if (MidiTrafficWatcher != nullptr && midiOutIsOpen()) {
        uint8_t bytes[3];
        unpackMidiShort(word, bytes);
        watchMidiOut(bytes, shortMessageLength(bytes[0]));
    }
}

void sendNrpn(int msb, int lsb, int value) {
    if (msb != LastNrpnMsb || tickSince(tickCount(), LastNrpnTime) > NrpnAddressHoldMs) {
        sendShortMessage(0xB0, 99, msb);
        LastNrpnMsb = static_cast<int16_t>(msb);
    }
    if (lsb != LastNrpnLsb || tickSince(tickCount(), LastNrpnTime) > NrpnAddressHoldMs) {
        sendShortMessage(0xB0, 98, lsb);
        LastNrpnLsb = static_cast<int16_t>(lsb);
    }
    sendShortMessage(0xB0, 6, value);
    LastNrpnTime = tickCount();
}

void sendEditBracket(int value) { sendNrpn(10, 1, value); }

void closeEditBracket() {
    if (!EditBracketOpen) return;
    EditBracketOpen = false;
    sendEditBracket(1);
}

bool learnableController(int controller) {
    if (controller < 0 || controller > 127) return false;
    return controller != 6 && controller != 38 && (controller < 96 || controller > 101);
}

bool pollMidiInput(const Event& e) {
    if (e.kind != EventKind::MidiShort) return false;
    uint8_t bytes[3];
    unpackMidiShort(e.midiWord, bytes);
    ThruStatus = bytes[0];
    ThruData1 = bytes[1];
    ThruData2 = bytes[2];
    return ThruStatus < 0xF0;
}

void forwardMidiInput() { sendShortMessage(ThruStatus, ThruData1, ThruData2); }
