#include "editor/shell/editing.h"

#include <vector>

#include "editor/declaration/declaration.h"
#include "editor/library/library.h"
#include "editor/program/history.h"
#include "editor/program/morph.h"
#include "editor/panel/layout.h"
#include "editor/preset/effects.h"
#include "editor/preset/parameters.h"
#include "shared/midi/nrpn.h"

void initProgram() {
    endMorph();
    const ProgramSnapshot before = currentState();
    std::vector<int16_t> defaults(ProgramValues.size(), 0);
    int j = 0;
    for (int f = 0; f < FieldCount; ++f) {
        for (int p = 0; p < FieldPotCount[f] && j < static_cast<int>(defaults.size()); ++p, ++j) {
            defaults[j] = PotDefault[f][p];
        }
    }
    // As a load: the panel's effect values are filed under their type, then the type
    // follows its default and every value is clamped into the pots of that type.
    applyProgramValues(defaults);
    CurrentProgramName.clear();
    showProgramInCaption(CurrentProgramName);
    sendLoadedProgram();
    recordChange(before);
}

// Every parameter again, with the full parameter numbers, as at start-up: for a unit that was
// switched on after the editor or edited on its own front panel.
void sendWholeProgram() {
    std::fill(LastSentValues.begin(), LastSentValues.end(), NeverSent);
    LastNrpnMsb = LastNrpnLsb = -1;
    sendChangesInEditBracket();
}

void undoCommand() {
    endMorph();  // what Morph shows is the change undone
    ProgramSnapshot state;
    if (takeUndo(state)) applyProgramState(state);
}

void redoCommand() {
    endMorph();
    ProgramSnapshot state;
    if (takeRedo(state)) applyProgramState(state);
}

void compareCommand() {
    endMorph();  // compare then sets aside what Morph showed
    applyProgramState(toggleCompare());
}
