// shell.h - the editor ktprog: its entry point, start-up and shut-down, the menus and the
// command loop. The editor's identity and folders are in editor/declaration/identity.h
// (included here for the shell's users), the pass's mouse state in editor/panel/potedit.h.
//
// Globals:
//   WindowMinimised  set while the main window is minimised (the command loop's)
//   PointerWindow    the window of the last mouse or wheel event (the command loop's): the
//                    live mouse is in that window's coordinates
//   HeldEvent, EventHeld  the event that ended a pass's run of learned controllers' messages
//                    (the command loop's): the next pass takes it before anything else
//
// Start-up runs in a fixed order (path file, declaration, main window, fonts, configuration,
// MIDI devices, menus, pot images, keyboard, effect tables, the program sent to the unit) and
// hands over to runCommandLoop; shut-down saves the configuration and closes the devices.
// Fatal errors of the data files end the program from inside the readers (endProgram).
#pragma once

#include "editor/declaration/identity.h"
#include "platform/events.h"

extern bool WindowMinimised;  // set while the main window is minimised
extern int PointerWindow;     // the window of the last mouse or wheel event
extern Event HeldEvent;       // the event that ended a run of learned controls, for the next pass
extern bool EventHeld;        // HeldEvent waits for the next pass

// The command loop's state at its initial value.
void resetCommandLoopState();

// Command identifiers of the menus.
constexpr int CommandExit = 1001;
constexpr int CommandSelectDirectory = 1002;
constexpr int CommandLoadProgram = 1003;
constexpr int CommandSaveProgram = 1004;
constexpr int CommandWriteProgram = 1005;
constexpr int CommandWriteAllPrograms = 1006;
constexpr int CommandWriteChangedPrograms = 2103;
// The MIDI menu's identifiers (50 + input, 99 the mapper, 100 + output) are in shared/midi.

// The menu bar made from the command table (commands.h), with its greying and check marks.
void buildMenus();
// The menu bar destroyed and built again (the MIDI menus after a rescan), with its check marks.
void rebuildMenus();
void runCommandLoop();
// The loop in pieces: its start (quiet time, the start-up drain), the event of the next pass
// (the held one, else takeEvent) and one pass over one event; false when the event ended the
// loop. No backlog: a pass whose event is a bound controller's message (learnedMove of
// editor/panel/potinput.h) takes every such message pending behind it (at most 8192) and moves
// each target once, to its newest value; the first other event is held for the next pass, so
// what is not a learned control keeps its order and still passes through. coalesceLearned
// false takes one message a pass (only the flood benchmark compares the two).
void startCommandLoop();
Event nextCommandLoopEvent();
bool commandLoopPass(const Event& e, bool coalesceLearned = true);

// Every global of the editor (and of the shared layers it uses) at its initial value: what
// the entry point does first, and what every test, fuzz target and benchmark does before a case.
void resetEditorState();

// The whole editor: start-up, command loop, shut-down. Returns the process's exit code.
int ktprogMain();
