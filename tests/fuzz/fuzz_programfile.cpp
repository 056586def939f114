// Fuzz target of the program-file reader: any bytes as a program file, read with the shipped
// panel. Either the program is taken in whole (every value then in its pot's range, the
// effect type 0..3) or the panel's program stays exactly as it was; the read shows at most
// four message windows and holds no line beyond the reader's bound.
#include <vector>

#include "editor/preset/programfile.h"
#include "fuzz_editor_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::freshMachine();
    if (!fuzzing::loadShippedPanel()) __builtin_trap();
    fuzzing::writeFile("fuzz.prg", data, size);
    const std::vector<int16_t> before = ProgramValues;
    bool read = false;
    const int windowsBefore = fuzzing::messageWindows();
    try {
        read = readProgramFile(fuzzing::home() + "/fuzz.prg");
    } catch (const sim::ProgramEnded&) {
        __builtin_trap();  // the editor must never end over a program file
    }
    fuzzing::checkReadBounds(windowsBefore);
    if (!read && ProgramValues != before) __builtin_trap();
    fuzzing::checkProgramInRange();
    return 0;
}
