// midi.h - the MIDI transport shared by both programs: the chosen devices.
//
// Globals:
//   MidiInDevice   index of the chosen input device (kept in the configuration file)
//   MidiOutDevice  index of the chosen output device; -1 is the MIDI mapper
#pragma once

#include <cstdint>

extern int32_t MidiInDevice;
extern int32_t MidiOutDevice;

void resetMidiState();
