// history.h - undo and redo of the program's changes, and compare with a reference.
//
// One change is one step a user would undo at once: a pot gesture from press to release that
// changed a value, a run of wheel notches or keys on one pot (merged while they follow each
// other within MergeWindowMs with no other change between), a double-click default, a load,
// an init. Each change keeps the whole state from before it; undo puts that state back and
// keeps the state it replaced for redo; a new change clears the redo side. At most
// HistoryLimit changes are kept; the oldest is dropped.
//
// Compare: the reference is the program last loaded or saved (the start-up program before
// any); a write puts the reference back with the panel's program (below). Compare on sets
// the current state aside and shows the reference; compare off shows the set-aside state
// again. Neither is a change. A change made while comparing ends compare: the state before it
// is the set-aside one, so one undo returns there.
//
// This layer keeps the states; the panel layer applies them (tables, drawing, sending).
//
// Globals:
//   UndoStates, RedoStates  the states before / after each change, newest at the back
//   CompareReference        the state compare shows
//   CompareSetAside         the state compare put aside (while Comparing)
//   Comparing               compare is on
//   MergeKey, MergeTime     the run the last change belongs to (-1: none) and when it last grew
//
// currentState(): the state now (the program with CurrentProgramName).
// recordChange(before, mergeKey, now): a change from `before` to the current state; with
//   mergeKey >= 0 (a run on one pot) it joins the last change when that was the same run less
//   than MergeWindowMs ago. Ends compare (the set-aside state becomes `before`). Returns false
//   when nothing changed (before equals the current state): no change is recorded.
// takeUndo(apply) / takeRedo(apply): the state to apply; false when there is none. Ends
//   compare first (the set-aside state counts as the current one).
// setCompareReference(): the current state becomes the reference.
// toggleCompare(): compare on or off; returns the state to apply.
// canUndo() / canRedo(): there is a state to undo / redo to.
// updateEditMenu(): Undo and Redo greyed when there is nothing to undo or redo. Compare's
//   check mark follows Comparing whenever it changes.
// setAsideProgram() / putBackProgram(s): what a write takes from the panel and gives back
//   afterwards: the program (values, effect type, effect store, name) and the compare
//   reference. A write shows each file it sends but is no change, so putting back leaves the
//   history and compare's own state as they are: undo, redo and compare go on from the
//   program put back. Putting back neither loads tables nor draws nor sends (the transfer
//   layer shows it; the unit still plays it).
#pragma once

#include <cstdint>
#include <deque>

#include "editor/program/program.h"

constexpr int CommandUndo = 2001;
constexpr int CommandRedo = 2002;
constexpr int CommandCompare = 2003;
constexpr int CommandInitProgram = 2004;
constexpr int CommandSendWholeProgram = 2005;

constexpr size_t HistoryLimit = 1000;
constexpr int32_t MergeWindowMs = 1000;

extern std::deque<ProgramSnapshot> UndoStates;  // the state before each change, newest last
extern std::deque<ProgramSnapshot> RedoStates;  // the state after each undone change, newest last
extern ProgramSnapshot CompareReference;        // what compare shows
extern ProgramSnapshot CompareSetAside;         // what compare put aside
extern bool Comparing;                          // compare is on
extern int MergeKey;                            // the run of the last change (-1: none)
extern uint32_t MergeTime;                      // when that run last grew

void resetHistoryState();
ProgramSnapshot currentState();
bool recordChange(const ProgramSnapshot& before, int mergeKey = -1, uint32_t now = 0);
bool takeUndo(ProgramSnapshot& apply);
bool takeRedo(ProgramSnapshot& apply);
void setCompareReference();
ProgramSnapshot toggleCompare();
bool canUndo();
bool canRedo();
void updateEditMenu();

struct SetAsideProgram {
    ProgramSnapshot state;
    ProgramSnapshot compareReference;
};
SetAsideProgram setAsideProgram();
void putBackProgram(const SetAsideProgram& setAside);
