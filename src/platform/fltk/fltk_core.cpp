// fltk_core.cpp - the Linux desktop backend's clock, event queue, live input state, process
// functions and announcements, on FLTK 1.3.
//
// The queue: one std::deque<Event> behind a mutex. The GUI side (widget handlers and menu
// callbacks, which run inside Fl::wait on the program's thread) and the MIDI side (RtMidi's
// own thread, through desktopPostEvent) only append to it; waitEvent and its kin take from
// it. Nothing but appending happens on the MIDI thread: Fl::awake only makes a waiting
// Fl::wait return.
//
// Waiting: every wait of the program is a loop around Fl::wait with the time that is left,
// so the windows stay alive (exposure, menus, moves) and the processor is given away. No
// wait ever spins: a wait without timeout is Fl::wait with a timeout of "forever".
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_utf8.h>
#include <FL/x.H>
// Xlib (FL/x.H, also under fl_draw.H) defines None as a macro; EventKind has a None too.
#undef None

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "platform/announce.h"
#include "platform/clock.h"
#include "platform/desktop/queue.h"
#include "platform/events.h"
#include "platform/fltk/fltk_state.h"
#include "platform/input.h"
#include "platform/process.h"

namespace ktfltk {

namespace {

// Fl::wait(double) with this many seconds blocks until something happens (FLTK passes no
// timeout to poll() for anything above 2^31 ms). Plain Fl::wait() is not used: it returns at
// once while no window is shown, which would turn a wait without windows into a spin.
constexpr double Forever = 1e20;

// While a button is held and nothing else happens, waitEvent returns a Tick this often.
constexpr uint32_t TickIntervalMs = 10;

// Made at static initialisation, on the main thread (Backend::MainThread).
Backend TheBackend;

bool takeQueued(Event& e) {
    std::lock_guard<std::mutex> lock(backend().QueueLock);
    if (backend().Queue.empty()) return false;
    e = std::move(backend().Queue.front());
    backend().Queue.pop_front();
    return true;
}

struct NoDisplay {
    std::string text;
};

void throwNoDisplay(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    throw NoDisplay{text};
}

uint64_t nowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

Backend& backend() { return TheBackend; }

void startFltk() {
    if (backend().FltkStarted.load()) return;
    // The first Fl::lock on the main thread creates the pipe that Fl::awake writes to and
    // makes Fl::wait release the lock while it sleeps. Only this thread ever takes the lock:
    // the MIDI thread does not call FLTK beyond Fl::awake, which needs no lock.
    Fl::lock();
    backend().FltkStarted.store(true);
}

namespace {

// A screen added, removed or resized (X RandR): the program looks at its screen again.
int onScreenChange(int event) {
    if (event != FL_SCREEN_CONFIGURATION_CHANGED) return 0;
    Event e;
    e.kind = EventKind::Other;  // the display-change message
    queueEvent(e);
    return 0;  // others may want to know as well
}

}  // namespace

namespace {

// The double-click time the desktop's XSETTINGS manager (of GNOME, KDE, Xfce, xsettingsd)
// announces for the default screen; the default without one.
uint32_t desktopDoubleClickMs() {
    const std::string selection = "_XSETTINGS_S" + std::to_string(DefaultScreen(fl_display));
    const Window owner = XGetSelectionOwner(fl_display, XInternAtom(fl_display, selection.c_str(), False));
    if (owner == 0) return DefaultDoubleClickMs;
    const Atom property = XInternAtom(fl_display, "_XSETTINGS_SETTINGS", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    constexpr long MaxLongs = 64 * 1024;  // 256 KB: any real set of settings is far smaller
    if (XGetWindowProperty(fl_display, owner, property, 0, MaxLongs, False, property, &type, &format, &count, &left,
                           &data) != Success) {
        return DefaultDoubleClickMs;
    }
    int32_t ms = 0;
    const bool found = data != nullptr && type == property && format == 8 &&
                       xsettingsInteger(data, count, "Net/DoubleClickTime", ms);
    if (data != nullptr) XFree(data);
    if (!found || ms < LeastDoubleClickMs || ms > MostDoubleClickMs) return DefaultDoubleClickMs;
    return static_cast<uint32_t>(ms);
}

}  // namespace

bool xsettingsInteger(const uint8_t* data, size_t size, const std::string& name, int32_t& value) {
    if (size < 12) return false;
    const bool msbFirst = data[0] == 1;
    if (data[0] > 1) return false;
    auto card16 = [&](size_t at) {
        return msbFirst ? uint32_t(data[at]) << 8 | data[at + 1] : uint32_t(data[at + 1]) << 8 | data[at];
    };
    auto card32 = [&](size_t at) {
        return msbFirst ? card16(at) << 16 | card16(at + 2) : card16(at + 2) << 16 | card16(at);
    };
    auto padded = [](size_t n) { return (n + 3) & ~size_t(3); };
    const uint32_t settings = card32(8);
    size_t at = 12;
    for (uint32_t i = 0; i < settings; ++i) {
        if (size - at < 4) return false;
        const uint8_t type = data[at];
        const size_t nameLength = card16(at + 2);
        at += 4;
        if (size - at < padded(nameLength) + 4) return false;
        const bool wanted = name.size() == nameLength && std::equal(name.begin(), name.end(), data + at);
        at += padded(nameLength) + 4;  // the name and the serial of its last change
        switch (type) {
        case 0:  // an integer
            if (size - at < 4) return false;
            if (wanted) {
                value = static_cast<int32_t>(card32(at));
                return true;
            }
            at += 4;
            break;
        case 1: {  // a string: its length, then the bytes
            if (size - at < 4) return false;
            const size_t length = card32(at);
            at += 4;
            if (size - at < padded(length)) return false;
            at += padded(length);
            break;
        }
        case 2:  // a colour: four 16-bit values
            if (size - at < 8) return false;
            at += 8;
            break;
        default:
            return false;
        }
        if (wanted) return false;  // the name with a value of another type
    }
    return false;
}

bool openDisplay() {
    if (backend().DisplayOpen) return true;
    // FLTK's fl_open_display ends the process through Fl::fatal when there is no display.
    // For the moment of opening, Fl::fatal throws instead, so openMainWindow can report the
    // failure and return. The throw leaves fl_open_display right after XOpenDisplay failed,
    // when FLTK has set no more than the locale and Xlib's error handlers.
    void (*previous)(const char*, ...) = Fl::fatal;
    Fl::fatal = throwNoDisplay;
    try {
        fl_open_display();
    } catch (const NoDisplay& failure) {
        Fl::fatal = previous;
        std::fprintf(stderr, "%s: no window can be shown.\n", failure.text.c_str());
        return false;
    }
    Fl::fatal = previous;
    Fl::add_handler(onScreenChange);
    backend().DoubleClickMs = desktopDoubleClickMs();
    backend().DisplayOpen = true;
    return true;
}

void queueEvent(const Event& e) {
    bool wasEmpty;
    {
        std::lock_guard<std::mutex> lock(backend().QueueLock);
        wasEmpty = backend().Queue.empty();
        backend().Queue.push_back(e);
    }
    // One wake-up per empty-to-filled change is enough: the main thread looks at the queue
    // before every Fl::wait, and a wake-up written before it sleeps stays in the pipe. Waking
    // for every MIDI message would fill the pipe while the program is busy sending.
    if (wasEmpty && backend().FltkStarted.load()) Fl::awake();
}

void pump(double seconds) {
    startFltk();
    Fl::wait(seconds < 0 ? Forever : seconds);
    // Focus changes come as FL_FOCUS/FL_UNFOCUS to whichever widget they concern; looking at
    // the result after each round is simpler and catches them all (dialogs and menus too).
    const int front = foregroundWindow();
    if (front != backend().LastForeground) {
        backend().LastForeground = front;
        Event e;
        e.kind = EventKind::Other;
        queueEvent(e);
    }
    // A tool window that gets the focus came to the front: by the user's doing, unless it is
    // the one openToolWindow just raised.
    const int tool = focusedToolWindow();
    if (tool != backend().FocusedTool) {
        backend().FocusedTool = tool;
        if (tool != 0 && tool != backend().RaisedTool) {
            Event e;
            e.kind = EventKind::WindowActivated;
            e.window = tool;
            queueEvent(e);
        }
        if (tool != 0) backend().RaisedTool = 0;
    }
}

void requestRepaint() { backend().RepaintPending = true; }

void setPointer(int x, int y) {
    backend().PointerX = x;
    backend().PointerY = y;
}

void setButtons(int buttons) { backend().Buttons = buttons; }
int buttons() { return backend().Buttons; }

void pointer(int& x, int& y) {
    x = backend().PointerX;
    y = backend().PointerY;
}

int keyCodeOfEvent() {
    const int key = Fl::event_key();
    if (key == FL_Enter || key == FL_KP_Enter) return KeyEnter;
    if (key == FL_Escape) return KeyEscape;
    switch (key) {
    case FL_Up: return KeyUp;
    case FL_Down: return KeyDown;
    case FL_Left: return KeyLeft;
    case FL_Right: return KeyRight;
    case FL_Page_Up: return KeyPageUp;
    case FL_Page_Down: return KeyPageDown;
    case FL_Home: return KeyHome;
    case FL_End: return KeyEnd;
    case FL_KP + '+': return '+';
    case FL_KP + '-': return '-';
    case FL_BackSpace: return KeyBackspace;
    default: break;
    }
    if (key >= FL_F + 1 && key <= FL_F + 12) return KeyF1 + (key - FL_F) - 1;
    // With Ctrl the text is a control character (Ctrl+Z types 0x1A): the key itself counts.
    if (Fl::event_state(FL_CTRL) && key > 0 && key < 0x80) return key;
    const char* text = Fl::event_text();
    const int length = Fl::event_length();
    if (text == nullptr || length <= 0) return -1;
    const unsigned char first = static_cast<unsigned char>(text[0]);
    if (first < 0x80) return first;
    int used = 0;
    return static_cast<int>(fl_utf8decode(text, text + length, &used));
}

}  // namespace ktfltk

// ---- desktop/queue.h

void desktopPostEvent(const Event& e) { ktfltk::queueEvent(e); }

// ---- clock.h

uint32_t tickCount() { return static_cast<uint32_t>(ktfltk::nowMs()); }

// Two clocks in nanoseconds and the address of a local (moved by address-space layout
// randomisation): enough that two runs never start alike; the editor's generator mixes them.
uint64_t randomSeed() {
    const uint64_t steady = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const uint64_t wall = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    int local = 0;
    const uint64_t where = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&local));
    return steady ^ (wall * 0x9E3779B97F4A7C15ULL) ^ (where << 17);
}

std::string localTimeText() {
    const std::time_t now = std::time(nullptr);
    // localtime_r, not localtime: localtime's result lives in one buffer of the C library
    // that anything else in the process (RtMidi's thread included) may overwrite.
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return std::string();
    char text[32];
    if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) return std::string();
    return text;
}

void sleepMilliseconds(uint32_t ms) {
    if (std::this_thread::get_id() != ktfltk::backend().MainThread) {
        // Not the GUI thread (a MIDI helper thread): FLTK is not ours to run here.
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    const uint64_t deadline = ktfltk::nowMs() + ms;
    // Events that come in meanwhile are only queued; the program sees them after the sleep.
    ktfltk::pump(0.0);
    for (uint64_t now = ktfltk::nowMs(); now < deadline; now = ktfltk::nowMs()) {
        ktfltk::pump(static_cast<double>(deadline - now) / 1000.0);
    }
}

// ---- events.h

Event waitEvent() {
    Event e;
    for (;;) {
        if (ktfltk::takeQueued(e)) return e;
        if (ktfltk::backend().RepaintPending && ktfltk::mainWindow() != nullptr) {
            ktfltk::backend().RepaintPending = false;
            e = Event{};
            e.kind = EventKind::Repaint;
            return e;
        }
        ktfltk::Backend& b = ktfltk::backend();
        const uint64_t tick = ktfltk::nowMs();
        if (b.WakeSet && tick >= b.WakeAtMs) {
            b.WakeSet = false;
            e = Event{};
            e.kind = EventKind::Wake;
            return e;
        }
        if (ktfltk::buttons() == 0) {
            // Blocks until something happens, or until the wake asked for is due.
            ktfltk::pump(b.WakeSet ? static_cast<double>(b.WakeAtMs - tick) / 1000.0 : -1);
            continue;
        }
        // A button is held: what the program does with it goes on while the mouse stands
        // still, so a Tick comes after 10 ms in which nothing else came.
        const uint64_t deadline = ktfltk::nowMs() + ktfltk::TickIntervalMs;
        for (uint64_t now = ktfltk::nowMs(); now < deadline; now = ktfltk::nowMs()) {
            ktfltk::pump(static_cast<double>(deadline - now) / 1000.0);
            if (ktfltk::takeQueued(e)) return e;
        }
        if (ktfltk::takeQueued(e)) return e;
        if (ktfltk::buttons() != 0) {
            e = Event{};
            e.kind = EventKind::Tick;
            return e;
        }
    }
}

bool waitEventFor(uint32_t ms, Event& e) {
    const uint64_t deadline = ktfltk::nowMs() + ms;
    if (ktfltk::takeQueued(e)) return true;
    for (uint64_t now = ktfltk::nowMs(); now < deadline; now = ktfltk::nowMs()) {
        ktfltk::pump(static_cast<double>(deadline - now) / 1000.0);
        if (ktfltk::takeQueued(e)) return true;
    }
    ktfltk::pump(0.0);
    return ktfltk::takeQueued(e);
}

bool peekEvent(Event& e) {
    ktfltk::pump(0.0);  // what Fl::check does, plus the foreground check
    return ktfltk::takeQueued(e);
}

void postCloseRequest() {
    Event e;
    e.kind = EventKind::CloseRequested;
    ktfltk::queueEvent(e);
}

void wakeAfter(uint32_t ms) {
    ktfltk::backend().WakeSet = true;
    ktfltk::backend().WakeAtMs = ktfltk::nowMs() + ms;
}

// ---- input.h

void mousePosition(int& x, int& y) { ktfltk::pointer(x, y); }

int mouseButtons() { return ktfltk::buttons(); }

// From the server's keyboard now (a round trip): the key events of a Shift pressed while the
// mouse stands still go to whichever widget has the focus, and X reports a key's own press
// without it in the modifier state.
bool shiftHeld() { return Fl::get_key(FL_Shift_L) != 0 || Fl::get_key(FL_Shift_R) != 0; }

int foregroundWindow() {
    // FLTK keeps Fl::focus() inside the window that has the keyboard focus and clears it when
    // the program loses the focus to another program (FocusOut), so the window holding it is
    // the window in front as far as this program can tell.
    Fl_Widget* focus = Fl::focus();
    if (focus == nullptr) return ForegroundOther;
    Fl_Window* top = focus->top_window();
    if (top != nullptr && top == ktfltk::mainWindow()) return ForegroundMain;
    if (top != nullptr && top == ktfltk::messageWindow()) return ForegroundMessage;
    return ForegroundOther;
}

void screenSize(int& width, int& height) {
    width = 0;
    height = 0;
    if (!ktfltk::openDisplay()) return;
    // The whole first screen, as the screen size of other systems is; Fl::w()/Fl::h() would
    // give the work area, which moves when a panel of the desktop hides itself.
    int x = 0, y = 0;
    Fl::screen_xywh(x, y, width, height, 0);
}

int screenDpi() {
    if (!ktfltk::openDisplay()) return 96;
    float horizontal = 0, vertical = 0;
    Fl::screen_dpi(horizontal, vertical, 0);
    const int dpi = static_cast<int>(vertical + 0.5f);
    return dpi >= 24 ? dpi : 96;
}

// ---- process.h

std::string fixedPathFolder() {
    // The XDG base directory rules: $XDG_CONFIG_HOME when it is set to an absolute path,
    // otherwise ~/.config.
    std::string base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.config";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    if (base == "/") base.clear();
    return base + "/Qrdxpath";
}

char pathSeparator() { return '/'; }

bool isPathSplit(char c) { return c == '/'; }

std::string currentDirectory() {
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    return error ? std::string(".") : here.string();
}

void endProgram() {
    ktfltk::hideWindows();
    std::exit(1);
}

// ---- announce.h

void announce(Announcement what, const std::vector<std::string>& texts, int number) {
    announceToStandardError(what, texts, number);
}
