#include "editor/program/history.h"

#include "platform/clock.h"
#include "platform/window.h"

std::deque<ProgramSnapshot> UndoStates;
std::deque<ProgramSnapshot> RedoStates;
ProgramSnapshot CompareReference;
ProgramSnapshot CompareSetAside;
bool Comparing = false;
int MergeKey = -1;
uint32_t MergeTime = 0;

namespace {

// Compare ends without showing anything new: what is shown stays, the check mark goes.
void leaveCompare() {
    if (!Comparing) return;
    Comparing = false;
    CompareSetAside = ProgramSnapshot{};
    checkMenuItem(CommandCompare, false);
}

}  // namespace

void resetHistoryState() {
    UndoStates.clear();
    RedoStates.clear();
    CompareReference = ProgramSnapshot{};
    CompareSetAside = ProgramSnapshot{};
    Comparing = false;
    MergeKey = -1;
    MergeTime = 0;
}

ProgramSnapshot currentState() { return captureProgram(CurrentProgramName); }

bool recordChange(const ProgramSnapshot& before, int mergeKey, uint32_t now) {
    const ProgramSnapshot after = currentState();
    if (before == after) return false;
    const ProgramSnapshot from = Comparing ? CompareSetAside : before;
    const bool joins = mergeKey >= 0 && mergeKey == MergeKey && !UndoStates.empty() && !Comparing &&
                       tickSince(now, MergeTime) < uint32_t(MergeWindowMs);
    leaveCompare();
    if (!joins) {
        UndoStates.push_back(from);
        if (UndoStates.size() > HistoryLimit) UndoStates.pop_front();
    }
    RedoStates.clear();
    MergeKey = mergeKey;
    MergeTime = now;
    updateEditMenu();
    return true;
}

namespace {

// One step back or forth: the newest state of `from` is the one to apply; the state it
// replaces (the set-aside one while comparing, which ends compare) goes onto `to`.
bool takeStep(std::deque<ProgramSnapshot>& from, std::deque<ProgramSnapshot>& to, ProgramSnapshot& apply) {
    if (from.empty()) return false;
    to.push_back(Comparing ? CompareSetAside : currentState());
    leaveCompare();
    apply = from.back();
    from.pop_back();
    MergeKey = -1;
    updateEditMenu();
    return true;
}

}  // namespace

bool takeUndo(ProgramSnapshot& apply) { return takeStep(UndoStates, RedoStates, apply); }

bool takeRedo(ProgramSnapshot& apply) { return takeStep(RedoStates, UndoStates, apply); }

void setCompareReference() { CompareReference = currentState(); }

ProgramSnapshot toggleCompare() {
    ProgramSnapshot apply;
    if (Comparing) {
        apply = CompareSetAside;
        leaveCompare();
    } else {
        CompareSetAside = currentState();
        Comparing = true;
        checkMenuItem(CommandCompare, true);
        apply = CompareReference;
    }
    MergeKey = -1;
    updateEditMenu();
    return apply;
}

bool canUndo() { return !UndoStates.empty(); }

bool canRedo() { return !RedoStates.empty(); }

void updateEditMenu() {
    enableMenuItem(CommandUndo, canUndo());
    enableMenuItem(CommandRedo, canRedo());
}

SetAsideProgram setAsideProgram() { return {currentState(), CompareReference}; }

void putBackProgram(const SetAsideProgram& setAside) {
    restoreProgram(setAside.state);
    CompareReference = setAside.compareReference;
}
