// sysex.h - system-exclusive exchange with the unit: send one whole message, then wait a
// bounded time for the unit's short reply. Every message of the unit is framed
// F0 00 21 11 <part> <command> <payload> [<checksum high> <checksum low>] F7, with part 03 the
// program memory and 02 the firmware loader; every reply is exactly seven bytes.
//
// sendSysEx(message, progress): hands the whole message to the output and returns only when
//   the platform has finished with its bytes (false when no output is open: it is lost);
//   progress, when given, hears how far a long message has got.
// waitSysExReply(timeout, received): takes events without blocking the processor until a
//   system-exclusive message arrives or more than `timeout` ms have passed since the start;
//   the event test comes before the time test in each round, so a message taken in the round
//   in which the limit passed counts as not received (received false, the message returned).
//   Events are taken through receive.h, so the receive buffer is queued again after each
//   system-exclusive message. A close request taken meanwhile is kept and queued again when
//   the wait ends (the wait is not cut short), so the program closes as soon as it takes
//   events again; every other event taken meanwhile is dropped (commands and clicks given
//   during a wait are lost, as the user sees the program busy). Returns the message, or empty.
// waitSysExReply(wait): the same wait in full (ReplyWait below): it can also drop every
//   message that arrived (Event::arrivedAt) before a given tick, and tells whether a close
//   request came during the wait.
// sysExChecksum(bytes, count, high, low): the plain sum S of `count` data bytes as the two
//   data bytes (S >> 7) & 7F, S & 7F; the vector form sums the whole vector the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/events.h"
#include "platform/midi.h"

struct ReplyWait {
    int32_t timeout = 0;          // the limit, in ms from the wait's start
    bool dropEarlier = false;     // when set, a message that arrived before arrivedFrom is dropped
    uint32_t arrivedFrom = 0;     // a tick
    bool received = false;        // out: a message came in time
    bool closeRequested = false;  // out: a close request came during the wait (queued again)
};

bool sendSysEx(const std::vector<uint8_t>& message, const SysExProgress& progress = nullptr);
std::vector<uint8_t> waitSysExReply(int32_t timeout, bool& received);
std::vector<uint8_t> waitSysExReply(ReplyWait& wait);
void sysExChecksum(const uint8_t* bytes, size_t count, uint8_t& high, uint8_t& low);
void sysExChecksum(const std::vector<uint8_t>& dataBytes, uint8_t& high, uint8_t& low);
