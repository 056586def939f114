#include "editor/shell/editing.h"

#include <vector>

#include "editor/declaration/declaration.h"
#include "editor/library/library.h"
#include "editor/program/history.h"
#include "editor/panel/layout.h"
#include "editor/preset/effects.h"
#include "editor/preset/parameters.h"
#include "editor/shell/zoom.h"
#include "shared/midi/nrpn.h"

namespace {

void initProgram() {
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

}  // namespace

void appendEditMenu(MenuHandle bar) {
    MenuHandle edit = createPopupMenu();
    appendMenuItem(edit, CommandUndo, "&Undo", "Ctrl+Z");
    appendMenuItem(edit, CommandRedo, "&Redo", "Ctrl+Y");
    appendMenuItem(edit, CommandCompare, "&Compare");
    appendMenuItem(edit, CommandInitProgram, "&Init Program");
    appendMenuItem(edit, CommandSendWholeProgram, "Send &Whole Program");
    appendMenuPopup(bar, edit, "&Edit");
}

bool dispatchEditCommand(int id) {
    ProgramSnapshot state;
    switch (id) {
    case CommandUndo:
        if (takeUndo(state)) applyProgramState(state);
        return true;
    case CommandRedo:
        if (takeRedo(state)) applyProgramState(state);
        return true;
    case CommandCompare: applyProgramState(toggleCompare()); return true;
    case CommandInitProgram: initProgram(); return true;
    case CommandSendWholeProgram: sendWholeProgram(); return true;
    default: return false;
    }
}

int commandForKey(const Event& e) {
    if (e.kind != EventKind::Key) return 0;
    if (!e.ctrl && !e.shift && e.key == KeyRight) return CommandNextProgram;
    if (!e.ctrl && !e.shift && e.key == KeyLeft) return CommandPreviousProgram;
    if (!e.ctrl) return 0;
    if (const int zoom = zoomCommandForKey(e)) return zoom;
    const int c = (e.key >= 'A' && e.key <= 'Z') ? e.key - 'A' + 'a' : e.key;
    if (c == 'z') return e.shift ? CommandRedo : CommandUndo;
    if (c == 'y') return CommandRedo;
    return 0;
}
