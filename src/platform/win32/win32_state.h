// win32_state.h - what the four files of the Windows backend share, and nobody else sees.
//
// win32_core.cpp owns the event queue, the message pump and the waits; win32_window.cpp owns
// the window class, the two windows, their window procedure and the menus; win32_midi.cpp
// owns the winmm devices and their buffers; win32_dialogs.cpp borrows the main window as the
// owner of its dialogs.
//
// Threads: everything runs on the program's one thread. winmm reports to a window
// (CALLBACK_WINDOW), so MIDI input is a window message like any other and the window
// procedure turns it into an Event; nothing here needs a lock.
#pragma once

#include <windows.h>

#include "platform/events.h"

namespace ktwin {

// The position Windows parks a minimised window at (-32000), as the unsigned 16-bit word
// WM_MOVE carries it: both coordinates lie beyond 3000, which is how the portable code
// recognises a minimised window.
constexpr int MinimisedPosition = 33536;

// Appends e to the program's queue (called by the window procedure).
void queueEvent(const Event& e);

// Dispatches every message waiting in the thread's message queue; the window procedure only
// queues Events, so no program logic runs inside.
void pumpMessages();

// The main window was exposed: the next waitEvent that finds the queue empty returns a
// Repaint (as a paint message comes only when nothing else is pending), once for any number
// of exposures and only to the blocking wait, so peekEvent cannot swallow it.
void requestRepaint();

// The windows; null while closed.
HWND mainWindow();
HWND messageWindow();

// The window that winmm reports MIDI input to: the main window, or while there is none a
// hidden message-only window of the same class (created on first use; null if that fails).
HWND midiNotifyWindow();

// winmm's input notifications (MM_MIM_DATA .. MM_MIM_LONGERROR), handed over by the window
// procedure. Returns true when the message was one of them.
bool handleMidiInMessage(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ktwin
