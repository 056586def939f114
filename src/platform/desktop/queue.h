// queue.h - the event queue of the Linux desktop backend, shared by its two halves: the FLTK
// window side (which owns the queue and the event loop) and the RtMidi side (whose input
// callback runs on RtMidi's own thread).
//
// desktopPostEvent(e): thread-safe; appends e to the program's one event queue and wakes the
//   event loop (Fl::awake), so a waitEvent blocked in Fl::wait returns at once. It runs no
//   program logic. May be called from any thread.
#pragma once

#include "platform/events.h"

void desktopPostEvent(const Event& e);
