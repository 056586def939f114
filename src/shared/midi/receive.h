// receive.h - the one way every loop of both programs takes its events (the command loops,
// the start-up drain, the reply waits, the message window, the dialogs' release wait).
//
// The input has a single receive buffer for system-exclusive messages; every such message
// arriving brings the buffer back, and until it is queued again the next one is lost. So
// each event taken here that is a system-exclusive message queues the buffer again before
// the caller sees it, whether the caller wants the message (a reply wait) or drops it (any
// other loop). No loop can forget it, and a stray message never leaves reception deaf.
//
// A DevicesChanged taken here, by any loop, is noted (MidiDevicesChangePending of midi.h) for
// the command loop, which alone acts on it; so is an Other event (ScreenChangePending), which
// may be the display-change message.
//
// takeEvent(): waitEvent (blocks; Ticks while a button is held).
// takeEventWithin(ms, e): waitEventFor (false when nothing came within ms).
// takePendingEvent(e): peekEvent (false when nothing is pending; never waits).
// Owns no globals.
#pragma once

#include <cstdint>

#include "platform/events.h"

Event takeEvent();
bool takeEventWithin(uint32_t ms, Event& e);
bool takePendingEvent(Event& e);
