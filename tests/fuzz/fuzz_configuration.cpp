// Fuzz target of the configuration reader: any bytes as KtProg.CFG, read with the shipped
// panel as start-up reads it. The editor never ends over it, and after the effect tables
// follow the program every value lies in its pot's range. The read shows at most four message
// windows and holds no line beyond the reader's bound.
#include "editor/shell/configuration.h"
#include "fuzz_editor_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::freshMachine();
    if (!fuzzing::loadShippedPanel()) __builtin_trap();
    fuzzing::writeFile("KtProg.CFG", data, size);
    const int windowsBefore = fuzzing::messageWindows();
    try {
        readConfiguration(fuzzing::home() + "/KtProg.CFG");
    } catch (const sim::ProgramEnded&) {
        __builtin_trap();
    }
    fuzzing::checkReadBounds(windowsBefore);
    followEffectType();
    fuzzing::checkProgramInRange();
    return 0;
}
