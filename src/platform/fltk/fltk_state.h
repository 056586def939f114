// fltk_state.h - what the files of the FLTK backend share, and nobody else sees.
//
// The backend's whole state is one Backend (backend()): fltk_core.cpp works the event queue,
// the wait loops and the live input state; fltk_window.cpp the two windows and the menus;
// fltk_textview.cpp the two text windows; fltk_dialogs.cpp borrows the windows.
//
// Threads: everything here runs on the program's one thread (the thread FLTK was started
// on), except queueEvent, which any thread may call (it is what desktopPostEvent does).
//
// Coordinates: the portable code knows only the panel, the client area below the menu bar.
// menuBarHeight() is the strip the menu bar takes at the top of the main window (MenuBarHeight
// at 100 %, more at a larger zoom, where the menus' text grows with the panel); a point of the
// panel is (window x, window y - menuBarHeight()).
#pragma once

#include <FL/Fl_Menu_Item.H>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/canvas.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/livetext.h"
#include "platform/window.h"

class Fl_Double_Window;
class Fl_Menu_Bar;
class Fl_Text_Buffer;
class Fl_Window;

namespace ktfltk {

class CanvasView;
class MainWindowWidget;
class ProgramWindow;
class TextDisplay;  // an Fl_Text_Display (fltk_textview.cpp)

// One item of a menu as the program built it (fltk_window.cpp turns the tree into the
// Fl_Menu_Item array of the menu bar).
struct MenuEntry {
    enum Kind { Item, Popup, Separator } kind = Item;
    int commandId = 0;
    MenuHandle popup = 0;
    std::string text;
    std::string keyText;
    bool check = false;  // a check item: drawn with FLTK's check box, marked or not
};

// A tool window (toolwindow.h): number n is Backend::Tools[n - 1]. The window is made on
// first opening and kept; hiding it keeps its Canvas.
struct ToolWindowRecord {
    std::string Name;
    Canvas Pixels;
    ProgramWindow* Window = nullptr;
    CanvasView* View = nullptr;
};

// A text window (textview.h): a top-level window whose one widget is a text display showing
// a buffer. Made on first use and kept (fltk_textview.cpp).
struct TextWindow {
    Fl_Double_Window* Window = nullptr;
    TextDisplay* Display = nullptr;
    Fl_Text_Buffer* Buffer = nullptr;
};

// A double click, as Windows tells one by default: the second left press on the same view
// within the desktop's double-click time of the first and at most DoubleClickDistance pixels
// from it either way on the screen. A press that ends a double click starts no further one.
constexpr uint32_t DefaultDoubleClickMs = 400;
constexpr int DoubleClickDistance = 4;
// The double-click times a desktop may set that are taken; anything else is a broken setting.
constexpr int32_t LeastDoubleClickMs = 100, MostDoubleClickMs = 5000;

// The last left press on a view (fltk_window.cpp), for telling a double click.
struct LeftPress {
    const void* view = nullptr;  // the view it went to; null: none that a press may pair with
    uint32_t time = 0;           // the X server's time of it, in ms (wraps after 49 days)
    int x = 0, y = 0;            // on the screen
};

struct Backend {
    // The event queue: appended to by the GUI side and by the MIDI thread, taken from by the
    // waits (fltk_core.cpp).
    std::mutex QueueLock;
    std::deque<Event> Queue;
    // Set once FLTK's thread support is up; until then there is no pipe for Fl::awake to write
    // to, and nobody waits in Fl::wait either.
    std::atomic<bool> FltkStarted{false};
    bool DisplayOpen = false;
    // The one Backend is made at static initialisation, on the main thread: the thread that
    // owns FLTK.
    const std::thread::id MainThread = std::this_thread::get_id();
    int PointerX = 0, PointerY = 0, Buttons = 0;  // the live pointer (panel coordinates)
    LeftPress LastLeftPress;                        // the press a double click would pair with
    uint32_t DoubleClickMs = DefaultDoubleClickMs;  // the desktop's, read when the display opens
    int LastForeground = ForegroundOther;
    // The keys down: FLTK's key (Fl::event_key) -> the code their press was queued with; a
    // press of a key in here is a repeat, its release carries that code (fltk_window.cpp).
    std::map<int, int> HeldKeys;
    bool RepaintPending = false;
    bool WakeSet = false;    // wakeAfter asked for a Wake at WakeAtMs (nowMs)
    uint64_t WakeAtMs = 0;

    // The windows (fltk_window.cpp).
    Canvas MainCanvas;
    Canvas MessageCanvas;
    int Zoom = 100;  // the zoom both windows show their canvases at
    std::vector<uint8_t> ZoomScratch;
    MainWindowWidget* TheMainWindow = nullptr;
    Fl_Menu_Bar* TheMenuBar = nullptr;
    CanvasView* ThePanel = nullptr;
    ProgramWindow* TheMessageWindow = nullptr;
    CanvasView* TheMessageView = nullptr;
    bool MessageOpen = false;
    // The tool windows; a deque, so the Canvas of one stays put when another is opened.
    std::deque<ToolWindowRecord> Tools;
    Canvas NoToolWindow;  // what toolWindowCanvas gives for a number no tool window has
    int FocusedTool = 0;  // the tool window holding the keyboard focus after the last pump; 0 none
    int RaisedTool = 0;   // the tool window openToolWindow brought to the front, until it has the focus

    // The menus: the program's tree of records, turned into an Fl_Menu_Item array for the
    // menu bar whenever it is attached or a check mark changes (fltk_window.cpp).
    std::map<MenuHandle, std::vector<MenuEntry>> Menus;
    MenuHandle NextMenu = 1;
    MenuHandle AttachedBar = 0;
    std::map<int, bool> Checks;
    std::set<int> Greyed;  // commands whose items are greyed out
    // The array the menu bar shows, and the labels it points into. Kept until the next build.
    std::vector<Fl_Menu_Item> MenuItems;
    std::deque<std::string> MenuLabels;

    // The text windows (fltk_textview.cpp): the static view and the live view.
    TextWindow StaticText;
    TextWindow LiveText;
    LiveLines Live;  // the live view's lines, queued and held
};

// The backend's state; there is one.
Backend& backend();

constexpr int MenuBarHeight = 25;
// The menu bar's height at the zoom in force.
int menuBarHeight();

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

// A left press on `view` at X time `time`, screen (x, y): true when it is the second of a
// double click. takeOtherPress: a press of another button, after which a left press starts
// afresh.
bool takeLeftPress(const void* view, uint32_t time, int x, int y);
void takeOtherPress();

// The integer setting `name` (e.g. "Net/DoubleClickTime") in the value of an XSETTINGS
// manager's _XSETTINGS_SETTINGS property, in either byte order: false when it is not there
// or the data is cut short or malformed (nothing is read beyond size).
bool xsettingsInteger(const uint8_t* data, size_t size, const std::string& name, int32_t& value);

// The windows, for foregroundWindow and for giving the focus back after a dialog; null
// while closed.
Fl_Window* mainWindow();
Fl_Window* messageWindow();
// Gives the keyboard focus to the main window's panel, if it is open.
void focusMainWindow();

// The tool window whose widget holds the keyboard focus, 0 when none does.
int focusedToolWindow();

// Hides every window (the program is about to end).
void hideWindows();

// Translates the key of the current FLTK key event into a Key event's code: KeyEnter,
// KeyEscape, KeyBackspace, a named key (arrows, pages, F1..F12) or the character typed; -1
// when the key is none of these (shift alone, Insert).
int keyCodeOfEvent();

}  // namespace ktfltk
