// layout.h - the whole panel: pots, fixed texts, lines and frames, the keyboard; when it is
// drawn again, and whether the mouse may be handed to it.
//
// Globals:
//   PanelRefreshRequest  asks the next refresh check to redraw the panel
//   StartForeground  the window in front right after the main window opened
//   LastForeground   the window in front at the previous refresh check
//   LastScreenWidth, LastScreenHeight  the screen size at the previous check (0 at start, so
//                    the first check always draws)
//
// drawPanel(): clears to ColourBlue and draws every pot (values clamped and stored back), the
//   labels (size <= 6 small font centred by 3 px per character, else large by 4), the lines
//   (style 0..10: a line of that pen width, 0 the thinnest) and frames (style 11 and up: a
//   rectangle x1, y1, width x2, height y2 with pen style - 10), the keyboard and the status
//   line below the panel (statusline.h).
// captureWindowState(): after the main window opened: StartForeground = LastForeground =
//   the window in front.
// refreshPanelIfNeeded(e): draws the panel when asked (PanelRefreshRequest), when the event
//   the command loop is handling is the window system's Repaint, when the screen size or the window in front changed; returns true
//   when the editor's window is in front, so the command loop may hand it the mouse.
// drawEffectField(): pots 1..14 of the effect field (values clamped and stored back, so the
//   unit receives what the pots show) and the effect title (label 21).
// selectEffectType(v): the effect-type pot took a new value: file the panel's effect values
//   under the old type, load the new type's tables, recall its values, redraw the effect
//   field, and open the edit bracket (edit-begin now; the command loop sends the changes and
//   the edit-end in the same pass).
// showProgramInCaption(name): the caption WindowCaption + "    Program: " + name, or the plain
//   WindowCaption when the program has no name.
// sendLoadedProgram(): what follows taking a whole program into the panel (a load, an undo,
//   compare, init): the panel is drawn at the next refresh check and the changed parameters go
//   out between edit-begin and edit-end.
// restoreProgramState(s): puts a state taken earlier back: its values, effect type (with its
//   tables), effect store and name; nothing is drawn or sent.
// applyProgramState(s): restoreProgramState(s), the caption, then sendLoadedProgram().
#pragma once

#include <string>

#include "editor/program/program.h"
#include "platform/events.h"

extern bool PanelRefreshRequest;  // asks the next refresh check to redraw the panel
extern int StartForeground, LastForeground, LastScreenWidth, LastScreenHeight;

void resetPanelState();
void drawPanel();
void captureWindowState();
bool refreshPanelIfNeeded(const Event& e);
void drawPanelLabel(int index);
void drawEffectField();
void selectEffectType(int type);
void showProgramInCaption(const std::string& name);
void sendLoadedProgram();
void restoreProgramState(const ProgramSnapshot& state);
void applyProgramState(const ProgramSnapshot& state);
