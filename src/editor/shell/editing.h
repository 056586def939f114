// editing.h - editing beyond the drag: the "&Edit" menu (undo, redo, compare, init, send the
// whole program) with its keys, and the other ways to move a pot: the wheel, a double click
// on the track (the pot's default), and keys on the pot under the mouse (Up/Down one step,
// Page Up/Down ten, Home the minimum, End the maximum).
//
// Every pot change that ends a gesture, every wheel or key run and every whole-program edit
// is recorded in the history (editor/program/history.h) as one change.
//
// Globals:
//   GestureBefore    the state when the panel's current button press began
//   GestureOpen      a press on the panel is under way
//   DoubleClickHeld  the press is the second of a double click: its default wins, the drag
//                    rule does not move the pot until the button is released
//
// appendEditMenu(bar): "&Edit" with its five items and their keys.
// dispatchEditCommand(id): runs 2001..2005; false for any other identifier.
// commandForKey(e): the command a key stands for (Ctrl+Z undo, Ctrl+Y and Ctrl+Shift+Z redo,
//   Right the next program, Left the previous one), or 0.
// beginPanelGesture() / endPanelGesture(): around a press of the panel's buttons.
// takeDoubleClick(e): the second press of a left double click on a pot's track sets its
//   default; true when it did (the pass then leaves the pots alone).
// handlePotInput(e): a Wheel or Key event on the pot under the mouse (no button held):
//   moves it, sends it at once, records the run.
// movePotInRun(j, value, runKey): one step of a run on pot j outside a press (the wheel, the
//   keys, a learned controller): the pot moved to value (clamped), sent at once, recorded as a
//   change that joins the last one when that was the same runKey (see recordChange). False
//   when the value did not change.
#pragma once

#include "editor/program/history.h"
#include "platform/events.h"
#include "platform/window.h"

extern ProgramSnapshot GestureBefore;  // the state when the current press began
extern bool GestureOpen;               // a press on the panel is under way
extern bool DoubleClickHeld;           // the press is a double click's second

void resetEditingState();
void appendEditMenu(MenuHandle bar);
bool dispatchEditCommand(int id);
int commandForKey(const Event& e);
void beginPanelGesture();
void endPanelGesture();
bool takeDoubleClick(const Event& e);
void handlePotInput(const Event& e);
bool movePotInRun(int index, int value, int runKey);
