// clock.h - the millisecond tick and plain waiting.
//
// tickCount(): the system's millisecond tick as an unsigned 32-bit number that wraps like
//   GetTickCount; compare ticks by difference, never with < directly. A signed difference
//   (tickDiff) is right for moments within 24.9 days of each other: good inside a wait that
//   reads the tick as it goes, wrong for a moment a program keeps while it may lie idle for
//   weeks. The time since a kept moment (tickSince) stays right for 49.7 days; a kept moment
//   ahead (a hold) is compared by the time left, bounded by the hold's length.
// sleepMilliseconds(ms): gives the processor away for ms milliseconds. Events that arrive
//   meanwhile stay queued. In the simulation the virtual clock moves on by ms.
//
// localTimeText(): the local date and time as "YYYY-MM-DD HH:MM:SS" (for records a user
//   reads). The simulation's starts at 2000-01-01 00:00:00 and moves with virtual time.
//
// randomSeed(): a 64-bit number to seed the editor's random generator with, different from
//   one run to the next on a real machine (a high-resolution clock reading mixed with what
//   else the system offers cheaply). The simulation returns the script's `seed N` (1 unless
//   set), so a run is deterministic.
//
// Backends: win32 GetTickCount/Sleep/GetLocalTime, fltk steady_clock/localtime_r, sim the
// virtual clock.
#pragma once

#include <cstdint>
#include <string>

uint32_t tickCount();
void sleepMilliseconds(uint32_t ms);
std::string localTimeText();
uint64_t randomSeed();

// a - b as a signed number of milliseconds, correct across the wrap of the tick.
inline int32_t tickDiff(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b); }
// The milliseconds from `then` to `now`, for a moment kept from the past.
inline uint32_t tickSince(uint32_t now, uint32_t then) { return now - then; }
