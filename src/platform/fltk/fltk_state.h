// fltk_state.h - what the three files of the FLTK backend share, and nobody else sees.
//
// fltk_core.cpp owns the event queue, the wait loops and the live input state;
// fltk_window.cpp owns the two windows and the menus; fltk_dialogs.cpp borrows both.
//
// Threads: everything here runs on the program's one thread (the thread FLTK was started
// on), except queueEvent, which any thread may call (it is what desktopPostEvent does).
//
// Coordinates: the portable code knows only the panel, the client area below the menu bar.
// MenuBarHeight is the strip the menu bar takes at the top of the main window; a point of the
// panel is (window x, window y - MenuBarHeight).
#pragma once

#include "platform/events.h"

class Fl_Window;

namespace ktfltk {

constexpr int MenuBarHeight = 25;

// The position the portable code takes for "minimised" (both beyond 3000).
constexpr int MinimisedPosition = 33536;

// Brings FLTK up once on the calling (main) thread: its thread support, so Fl::awake can wake
// a waiting Fl::wait from another thread. Opening the display is openDisplay's job.
void startFltk();

// Opens the X display once. False when there is none (the reason is on stderr).
bool openDisplay();

// Appends e to the queue; any thread. Wakes the event loop when the queue was empty.
void queueEvent(const Event& e);

// One round of the FLTK event loop: waits at most `seconds` (negative: until something
// happens), handles what came in (GUI events only queue Events) and notices a change of the
// window in front.
void pump(double seconds);

// The main window was exposed: the next waitEvent that finds the queue empty returns a
// Repaint. Like the paint message of other systems it comes only when nothing else is
// pending, once for any number of exposures, and only to the blocking wait, so the
// start-up's draining of early events (peekEvent) cannot swallow the first one.
void requestRepaint();

// The live pointer, in panel coordinates, and the buttons (1 left, 2 right, 3 both).
void setPointer(int x, int y);
void setButtons(int buttons);
int buttons();
void pointer(int& x, int& y);

// The windows, for foregroundWindow and for giving the focus back after a dialog; null
// while closed.
Fl_Window* mainWindow();
Fl_Window* messageWindow();
// Gives the keyboard focus to the main window's panel, if it is open.
void focusMainWindow();

// Hides both windows (the program is about to end).
void hideWindows();

// Translates the key of the current FLTK key event into a Key event's code: KeyEnter,
// KeyEscape or the character typed; -1 when the key types nothing (shift, arrows, F-keys).
int keyCodeOfEvent();

}  // namespace ktfltk
