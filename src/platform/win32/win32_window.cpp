// win32_window.cpp - the main window with its menu bar and panel, the menus, and the message
// window, on plain Win32 (user32 + gdi32).
//
// Both windows show a Canvas that the portable code draws into: WM_PAINT copies the part of
// it that needs painting to the screen with SetDIBitsToDevice. A Canvas is RGB without row
// padding; a 24-bit DIB is BGR with every row padded to 4 bytes, so the rectangle is
// converted into a scratch buffer first.
//
// Sizes: the client area of each window is its Canvas's size at the zoom (the main window's
// Canvas has the declared size); the frame, caption and menu bar come on top of that, measured
// from the window itself once it exists (a menu bar may take more than one row). The Canvas
// is shown through the shared scaler (platform/zoomscale.h), and mouse positions are scaled
// back, so the program only ever sees Canvas coordinates.
//
// Everything a window does for the program becomes an Event (see the window procedure).
#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/input.h"
#include "platform/msgwindow.h"
#include "platform/toolrecords.h"
#include "platform/toolwindow.h"
#include "platform/win32/win32_state.h"
#include "platform/window.h"
#include "platform/zoomscale.h"

namespace ktwin {

namespace {

constexpr const char* WindowClassName = "KorvatoneWindow";

// A main window can neither be maximised nor resized: the panel is drawn for one size.
constexpr DWORD MainWindowStyle = WS_OVERLAPPEDWINDOW & ~(WS_MAXIMIZEBOX | WS_THICKFRAME);
// The message window: a caption, no close button (it goes away when it has its answer).
constexpr DWORD MessageWindowStyle = WS_OVERLAPPED | WS_CAPTION;
// A tool window: a caption with a close button, a fixed size.
constexpr DWORD ToolWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

// ---- presenting

// Shows the rectangle (x, y) .. (x + w, y + h) of the zoomed canvas at the same place of the
// device context.
void paintCanvasPart(HDC dc, const Canvas& canvas, int x, int y, int w, int h) {
    const int x2 = std::min(x + w, zoomedLength(canvas.width(), backend().Zoom));
    const int y2 = std::min(y + h, zoomedLength(canvas.height(), backend().Zoom));
    x = std::max(x, 0);
    y = std::max(y, 0);
    if (x2 <= x || y2 <= y) return;
    w = x2 - x;
    h = y2 - y;
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
    backend().Scratch.assign(stride * static_cast<size_t>(h), 0);
    const size_t zoomedStride = static_cast<size_t>(w) * 3;
    backend().Zoomed.resize(zoomedStride * static_cast<size_t>(h));
    zoomRegion(canvas, backend().Zoom, x, y, w, h, backend().Zoomed.data(), zoomedStride);
    for (int row = 0; row < h; ++row) {
        const uint8_t* from = backend().Zoomed.data() + static_cast<size_t>(row) * zoomedStride;
        uint8_t* to = backend().Scratch.data() + static_cast<size_t>(row) * stride;
        for (int col = 0; col < w; ++col) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            from += 3;
            to += 3;
        }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // negative: the rows run top to bottom, as in the Canvas
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    // The scratch buffer holds exactly the rectangle, so source and scan lines start at 0
    // (for a top-down DIB SetDIBitsToDevice counts its start scan from the bottom otherwise).
    SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0, static_cast<UINT>(h),
                      backend().Scratch.data(), &info, DIB_RGB_COLORS);
}

void paintWindow(HWND window, const Canvas& canvas) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc == nullptr) return;
    const RECT& r = ps.rcPaint;
    paintCanvasPart(dc, canvas, r.left, r.top, r.right - r.left, r.bottom - r.top);
    // What lies beyond the canvas (nothing, normally: the client has its size) is black.
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const LONG shownW = zoomedLength(canvas.width(), backend().Zoom),
               shownH = zoomedLength(canvas.height(), backend().Zoom);
    if (r.right > shownW) {
        RECT right{std::max<LONG>(r.left, shownW), r.top, r.right, r.bottom};
        FillRect(dc, &right, black);
    }
    if (r.bottom > shownH) {
        RECT below{r.left, std::max<LONG>(r.top, shownH), r.right, r.bottom};
        FillRect(dc, &below, black);
    }
    EndPaint(window, &ps);
}

// Shows the damaged part of the canvas now: invalidating it and updating the window sends
// WM_PAINT at once, past the message queue.
void presentCanvas(HWND window, Canvas& canvas) {
    int x = 0, y = 0, w = 0, h = 0;
    if (!canvas.takeDamage(x, y, w, h) || window == nullptr) return;
    if (window == backend().MainWindow && GetUpdateRect(window, nullptr, FALSE)) {
        // Part of the window was uncovered and not painted yet: the program hears of it as
        // it would from that paint message.
        requestRepaint();
    }
    zoomedRect(x, y, w, h, backend().Zoom);
    RECT r{x, y, x + w, y + h};
    InvalidateRect(window, &r, FALSE);
    const bool wasPresenting = backend().Presenting;
    backend().Presenting = true;
    UpdateWindow(window);
    backend().Presenting = wasPresenting;
}

// ---- events from the windows

// The tool window number of a window, 0 for any other.
int toolNumberOf(HWND window) {
    if (window == nullptr) return 0;
    const std::deque<ToolWindowRecord>& tools = backend().Tools;
    for (size_t i = 0; i < tools.size(); ++i) {
        if (tools[i].Window == window) return static_cast<int>(i) + 1;
    }
    return 0;
}

void queueSimple(EventKind kind) {
    Event e;
    e.kind = kind;
    queueEvent(e);
}

// A point of the message window in the main window's client coordinates, the one coordinate
// system of the portable code (mousePosition speaks of it too); a tool window's points stay
// its own.
POINT panelPoint(HWND window, int x, int y) {
    POINT p{x, y};
    if (window == backend().MessageWindow && backend().MainWindow != nullptr) {
        ClientToScreen(window, &p);
        ScreenToClient(backend().MainWindow, &p);
    }
    return POINT{unzoomed(p.x, backend().Zoom), unzoomed(p.y, backend().Zoom)};
}

void queueMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int buttons = ((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0);
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        // With the mouse captured, the release (and the drag) reach this window also when the
        // pointer is outside it by then.
        SetCapture(window);
    } else if ((message == WM_LBUTTONUP || message == WM_RBUTTONUP) && buttons == 0) {
        ReleaseCapture();
    }
    // Signed: a captured pointer left or above the window has negative coordinates.
    const POINT p = panelPoint(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    Event e;
    e.kind = EventKind::MouseButton;
    e.window = toolNumberOf(window);
    e.x = p.x;
    e.y = p.y;
    e.buttons = buttons;
    // With CS_DBLCLKS, Windows sends WM_LBUTTONDBLCLK instead of the second WM_LBUTTONDOWN,
    // when it came within GetDoubleClickTime of the first (by the messages' own times) and
    // within the SM_CXDOUBLECLK x SM_CYDOUBLECLK rectangle around it.
    e.doubleClick = message == WM_LBUTTONDBLCLK;
    queueEvent(e);
}

bool keyHeld(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

// The keys that type no character but mean something to the program, and the Ctrl keys
// (whose WM_CHAR would be a control character): taken from WM_KEYDOWN. 0: not such a key.
int keyOfKeyDown(WPARAM virtualKey) {
    switch (virtualKey) {
    case VK_UP: return KeyUp;
    case VK_DOWN: return KeyDown;
    case VK_LEFT: return KeyLeft;
    case VK_RIGHT: return KeyRight;
    case VK_PRIOR: return KeyPageUp;
    case VK_NEXT: return KeyPageDown;
    case VK_HOME: return KeyHome;
    case VK_END: return KeyEnd;
    case VK_BACK: return KeyBackspace;  // its WM_CHAR (8, or 127 with Ctrl) is passed over
    default: break;
    }
    if (virtualKey >= VK_F1 && virtualKey <= VK_F12) return KeyF1 + static_cast<int>(virtualKey - VK_F1);
    if (!keyHeld(VK_CONTROL) || keyHeld(VK_MENU)) return 0;  // Ctrl+Alt is AltGr: a character
    if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<int>(virtualKey - 'A' + 'a');
    if (virtualKey >= '0' && virtualKey <= '9') return static_cast<int>(virtualKey);
    if (virtualKey == VK_OEM_PLUS || virtualKey == VK_ADD) return '+';
    if (virtualKey == VK_OEM_MINUS || virtualKey == VK_SUBTRACT) return '-';
    if (virtualKey == VK_SPACE) return ' ';
    // The brackets sit on different keys in different layouts: the layout says which.
    const UINT typed = MapVirtualKeyA(static_cast<UINT>(virtualKey), MAPVK_VK_TO_CHAR) & 0x7FFF;
    if (typed == '[' || typed == ']') return static_cast<int>(typed);
    return 0;
}

// The scan code and extended-key bit of a key message's lParam: the same in WM_KEYDOWN, the
// WM_CHAR made from it, and WM_KEYUP.
int scanKeyOf(LPARAM lParam) { return static_cast<int>((lParam >> 16) & 0x1FF); }

// A press (from WM_KEYDOWN or WM_CHAR): lParam's bit 30 says the key was down already, the
// system repeating it.
void queueKey(int key, int window, LPARAM lParam) {
    backend().PressedKeys[scanKeyOf(lParam)] = key;
    Event e;
    e.kind = EventKind::Key;
    e.window = window;
    e.key = key;
    e.repeat = (lParam & (LPARAM{1} << 30)) != 0;
    e.ctrl = keyHeld(VK_CONTROL) && !keyHeld(VK_MENU);
    e.shift = keyHeld(VK_SHIFT);
    queueEvent(e);
}

// A release (WM_KEYUP, WM_SYSKEYUP) of a key whose press was queued: KeyUp with the press's
// code. False for any other key.
bool queueKeyUp(int window, LPARAM lParam) {
    const auto pressed = backend().PressedKeys.find(scanKeyOf(lParam));
    if (pressed == backend().PressedKeys.end()) return false;
    Event e;
    e.kind = EventKind::KeyUp;
    e.window = window;
    e.key = pressed->second;
    e.ctrl = keyHeld(VK_CONTROL) && !keyHeld(VK_MENU);
    e.shift = keyHeld(VK_SHIFT);
    backend().PressedKeys.erase(pressed);
    queueEvent(e);
    return true;
}

void windowMoved(HWND window, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    Event e;
    e.kind = EventKind::WindowMoved;
    if (IsIconic(window) || (x <= -32000 && y <= -32000)) {
        // A minimised window is parked at -32000, -32000. The program takes the position as
        // Windows gives it in the message, as unsigned 16-bit words (33536); a window on a
        // monitor left of and above the primary one has small negative coordinates, which
        // are passed on as they are and so are never mistaken for minimised.
        e.x = static_cast<int>(static_cast<unsigned short>(LOWORD(lParam)));
        e.y = static_cast<int>(static_cast<unsigned short>(HIWORD(lParam)));
        backend().MinimisedReported = true;
    } else {
        e.x = x;
        e.y = y;
    }
    queueEvent(e);
}

void windowSized(WPARAM wParam) {
    if (wParam == SIZE_MINIMIZED) {
        backend().Minimised = true;
        if (!backend().MinimisedReported) {
            // The move to the parking position did not come (or came before the window was
            // iconic): the program still has to learn that it is minimised.
            Event e;
            e.kind = EventKind::WindowMoved;
            e.x = MinimisedPosition;
            e.y = MinimisedPosition;
            queueEvent(e);
            backend().MinimisedReported = true;
        }
    } else if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
        if (backend().Minimised) queueSimple(EventKind::WindowRestored);
        backend().Minimised = false;
        backend().MinimisedReported = false;
    }
}

// Gives the window the outer size whose client area is the canvas at the zoom: the frame is
// measured from the window as it is (caption, borders, the menu bar in as many rows as it
// takes), so the whole canvas is visible whatever the system's metrics.
void fitClientArea(HWND window, const Canvas& canvas) {
    if (window == nullptr) return;
    const int wantW = zoomedLength(canvas.width(), backend().Zoom),
              wantH = zoomedLength(canvas.height(), backend().Zoom);
    for (int attempt = 0; attempt < 3; ++attempt) {
        RECT outer{}, client{};
        if (!GetWindowRect(window, &outer) || !GetClientRect(window, &client)) return;
        const int dw = wantW - (client.right - client.left), dh = wantH - (client.bottom - client.top);
        if (dw == 0 && dh == 0) return;
        // A menu bar that wraps into another row when the window narrows changes the frame:
        // measured again after the move.
        SetWindowPos(window, nullptr, 0, 0, (outer.right - outer.left) + dw, (outer.bottom - outer.top) + dh,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
}

// The outer size of a window of this style whose client area is w x h, before the window
// exists (fitClientArea corrects it after).
SIZE outerSize(DWORD style, bool menu, int w, int h) {
    RECT r{0, 0, w, h};
    AdjustWindowRectEx(&r, style, menu ? TRUE : FALSE, 0);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// The work area of the monitor the main window is on (of the window's own while there is no
// main window); false when the system cannot say.
bool workAreaOf(HWND window, RECT& work) {
    const HWND anchor = backend().MainWindow != nullptr ? backend().MainWindow : window;
    const HMONITOR monitor = anchor != nullptr ? MonitorFromWindow(anchor, MONITOR_DEFAULTTONEAREST)
                                               : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor == nullptr || !GetMonitorInfoA(monitor, &info)) return false;
    work = info.rcWork;
    return true;
}

// Moves a tool window that reaches beyond the work area back into it (its top-left corner
// first, so a window larger than the screen keeps its caption reachable).
void keepOnWorkArea(HWND window) {
    RECT r{}, work{};
    if (window == nullptr || !GetWindowRect(window, &r) || !workAreaOf(window, work)) return;
    LONG x = std::min(r.left, work.right - (r.right - r.left));
    LONG y = std::min(r.top, work.bottom - (r.bottom - r.top));
    x = std::max(x, work.left);
    y = std::max(y, work.top);
    if (x != r.left || y != r.top)
        SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

// Where a new tool window of this outer size goes: right of the main window, else left of
// it, else at the right edge of the work area (over the main window); keepOnWorkArea
// corrects what the final frame changes.
POINT toolWindowPlace(SIZE outer) {
    RECT main{}, work{};
    if (backend().MainWindow == nullptr || !GetWindowRect(backend().MainWindow, &main) ||
        !workAreaOf(backend().MainWindow, work))
        return POINT{CW_USEDEFAULT, CW_USEDEFAULT};
    constexpr LONG Gap = 8;
    LONG x = main.right + Gap;
    if (x + outer.cx > work.right) x = main.left - Gap - outer.cx;
    if (x < work.left) x = work.right - outer.cx;
    const LONG y = std::min(main.top, work.bottom - outer.cy);
    return POINT{std::max(x, work.left), std::max(y, work.top)};
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (handleMidiInMessage(message, wParam, lParam)) return 0;
    const bool isMain = window == backend().MainWindow && window != nullptr;
    const bool isMessage = window == backend().MessageWindow && window != nullptr;
    const int tool = toolNumberOf(window);
    if (!isMain && !isMessage && tool == 0) return DefWindowProcA(window, message, wParam, lParam);
    Canvas& canvas = isMain ? backend().MainCanvas : isMessage ? backend().MessageCanvas
                                                               : backend().Tools[static_cast<size_t>(tool) - 1].Pixels;

    switch (message) {
    case WM_DEVICECHANGE: if (isMain) queueSimple(EventKind::DevicesChanged); return TRUE;  // ports may differ now
    case WM_CLOSE:
        // The program decides when a window goes away: the main window's close button only
        // asks, the message window closes when it has its answer.
        if (isMain) queueSimple(EventKind::CloseRequested);
        if (tool != 0) {
            // A tool window's close button hides it; the program hears of it.
            ShowWindow(window, SW_HIDE);
            Event e;
            e.kind = EventKind::ToolWindowHidden;
            e.window = tool;
            queueEvent(e);
        }
        return 0;
    case WM_COMMAND:
        if (isMain && lParam == 0) {  // from a menu (or an accelerator), not from a control
            Event e;
            e.kind = EventKind::Command;
            e.command = LOWORD(wParam);
            queueEvent(e);
        }
        return 0;
    case WM_MOVE:
        if (isMain) windowMoved(window, lParam);
        return 0;
    case WM_SIZE:
        if (isMain) windowSized(wParam);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers every pixel from the canvas; erasing first would flicker
    case WM_PAINT:
        // A tool window is drawn again from its Canvas alone; the program is not asked.
        paintWindow(window, canvas);
        if (isMain && !backend().Presenting) requestRepaint();
        return 0;
    case WM_CHAR:
        // Keys are the characters typed (TranslateMessage makes them from WM_KEYDOWN):
        // Enter comes as 13, Escape as 27. Keys that type nothing are not keys to the
        // program, and taking WM_KEYDOWN as well would report every key twice.
        // With Ctrl held the character is a control character (Ctrl+Z is 26): that key was
        // taken from WM_KEYDOWN already.
        if (keyHeld(VK_CONTROL) && !keyHeld(VK_MENU)) return 0;
        if (wParam == 8) return 0;  // Backspace, taken from WM_KEYDOWN
        queueKey(static_cast<int>(static_cast<unsigned char>(wParam & 0xFF)), tool, lParam);
        return 0;
    case WM_KEYDOWN:
        if (const int key = keyOfKeyDown(wParam)) {
            queueKey(key, tool, lParam);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_KEYUP:
        if (queueKeyUp(tool, lParam)) return 0;
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SYSKEYUP:
        // The menu bar still sees the release (Alt alone opens it on its release).
        queueKeyUp(tool, lParam);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SYSKEYDOWN:
        // F10 comes as a system key (it would open the menu bar); without Alt it is the
        // program's key like F1..F12.
        if (wParam == VK_F10 && !keyHeld(VK_MENU)) {
            queueKey(KeyF1 + 9, tool, lParam);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_MOUSEWHEEL:
        // The wheel reports the pointer in screen coordinates, not the window's.
        if (isMain || tool != 0) {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(window, &p);
            Event e;
            e.kind = EventKind::Wheel;
            e.window = tool;
            e.x = unzoomed(p.x, backend().Zoom);
            e.y = unzoomed(p.y, backend().Zoom);
            e.notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
            e.shift = (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT) != 0;
            if (e.notches != 0) queueEvent(e);
        }
        return 0;
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE:
        queueMouse(window, message, wParam, lParam);
        return 0;
    case WM_DPICHANGED:
        // Moved to a monitor of another resolution. The panel is drawn for fixed pixels and
        // keeps its zoom (the user chooses it), so only the suggested position is taken; the
        // window keeps its client size. The program looks at the screen again.
        {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            fitClientArea(window, canvas);
        }
        queueSimple(EventKind::Other);
        return 0;
    case WM_ACTIVATE:
        // A tool window that comes to the front by the user's doing (a click, Alt+Tab), not by
        // openToolWindow.
        if (tool != 0 && LOWORD(wParam) != WA_INACTIVE && !backend().RaisingTool) {
            Event e;
            e.kind = EventKind::WindowActivated;
            e.window = tool;
            queueEvent(e);
        }
        queueSimple(EventKind::Other);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_DISPLAYCHANGE:
        // The window in front or the screen changed: the program looks again.
        queueSimple(EventKind::Other);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_DESTROY:
        if (isMain) backend().MainWindow = nullptr;
        if (isMessage) backend().MessageWindow = nullptr;
        if (tool != 0) backend().Tools[static_cast<size_t>(tool) - 1].Window = nullptr;
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool registerClass() {
    if (backend().ClassRegistered) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;  // a second click soon after the first comes as WM_LBUTTONDBLCLK
    wc.lpfnWndProc = windowProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    // The program's own icon (group 1 of its resources) for the caption and the taskbar, each
    // in the size the system asks for; Windows' default where the resource is missing.
    const LPCSTR programIcon = MAKEINTRESOURCEA(1);
    wc.hIcon = static_cast<HICON>(LoadImageA(wc.hInstance, programIcon, IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    wc.hIconSm = static_cast<HICON>(LoadImageA(wc.hInstance, programIcon, IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_DEFAULTCOLOR));
    if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = nullptr;
    wc.lpszClassName = WindowClassName;
    backend().ClassRegistered = RegisterClassExA(&wc) != 0;
    return backend().ClassRegistered;
}

// Shows the system's text for the last error in a message box; for failures that have no
// other way to reach the user (no window could be made).
void reportLastError(const char* what) {
    const DWORD code = GetLastError();
    char text[256] = {0};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    std::string message = what;
    if (text[0] != '\0') message += std::string("\r\n") + text;
    MessageBoxA(nullptr, message.c_str(), "Error", MB_OK | MB_ICONERROR);
}

// ---- menus: MenuHandle k is Backend::Menus[k - 1].

HMENU menuOf(MenuHandle menu) {
    if (menu <= 0 || menu > static_cast<int>(backend().Menus.size())) return nullptr;
    return backend().Menus[static_cast<size_t>(menu - 1)];
}

MenuHandle addMenu(HMENU handle) {
    if (handle == nullptr) return 0;
    backend().Menus.push_back(handle);
    backend().Parents.push_back(0);
    return static_cast<MenuHandle>(backend().Menus.size());
}

// DestroyMenu takes the submenus with it; their slots go too.
void forgetMenu(MenuHandle menu, int depth) {
    if (menuOf(menu) == nullptr || depth > 16) return;
    backend().Menus[static_cast<size_t>(menu - 1)] = nullptr;
    for (size_t i = 0; i < backend().Parents.size(); ++i) {
        if (backend().Parents[i] == menu) forgetMenu(static_cast<MenuHandle>(i + 1), depth + 1);
    }
}

}  // namespace

HWND beginModal() {
    const HWND front = GetForegroundWindow();
    const bool ours = front != nullptr && (front == backend().MainWindow || toolNumberOf(front) != 0);
    if (backend().ModalDepth++ == 0) {
        for (ToolWindowRecord& tool : backend().Tools) {
            if (tool.Window != nullptr) EnableWindow(tool.Window, FALSE);
        }
    }
    return ours ? front : nullptr;
}

void endModal(HWND front) {
    if (backend().ModalDepth > 0 && --backend().ModalDepth > 0) return;
    for (ToolWindowRecord& tool : backend().Tools) {
        if (tool.Window != nullptr) EnableWindow(tool.Window, TRUE);
    }
    if (front != nullptr && IsWindow(front) && IsWindowVisible(front)) SetForegroundWindow(front);
}

HWND mainWindow() { return backend().MainWindow; }
HWND messageWindow() { return backend().MessageWindow; }

HWND midiNotifyWindow() {
    if (backend().MainWindow != nullptr) return backend().MainWindow;
    if (backend().MidiSink == nullptr && registerClass()) {
        backend().MidiSink = CreateWindowExA(0, WindowClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    }
    return backend().MidiSink;
}

}  // namespace ktwin

using namespace ktwin;

// ---- window.h

bool openMainWindow(int x, int y, int width, int height, const std::string& caption) {
    if (backend().MainWindow != nullptr) closeMainWindow();
    width = std::max(width, 1);
    height = std::max(height, 1);
    backend().MainCanvas.resize(width, height);
    if (!registerClass()) {
        reportLastError("The window class could not be registered.");
        return false;
    }
    backend().Minimised = false;
    backend().MinimisedReported = false;
    backend().Zoom = 100;
    const SIZE outer = outerSize(MainWindowStyle, false, width, height);
    backend().MainWindow = CreateWindowExA(0, WindowClassName, caption.c_str(), MainWindowStyle, x, y, outer.cx,
                                           outer.cy, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (backend().MainWindow == nullptr) {
        reportLastError("The main window could not be opened.");
        return false;
    }
    fitClientArea(backend().MainWindow, backend().MainCanvas);
    ShowWindow(backend().MainWindow, SW_SHOW);
    UpdateWindow(backend().MainWindow);
    // A new window is the one in front, as the program expects right after opening it.
    SetForegroundWindow(backend().MainWindow);
    return true;
}

void setMainWindowCaption(const std::string& caption) {
    if (backend().MainWindow != nullptr) SetWindowTextA(backend().MainWindow, caption.c_str());
}

Canvas& mainCanvas() { return backend().MainCanvas; }

// The strip is shown like the rest of the client area; only the simulation's snapshot,
// a record of the window, leaves it out.
void setMainWindowStrip(int /*height*/) {}

void presentMainWindow() {
    if (backend().MainWindow == nullptr) {
        int x, y, w, h;
        backend().MainCanvas.takeDamage(x, y, w, h);
        return;
    }
    presentCanvas(backend().MainWindow, backend().MainCanvas);
}

void closeMainWindow() {
    closeMessageWindow();
    // Tool windows are owned by the main window: they go with it, their Canvases stay.
    for (ToolWindowRecord& tool : backend().Tools) {
        if (tool.Window == nullptr) continue;
        const HWND window = tool.Window;
        tool.Window = nullptr;
        DestroyWindow(window);
    }
    if (backend().MainWindow == nullptr) return;
    // The menu bar stays the program's (destroyMenuBar frees it): DestroyWindow would destroy
    // an attached one.
    if (backend().AttachedBar != 0) SetMenu(backend().MainWindow, nullptr);
    backend().AttachedBar = 0;
    const HWND window = backend().MainWindow;
    backend().MainWindow = nullptr;
    DestroyWindow(window);
}

void setWindowZoom(int percent) {
    if (percent == backend().Zoom) return;
    backend().Zoom = percent;
    fitClientArea(backend().MainWindow, backend().MainCanvas);
    fitClientArea(backend().MessageWindow, backend().MessageCanvas);
    if (backend().MainWindow != nullptr) InvalidateRect(backend().MainWindow, nullptr, FALSE);
    if (backend().MessageWindow != nullptr) InvalidateRect(backend().MessageWindow, nullptr, FALSE);
    for (ToolWindowRecord& tool : backend().Tools) {
        if (tool.Window == nullptr) continue;
        fitClientArea(tool.Window, tool.Pixels);
        keepOnWorkArea(tool.Window);
        InvalidateRect(tool.Window, nullptr, FALSE);
    }
}

int windowZoom() { return backend().Zoom; }

void clientAreaLimit(int& width, int& height, int) {
    // The work area of the monitor the main window is on (the primary one before it opens),
    // less the frame, caption and menu bar of a main window. Windows draws the menu bar at
    // the window's resolution (the programs are per-monitor aware), whatever the zoom.
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = backend().MainWindow != nullptr
                                 ? MonitorFromWindow(backend().MainWindow, MONITOR_DEFAULTTONEAREST)
                                 : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (monitor != nullptr && GetMonitorInfoA(monitor, &info)) work = info.rcWork;
    const SIZE frame = outerSize(MainWindowStyle, true, 0, 0);
    width = std::max<LONG>(work.right - work.left - frame.cx, 0);
    height = std::max<LONG>(work.bottom - work.top - frame.cy, 0);
}

MenuHandle createMenuBar() {
    const MenuHandle bar = addMenu(CreateMenu());
    if (bar != 0) backend().LastBar = bar;
    return bar;
}

MenuHandle createPopupMenu() { return addMenu(CreatePopupMenu()); }

void appendMenuItem(MenuHandle menu, int commandId, const std::string& text, const std::string& keyText,
                    MenuItemKind /*kind*/) {
    // Windows keeps room for a check mark beside every item and draws one only where the
    // program set it; a new item is unmarked, so plain and check items need nothing apart.
    const HMENU handle = menuOf(menu);
    // A tab puts the key at the right edge of the menu, where Windows shows keys.
    const std::string label = keyText.empty() ? text : text + "\t" + keyText;
    if (handle != nullptr) AppendMenuA(handle, MF_STRING, static_cast<UINT_PTR>(commandId), label.c_str());
    if (menu == backend().AttachedBar && backend().MainWindow != nullptr) DrawMenuBar(backend().MainWindow);
}

void appendMenuPopup(MenuHandle menu, MenuHandle popup, const std::string& text) {
    const HMENU handle = menuOf(menu);
    const HMENU popupHandle = menuOf(popup);
    if (handle == nullptr || popupHandle == nullptr) return;
    if (AppendMenuA(handle, MF_POPUP, reinterpret_cast<UINT_PTR>(popupHandle), text.c_str())) {
        backend().Parents[static_cast<size_t>(popup - 1)] = menu;
    }
    if (menu == backend().AttachedBar && backend().MainWindow != nullptr) DrawMenuBar(backend().MainWindow);
}

void appendMenuSeparator(MenuHandle menu) {
    const HMENU handle = menuOf(menu);
    if (handle != nullptr) AppendMenuA(handle, MF_SEPARATOR, 0, nullptr);
}

void enableMenuItem(int commandId, bool enabled) {
    const HMENU bar = menuOf(backend().AttachedBar != 0 ? backend().AttachedBar : backend().LastBar);
    if (bar == nullptr) return;
    EnableMenuItem(bar, static_cast<UINT>(commandId), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void checkMenuItem(int commandId, bool checked) {
    // By command identifier on the whole bar, so items in submenus are reached. The program
    // sets the first check marks before it attaches the bar: then the bar made last is meant.
    const HMENU bar = menuOf(backend().AttachedBar != 0 ? backend().AttachedBar : backend().LastBar);
    if (bar == nullptr) return;
    CheckMenuItem(bar, static_cast<UINT>(commandId), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void attachMenuBar(MenuHandle bar) {
    const HMENU handle = menuOf(bar);
    if (handle == nullptr || backend().MainWindow == nullptr) return;
    SetMenu(backend().MainWindow, handle);
    DrawMenuBar(backend().MainWindow);
    backend().AttachedBar = bar;
    fitClientArea(backend().MainWindow, backend().MainCanvas);  // the menu bar took its rows from the client area
}

void destroyMenuBar(MenuHandle bar) {
    const HMENU handle = menuOf(bar);
    if (handle == nullptr) return;
    if (backend().AttachedBar == bar) {
        if (backend().MainWindow != nullptr) {
            SetMenu(backend().MainWindow, nullptr);
            DrawMenuBar(backend().MainWindow);
        }
        backend().AttachedBar = 0;
    }
    if (backend().LastBar == bar) backend().LastBar = 0;
    DestroyMenu(handle);
    forgetMenu(bar, 0);
}

// ---- msgwindow.h

Canvas& openMessageWindow(const std::string& caption, int width, int height) {
    backend().MessageCanvas.resize(std::max(width, 1), std::max(height, 1));
    if (backend().MessageWindow == nullptr) {
        if (!registerClass()) {
            reportLastError("The message window could not be opened.");
            return backend().MessageCanvas;
        }
        // Owned by the main window (when there is one): it stays in front of it and has no
        // button of its own on the task bar.
        const SIZE outer =
            outerSize(MessageWindowStyle, false, zoomedLength(backend().MessageCanvas.width(), backend().Zoom),
                      zoomedLength(backend().MessageCanvas.height(), backend().Zoom));
        backend().MessageWindow =
            CreateWindowExA(0, WindowClassName, caption.c_str(), MessageWindowStyle, MessageWindowX, MessageWindowY,
                            outer.cx, outer.cy, backend().MainWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (backend().MessageWindow == nullptr) {
            reportLastError("The message window could not be opened.");
            return backend().MessageCanvas;
        }
        // The main window and the tool windows take no clicks, keys or menu picks while a
        // message waits: what they would queue meanwhile would answer it or be lost.
        if (backend().MainWindow != nullptr) EnableWindow(backend().MainWindow, FALSE);
        backend().FrontBeforeMessage = beginModal();
        ShowWindow(backend().MessageWindow, SW_SHOW);
    } else {
        SetWindowTextA(backend().MessageWindow, caption.c_str());
    }
    fitClientArea(backend().MessageWindow, backend().MessageCanvas);
    InvalidateRect(backend().MessageWindow, nullptr, FALSE);
    SetForegroundWindow(backend().MessageWindow);
    SetFocus(backend().MessageWindow);
    return backend().MessageCanvas;
}

void presentMessageWindow() {
    if (backend().MessageWindow == nullptr) {
        int x, y, w, h;
        backend().MessageCanvas.takeDamage(x, y, w, h);
        return;
    }
    presentCanvas(backend().MessageWindow, backend().MessageCanvas);
}

void closeMessageWindow() {
    if (backend().MessageWindow == nullptr) return;
    const bool hadFront = GetForegroundWindow() == backend().MessageWindow;
    // The owner is enabled again before its owned window goes, else Windows activates some
    // other program's window in the moment between.
    if (backend().MainWindow != nullptr) EnableWindow(backend().MainWindow, TRUE);
    const HWND window = backend().MessageWindow;
    backend().MessageWindow = nullptr;
    DestroyWindow(window);
    // The window that was in front before the message (the library window, say) is again;
    // the main window when none of the program's was.
    const HWND front = backend().FrontBeforeMessage != nullptr ? backend().FrontBeforeMessage : backend().MainWindow;
    backend().FrontBeforeMessage = nullptr;
    endModal(hadFront ? front : nullptr);
}

// ---- toolwindow.h

namespace {

ToolWindowRecord* toolWindow(int window) { return toolRecordNumbered(backend().Tools, window); }

}  // namespace

int openToolWindow(const std::string& name, const std::string& caption, int width, int height) {
    int number = 0;
    ToolWindowRecord& tool = toolRecordFor(backend().Tools, name, width, height, number);
    if (tool.Window == nullptr) {
        if (!registerClass()) {
            reportLastError("The window could not be opened.");
            return number;
        }
        // Beside the main window, and owned by it: no button of its own on the task bar.
        const SIZE outer = outerSize(ToolWindowStyle, false, zoomedLength(width, backend().Zoom),
                                     zoomedLength(height, backend().Zoom));
        const POINT place = toolWindowPlace(outer);
        tool.Window = CreateWindowExA(0, WindowClassName, caption.c_str(), ToolWindowStyle, place.x, place.y, outer.cx,
                                      outer.cy, backend().MainWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (tool.Window == nullptr) {
            reportLastError("The window could not be opened.");
            return number;
        }
        if (backend().ModalDepth > 0) EnableWindow(tool.Window, FALSE);
    } else {
        SetWindowTextA(tool.Window, caption.c_str());
    }
    fitClientArea(tool.Window, tool.Pixels);
    keepOnWorkArea(tool.Window);  // a new size or zoom may reach beyond the screen
    InvalidateRect(tool.Window, nullptr, FALSE);
    backend().RaisingTool = true;
    ShowWindow(tool.Window, SW_SHOW);
    SetForegroundWindow(tool.Window);
    backend().RaisingTool = false;
    UpdateWindow(tool.Window);
    return number;
}

Canvas& toolWindowCanvas(int window) {
    ToolWindowRecord* tool = toolWindow(window);
    // A number openToolWindow never gave has no window; its drawing goes nowhere visible.
    return tool != nullptr ? tool->Pixels : backend().NoToolWindow;
}

void presentToolWindow(int window) {
    ToolWindowRecord* tool = toolWindow(window);
    if (tool == nullptr) return;
    if (tool->Window == nullptr || !IsWindowVisible(tool->Window)) {
        // Nothing to show now; the whole Canvas is painted when the window is shown again.
        int x, y, w, h;
        tool->Pixels.takeDamage(x, y, w, h);
        return;
    }
    presentCanvas(tool->Window, tool->Pixels);
}

void hideToolWindow(int window) {
    ToolWindowRecord* tool = toolWindow(window);
    if (tool == nullptr || tool->Window == nullptr || !IsWindowVisible(tool->Window)) return;
    const bool hadFront = GetForegroundWindow() == tool->Window;
    ShowWindow(tool->Window, SW_HIDE);
    if (hadFront && backend().MainWindow != nullptr) SetForegroundWindow(backend().MainWindow);
}

bool toolWindowShown(int window) {
    const ToolWindowRecord* tool = toolWindow(window);
    return tool != nullptr && tool->Window != nullptr && IsWindowVisible(tool->Window);
}
