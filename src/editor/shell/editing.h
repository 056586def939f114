// editing.h - the "&Edit" menu (undo, redo, compare, init, send the whole program) with its
// keys, and the program's key map. The ways to move a pot are the panel's
// (editor/panel/potinput.h).
//
// Every whole-program edit is recorded in the history (editor/program/history.h) as one
// change.
//
// appendEditMenu(bar): "&Edit" with its five items and their keys.
// dispatchEditCommand(id): runs 2001..2005; false for any other identifier.
// commandForKey(e): the command a key stands for (Ctrl+Z undo, Ctrl+Y and Ctrl+Shift+Z redo,
//   Right the next program, Left the previous one), or 0.
// Owns no globals.
#pragma once

#include "platform/events.h"
#include "platform/window.h"

void appendEditMenu(MenuHandle bar);
bool dispatchEditCommand(int id);
int commandForKey(const Event& e);
