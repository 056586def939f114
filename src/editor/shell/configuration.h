// configuration.h - the editor's configuration file KtProg.CFG in the start directory: the
// user's settings and the last program, from one run to the next. CR LF text, lines:
//   1  DataDirectory, the whole line (read raw; not a data line)
//   2  MidiInDevice   in the number form, blanks up to column 25, "; Midi In"
//   3  MidiOutDevice  the same with "; Midi Out" (-1: the MIDI mapper)
//   the parameter lines of the program file format, one per parameter
//   56 effect lines: EffectStore[t*14 + k], blanks up to column 6, "; Effect Parameters" and
//      t in the number form
//   16 spare lines " 0    ; dummy"
// Lines 2, 3 and the parameter lines are data lines (comments skipped, expressions and the
// declared symbols allowed); each effect line is read raw, its leading number taken.
//
// readConfiguration(path): a missing file changes nothing. A file that ends early, or was
//   written for a declaration with fewer pots, shows the reader's "out of data" message and
//   start-up goes on with what was read and the declaration's defaults for the rest; a cut
//   inside the effect lines is said once the same way. Effect lines that are missing or do
//   not start with a number keep their previous values.
// writeConfiguration(path): writes the file safely (temporary file renamed over the old one);
//   a failure shows a message window naming the file and the reason, and returns false.
#pragma once

#include <string>

bool readConfiguration(const std::string& path);
bool writeConfiguration(const std::string& path);
