// clock.h - the millisecond tick and plain waiting.
//
// tickCount(): the system's millisecond tick as an unsigned 32-bit number that wraps like
//   GetTickCount; compare ticks by signed difference (tickDiff), never with < directly.
// sleepMilliseconds(ms): gives the processor away for ms milliseconds. Events that arrive
//   meanwhile stay queued. In the simulation the virtual clock moves on by ms.
//
// localTimeText(): the local date and time as "YYYY-MM-DD HH:MM:SS" (for records a user
//   reads). The simulation's starts at 2000-01-01 00:00:00 and moves with virtual time.
//
// Backends: win32 GetTickCount/Sleep/GetLocalTime, fltk steady_clock/localtime_r, sim the
// virtual clock.
#pragma once

#include <cstdint>
#include <string>

uint32_t tickCount();
void sleepMilliseconds(uint32_t ms);
std::string localTimeText();

// a - b as a signed number of milliseconds, correct across the wrap of the tick.
inline int32_t tickDiff(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b); }
