// editing.h - the "&Edit" menu's commands (undo, redo, compare, init, send the whole
// program). The ways to move a pot are the panel's
// (editor/panel/potinput.h).
//
// Every whole-program edit is recorded in the history (editor/program/history.h) as one
// change.
//
// The items, their keys and their greying are rows of the command table (commands.h).
//
// undoCommand() / redoCommand(): one step back / forth (nothing when there is none).
// compareCommand(): compare on or off.
// initProgram(): every pot to its declared default, one change.
// sendWholeProgram(): every parameter again, as at start-up.
// Owns no globals.
#pragma once

void undoCommand();
void redoCommand();
void compareCommand();
void initProgram();
void sendWholeProgram();
