// receive.cpp - taking events with the receive buffer kept queued. See receive.h.
#include "shared/midi/receive.h"

#include "platform/midi.h"

namespace {

// The only place the receive buffer is queued again after a message came in.
const Event& keepReceiving(const Event& e) {
    if (e.kind == EventKind::MidiLong) midiInQueueBuffer();
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
