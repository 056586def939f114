#include "editor/shell/editing.h"

#include <vector>

#include "editor/declaration/declaration.h"
#include "editor/library/library.h"
#include "editor/panel/layout.h"
#include "editor/panel/potedit.h"
#include "editor/preset/effects.h"
#include "editor/preset/parameters.h"
#include "editor/shell/zoom.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "shared/midi/nrpn.h"

ProgramSnapshot GestureBefore;
bool GestureOpen = false;
bool DoubleClickHeld = false;

namespace {

constexpr int StepsWithShift = 10;

// After a pot moved outside a drag: its NRPN (and, after an effect-type switch, the effect
// parameters with the closing edit-end) go out at once.
void sendPotChange() {
    sendChangedParameters();
    closeEditBracket();
}

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

void resetEditingState() {
    GestureBefore = ProgramSnapshot{};
    GestureOpen = false;
    DoubleClickHeld = false;
}

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

void beginPanelGesture() {
    GestureBefore = currentState();
    GestureOpen = true;
    DoubleClickHeld = false;
}

void endPanelGesture() {
    if (GestureOpen) recordChange(GestureBefore);
    GestureOpen = false;
    DoubleClickHeld = false;
}

bool takeDoubleClick(const Event& e) {
    if (DoubleClickHeld) return true;
    if (e.kind != EventKind::MouseButton || !e.doubleClick || PassMouseButtons != 1) return false;
    int j = 0;
    if (!potTrackAt(MouseX, MouseY, j)) return false;
    movePotTo(j, declaredDefault(j));
    DoubleClickHeld = true;
    return true;
}

void handlePotInput(const Event& e) {
    if (e.kind != EventKind::Wheel && e.kind != EventKind::Key) return;
    if (e.kind == EventKind::Key && e.ctrl) return;
    int x = e.x, y = e.y;
    if (e.kind == EventKind::Key) mousePosition(x, y);
    int j = 0, f = 0, p = 0;
    if (!potAt(x, y, j) || !parameterPot(j, f, p)) return;
    const int value = ProgramValues[j];
    int target = value;
    if (e.kind == EventKind::Wheel) {
        target = value + e.notches * (e.shift ? StepsWithShift : 1);
    } else {
        switch (e.key) {
        case KeyUp: target = value + 1; break;
        case KeyDown: target = value - 1; break;
        case KeyPageUp: target = value + StepsWithShift; break;
        case KeyPageDown: target = value - StepsWithShift; break;
        case KeyHome: target = PotMin[f][p]; break;
        case KeyEnd: target = PotMax[f][p]; break;
        default: return;
        }
    }
    movePotInRun(j, target, j);
}

bool movePotInRun(int index, int value, int runKey) {
    const ProgramSnapshot before = currentState();
    if (!movePotTo(index, value)) return false;
    sendPotChange();
    recordChange(before, runKey, tickCount());
    return true;
}
