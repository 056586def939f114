// win32_state.h - what the files of the Windows backend share, and nobody else sees.
//
// The windows' side of the backend keeps its whole state in one Backend (backend()):
// win32_core.cpp works the event queue, the message pump and the waits; win32_window.cpp the
// window class, the two windows, their window procedure and the menus; win32_textview.cpp the
// two text windows; win32_dialogs.cpp borrows the main window as the owner of its dialogs.
// win32_midi.cpp owns the winmm devices and their buffers.
//
// Threads: everything runs on the program's one thread. winmm reports to a window
// (CALLBACK_WINDOW), so MIDI input is a window message like any other and the window
// procedure turns it into an Event; nothing here needs a lock.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/events.h"
#include "platform/livetext.h"
#include "platform/window.h"

namespace ktwin {

// A tool window (toolwindow.h): number n is Backend::Tools[n - 1]. The window is made on
// first opening and only hidden afterwards; its Canvas is kept.
struct ToolWindowRecord {
    std::string Name;
    Canvas Pixels;
    HWND Window = nullptr;
};

// A text window (textview.h): a top-level window whose client area is a read-only EDIT
// control. Made on first use and kept (win32_textview.cpp).
struct TextWindow {
    HWND Window = nullptr;
    HWND Edit = nullptr;
    int RowHeight = 16;  // the height of a line of its font, in pixels
};

struct Backend {
    // The program's event queue and a Repaint owed to the blocking wait (win32_core.cpp).
    std::deque<Event> Queue;
    bool RepaintPending = false;
    bool WakeSet = false;  // wakeAfter asked for a Wake at the tick WakeAt
    DWORD WakeAt = 0;
    // The keys pressed: scan code (with the extended-key bit) -> the code their press was
    // queued with, which their release carries (win32_window.cpp).
    std::map<int, int> PressedKeys;

    // The windows (win32_window.cpp).
    Canvas MainCanvas;
    Canvas MessageCanvas;
    HWND MainWindow = nullptr;
    HWND MessageWindow = nullptr;
    HWND MidiSink = nullptr;  // the hidden window of midiNotifyWindow
    bool ClassRegistered = false;
    // presentMainWindow is painting what the program drew, not what the system uncovered.
    bool Presenting = false;
    // Minimised tracking for WindowMoved / WindowRestored.
    bool Minimised = false;
    bool MinimisedReported = false;
    std::vector<uint8_t> Scratch;
    std::vector<uint8_t> Zoomed;  // the RGB rectangle shown, before it becomes a DIB's BGR rows
    int Zoom = 100;               // the zoom every window shows its canvas at
    // The tool windows; a deque, so the Canvas of one stays put when another is opened.
    std::deque<ToolWindowRecord> Tools;
    Canvas NoToolWindow;       // what toolWindowCanvas gives for a number no tool window has
    bool RaisingTool = false;  // openToolWindow is bringing a tool window to the front
    // Modal waits (the message window, the system's dialogs) under way: while there is one,
    // the tool windows take no input, as the main window takes none.
    int ModalDepth = 0;
    // The program's window that was in front when the message window opened; it is in front
    // again when the message window closes.
    HWND FrontBeforeMessage = nullptr;

    // The menus: MenuHandle k is Menus[k - 1]; a destroyed menu's slot becomes null.
    std::vector<HMENU> Menus;
    std::vector<MenuHandle> Parents;  // the menu a popup was appended to, 0 for none
    MenuHandle AttachedBar = 0;
    MenuHandle LastBar = 0;

    // The dialogs (win32_dialogs.cpp): the folder the browser preselects (read by its
    // callback), and whether COM is up on the program's thread.
    std::string BrowseStartFolder;
    bool ComStarted = false;

    // The text windows (win32_textview.cpp), of one window class: the static view and the
    // live view.
    TextWindow StaticText;
    TextWindow LiveText;
    bool TextClassRegistered = false;
    LiveLines Live;  // the live view's lines, queued and held
};

// The backend's state; there is one.
Backend& backend();

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

// A modal wait begins / ends (nested ones counted): the first disables every tool window and
// notes the program's window in front (returned, null when another program's is); the last
// enables them again, and brings `front` back to the front if it is still shown.
HWND beginModal();
void endModal(HWND front);

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
