// Fuzz target of the declaration loader: any bytes as KtProg.DAT. The loader either fills
// consistent tables or ends the program with a message; it never reads out of bounds. The
// read shows at most four message windows, and one more where it ends the program.
#include "fuzz_editor_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::freshMachine();
    fuzzing::writeFile("KtProg.DAT", data, size);
    const int windowsBefore = fuzzing::messageWindows();
    try {
        loadDeclarationFile("KtProg");
        startDeclaredProgram();
    } catch (const sim::ProgramEnded&) {
        if (fuzzing::messageWindows() - windowsBefore > MaxDataFileMessages + 2) __builtin_trap();
        if (DataLinePeak > MaxDataLineBytes + 1) __builtin_trap();
        resetEditorState();
        return 0;
    }
    fuzzing::checkReadBounds(windowsBefore);
    // Accepted: the fixed numbering holds and the tables agree with each other.
    if (ParameterCount != StandardParameterCount) __builtin_trap();
    if (ProgramValues.size() != static_cast<size_t>(ParameterCount)) __builtin_trap();
    if (FieldPotCount[EffectField] != EffectFieldPotCount) __builtin_trap();
    for (int type = 0; type < 4; ++type) loadEffectTables(type);
    followEffectType();
    fuzzing::checkProgramInRange();
    return 0;
}
