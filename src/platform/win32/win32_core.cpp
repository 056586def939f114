// win32_core.cpp - the Windows backend's clock, event queue, waits, live input state, process
// functions and announcements, on plain Win32.
//
// The queue: a std::deque<Event> that only the window procedure appends to (it runs inside
// DispatchMessage on the program's thread, so no lock is needed). Every wait of the program
// pumps the thread's message queue and sleeps in MsgWaitForMultipleObjectsEx, so the windows
// stay alive (paint, moves, menus) and the processor is given away; no wait spins.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "platform/announce.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/process.h"
#include "platform/win32/win32_state.h"
#include "platform/window.h"
#include "platform/zoomscale.h"

namespace ktwin {

namespace {

// While a button is held and nothing else happens, waitEvent returns a Tick this often.
constexpr DWORD TickIntervalMs = 10;

Backend TheBackend;

bool takeQueued(Event& e) {
    if (backend().Queue.empty()) return false;
    e = std::move(backend().Queue.front());
    backend().Queue.pop_front();
    return true;
}

// Sleeps until a message arrives or ms milliseconds are over. MWMO_INPUTAVAILABLE: a message
// that an earlier PeekMessage saw but left in the queue also ends the wait; without it, only
// messages that arrive after the last look do.
void waitForMessage(DWORD ms) {
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

// Waits up to ms milliseconds for an event, pumping messages meanwhile.
bool waitQueued(DWORD ms, Event& e) {
    const DWORD start = GetTickCount();
    pumpMessages();
    if (takeQueued(e)) return true;
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms) return false;
        waitForMessage(ms - elapsed);
        pumpMessages();
        if (takeQueued(e)) return true;
    }
}

}  // namespace

Backend& backend() { return TheBackend; }

void queueEvent(const Event& e) { backend().Queue.push_back(e); }

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Nobody here posts WM_QUIT; should the system do it, the program is asked to
            // close the way the close button asks.
            postCloseRequest();
            continue;
        }
        // TranslateMessage makes the WM_CHAR messages that carry the typed characters.
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void requestRepaint() { backend().RepaintPending = true; }

}  // namespace ktwin

// ---- clock.h

uint32_t tickCount() { return static_cast<uint32_t>(GetTickCount()); }

// The performance counter, the system time in 100-ns units and the process id: enough that
// two runs never start alike; the editor's generator mixes them.
uint64_t randomSeed() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t wall = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<uint64_t>(counter.QuadPart) ^ (wall * 0x9E3779B97F4A7C15ULL) ^
           (static_cast<uint64_t>(GetCurrentProcessId()) << 40);
}

std::string localTimeText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    // The fields are WORDs: up to five digits each, so 40 characters hold the widest text
    // the format can make and GCC's -Wformat-truncation has nothing to warn about.
    char text[40];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned(now.wYear), unsigned(now.wMonth),
                  unsigned(now.wDay), unsigned(now.wHour), unsigned(now.wMinute), unsigned(now.wSecond));
    return text;
}

void sleepMilliseconds(uint32_t ms) {
    // Messages that arrive meanwhile are dispatched, so the windows keep painting; the Events
    // they make stay queued for the program.
    const DWORD start = GetTickCount();
    ktwin::pumpMessages();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms) return;
        ktwin::waitForMessage(ms - elapsed);
        ktwin::pumpMessages();
    }
}

// ---- events.h

Event waitEvent() {
    Event e;
    for (;;) {
        ktwin::pumpMessages();
        if (ktwin::takeQueued(e)) return e;
        if (ktwin::backend().RepaintPending && ktwin::mainWindow() != nullptr) {
            ktwin::backend().RepaintPending = false;
            e = Event{};
            e.kind = EventKind::Repaint;
            return e;
        }
        ktwin::Backend& b = ktwin::backend();
        // The wake's time left, by difference: the tick wraps after 49.7 days.
        const LONG wakeLeft = static_cast<LONG>(b.WakeAt - GetTickCount());
        if (b.WakeSet && wakeLeft <= 0) {
            b.WakeSet = false;
            e = Event{};
            e.kind = EventKind::Wake;
            return e;
        }
        if (mouseButtons() == 0) {
            // Blocks until a message comes, or until the wake asked for is due.
            ktwin::waitForMessage(b.WakeSet ? static_cast<DWORD>(wakeLeft) : INFINITE);
            continue;
        }
        // A button is held: what the program does with it goes on while the mouse stands
        // still, so a Tick comes after 10 ms in which nothing else came.
        if (ktwin::waitQueued(ktwin::TickIntervalMs, e)) return e;
        if (mouseButtons() != 0) {
            e = Event{};
            e.kind = EventKind::Tick;
            return e;
        }
    }
}

bool waitEventFor(uint32_t ms, Event& e) { return ktwin::waitQueued(ms, e); }

bool peekEvent(Event& e) {
    ktwin::pumpMessages();
    return ktwin::takeQueued(e);
}

void postCloseRequest() {
    Event e;
    e.kind = EventKind::CloseRequested;
    ktwin::queueEvent(e);
}

void wakeAfter(uint32_t ms) {
    ktwin::backend().WakeSet = true;
    ktwin::backend().WakeAt = GetTickCount() + ms;
}

// ---- input.h

void mousePosition(int& x, int& y) {
    POINT p{0, 0};
    GetCursorPos(&p);
    if (ktwin::mainWindow() != nullptr) ScreenToClient(ktwin::mainWindow(), &p);
    x = unzoomed(p.x, windowZoom());
    y = unzoomed(p.y, windowZoom());
}

int mouseButtons() {
    // GetAsyncKeyState reads the physical buttons: VK_LBUTTON is the left one even when the
    // user has swapped them in the control panel, so the swap is undone here to give the
    // logical buttons the window messages speak of.
    const bool physicalLeft = (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0;
    const bool physicalRight = (GetAsyncKeyState(VK_RBUTTON) & 0x8000) != 0;
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    const bool left = swapped ? physicalRight : physicalLeft;
    const bool right = swapped ? physicalLeft : physicalRight;
    return (left ? 1 : 0) | (right ? 2 : 0);
}

bool shiftHeld() { return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0; }

int foregroundWindow() {
    const HWND front = GetForegroundWindow();
    if (front == nullptr) return ForegroundOther;
    if (front == ktwin::mainWindow()) return ForegroundMain;
    if (front == ktwin::messageWindow()) return ForegroundMessage;
    return ForegroundOther;
}

void screenSize(int& width, int& height) {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
}

int screenDpi() {
    // GetDpiForWindow (Windows 10) knows the monitor of the window; older systems have one
    // resolution for all monitors. Looked up at run time, so the program starts everywhere.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && ktwin::mainWindow() != nullptr) {
        const UINT dpi = getDpiForWindow(ktwin::mainWindow());
        if (dpi >= 24) return static_cast<int>(dpi);
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi >= 24 ? dpi : 96;
}

// ---- process.h

std::string fixedPathFolder() { return "C:\\Qrdxpath"; }

char pathSeparator() { return '\\'; }

// Windows accepts '/' in paths as well, and "C:name" names a file on drive C.
bool isPathSplit(char c) { return c == '\\' || c == '/' || c == ':'; }

std::string currentDirectory() {
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return ".";
    std::string path(needed, '\0');
    const DWORD written = GetCurrentDirectoryA(needed, &path[0]);
    if (written == 0 || written >= needed) return ".";
    path.resize(written);
    return path;
}

void endProgram() {
    if (ktwin::messageWindow() != nullptr) DestroyWindow(ktwin::messageWindow());
    if (ktwin::mainWindow() != nullptr) DestroyWindow(ktwin::mainWindow());
    // The fatal report has been shown; nothing is written back. exit() rather than
    // ExitProcess, so the C runtime flushes its streams.
    std::exit(1);
}

// ---- announce.h

// Only for integration tests and debugging, as on Linux (Wine passes stderr to the shell's).
void announce(Announcement what, const std::vector<std::string>& texts, int number) {
    announceToStandardError(what, texts, number);
}
