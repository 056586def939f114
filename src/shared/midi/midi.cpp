#include "shared/midi/midi.h"

int32_t MidiInDevice = 0;
int32_t MidiOutDevice = 0;

void resetMidiState() {
    MidiInDevice = 0;
    MidiOutDevice = 0;
}
