// receive.cpp - taking events with the receive buffer kept queued. See receive.h.
#include "shared/midi/receive.h"

#include "platform/midi.h"
#include "shared/midi/devices.h"
#include "shared/midi/monitor.h"

namespace {

// The only place the receive buffer is queued again after a message came in, and the only
// place a change of the system's ports is noted: whichever loop takes it (a reply wait, the
// message window), the command loop acts on it at its next pass. Also the one place where a
// watcher of the traffic (monitor.h) hears what came in.
const Event& keepReceiving(const Event& e) {
    if (e.kind == EventKind::MidiLong) {
        midiInQueueBuffer();
        watchMidiIn(e.bytes.data(), e.bytes.size());
    }
    if (e.kind == EventKind::MidiShort && MidiTrafficWatcher != nullptr) {
        uint8_t bytes[3];
        unpackMidiShort(e.midiWord, bytes);
        watchMidiIn(bytes, shortMessageLength(bytes[0]));
    }
    if (e.kind == EventKind::DevicesChanged) MidiDevicesChangePending = true;
    if (e.kind == EventKind::Other) ScreenChangePending = true;  // it may be a display change
    return e;
}

}  // namespace

Event takeEvent() {
    Event e = waitEvent();
    keepReceiving(e);
    return e;
}

bool takeEventWithin(uint32_t ms, Event& e) {
    if (!waitEventFor(ms, e)) return false;
    keepReceiving(e);
    return true;
}

bool takePendingEvent(Event& e) {
    if (!peekEvent(e)) return false;
    keepReceiving(e);
    return true;
}
