#include "shared/midi/sysex.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/midi.h"
#include "shared/midi/monitor.h"
#include "shared/midi/receive.h"

bool sendSysEx(const std::vector<uint8_t>& message, const SysExProgress& progress) {
    const bool sent = midiOutSendSysEx(message.data(), message.size(), progress);
    if (sent) watchMidiOut(message.data(), message.size());
    return sent;
}

std::vector<uint8_t> waitSysExReply(int32_t timeout, bool& received) {
    ReplyWait wait;
    wait.timeout = timeout;
    std::vector<uint8_t> reply = waitSysExReply(wait);
    received = wait.received;
    return reply;
}

std::vector<uint8_t> waitSysExReply(ReplyWait& wait) {
    const uint32_t start = tickCount();
    std::vector<uint8_t> reply;
    wait.received = false;
    wait.closeRequested = false;
    for (;;) {
        // Block for the next event, but never past the moment the limit is exceeded.
        const int32_t elapsed = tickDiff(tickCount(), start);
        const uint32_t slice = static_cast<uint32_t>(std::max<int32_t>(wait.timeout - elapsed + 1, 1));
        Event e;
        bool gotReply = false;
        if (takeEventWithin(slice, e)) {
            if (e.kind == EventKind::CloseRequested) wait.closeRequested = true;
            if (e.kind == EventKind::MidiLong && !(wait.dropEarlier && tickDiff(e.arrivedAt, wait.arrivedFrom) < 0)) {
                reply = e.bytes;
                gotReply = true;
            }
        }
        const bool late = tickDiff(tickCount(), start) > wait.timeout;
        if (late || gotReply) {
            wait.received = !late;
            if (wait.closeRequested) postCloseRequest();
            return reply;
        }
    }
}

void sysExChecksum(const uint8_t* bytes, size_t count, uint8_t& high, uint8_t& low) {
    // Only the low 14 bits of the sum are sent, and an unsigned sum keeps them right even if it wraps.
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i) sum += bytes[i];
    high = static_cast<uint8_t>((sum >> 7) & 0x7F);
    low = static_cast<uint8_t>(sum & 0x7F);
}

void sysExChecksum(const std::vector<uint8_t>& dataBytes, uint8_t& high, uint8_t& low) {
    sysExChecksum(dataBytes.data(), dataBytes.size(), high, low);
}
