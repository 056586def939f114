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

Canvas MainCanvas;
Canvas MessageCanvas;

HWND MainWindow = nullptr;
HWND MessageWindow = nullptr;
HWND MidiSink = nullptr;
bool ClassRegistered = false;

// presentMainWindow is painting what the program drew, not what the system uncovered.
bool Presenting = false;
// Minimised tracking for WindowMoved / WindowRestored.
bool Minimised = false;
bool MinimisedReported = false;

std::vector<uint8_t> Scratch;
std::vector<uint8_t> Zoomed;  // the RGB rectangle shown, before it becomes a DIB's BGR rows
int Zoom = 100;                // the zoom both windows show their canvases at

// ---- presenting

// Shows the rectangle (x, y) .. (x + w, y + h) of the zoomed canvas at the same place of the
// device context.
void paintCanvasPart(HDC dc, const Canvas& canvas, int x, int y, int w, int h) {
    const int x2 = std::min(x + w, zoomedLength(canvas.width(), Zoom));
    const int y2 = std::min(y + h, zoomedLength(canvas.height(), Zoom));
    x = std::max(x, 0);
    y = std::max(y, 0);
    if (x2 <= x || y2 <= y) return;
    w = x2 - x;
    h = y2 - y;
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
    Scratch.assign(stride * static_cast<size_t>(h), 0);
    const size_t zoomedStride = static_cast<size_t>(w) * 3;
    Zoomed.resize(zoomedStride * static_cast<size_t>(h));
    zoomRegion(canvas, Zoom, x, y, w, h, Zoomed.data(), zoomedStride);
    for (int row = 0; row < h; ++row) {
        const uint8_t* from = Zoomed.data() + static_cast<size_t>(row) * zoomedStride;
        uint8_t* to = Scratch.data() + static_cast<size_t>(row) * stride;
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
                      Scratch.data(), &info, DIB_RGB_COLORS);
}

void paintWindow(HWND window, const Canvas& canvas) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc == nullptr) return;
    const RECT& r = ps.rcPaint;
    paintCanvasPart(dc, canvas, r.left, r.top, r.right - r.left, r.bottom - r.top);
    // What lies beyond the canvas (nothing, normally: the client has its size) is black.
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const LONG shownW = zoomedLength(canvas.width(), Zoom), shownH = zoomedLength(canvas.height(), Zoom);
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
    if (window == MainWindow && GetUpdateRect(window, nullptr, FALSE)) {
        // Part of the window was uncovered and not painted yet: the program hears of it as
        // it would from that paint message.
        requestRepaint();
    }
    zoomedRect(x, y, w, h, Zoom);
    RECT r{x, y, x + w, y + h};
    InvalidateRect(window, &r, FALSE);
    const bool wasPresenting = Presenting;
    Presenting = true;
    UpdateWindow(window);
    Presenting = wasPresenting;
}

// ---- events from the windows

void queueSimple(EventKind kind) {
    Event e;
    e.kind = kind;
    queueEvent(e);
}

// A point of the message window in the main window's client coordinates, the one coordinate
// system of the portable code (mousePosition speaks of it too).
POINT panelPoint(HWND window, int x, int y) {
    POINT p{x, y};
    if (window != MainWindow && MainWindow != nullptr) {
        ClientToScreen(window, &p);
        ScreenToClient(MainWindow, &p);
    }
    return POINT{unzoomed(p.x, Zoom), unzoomed(p.y, Zoom)};
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
    e.x = p.x;
    e.y = p.y;
    e.buttons = buttons;
    // With CS_DBLCLKS, Windows sends WM_LBUTTONDBLCLK instead of the second WM_LBUTTONDOWN.
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
    default: break;
    }
    if (!keyHeld(VK_CONTROL) || keyHeld(VK_MENU)) return 0;  // Ctrl+Alt is AltGr: a character
    if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<int>(virtualKey - 'A' + 'a');
    if (virtualKey >= '0' && virtualKey <= '9') return static_cast<int>(virtualKey);
    if (virtualKey == VK_OEM_PLUS || virtualKey == VK_ADD) return '+';
    if (virtualKey == VK_OEM_MINUS || virtualKey == VK_SUBTRACT) return '-';
    return 0;
}

void queueKey(int key) {
    Event e;
    e.kind = EventKind::Key;
    e.key = key;
    e.ctrl = keyHeld(VK_CONTROL) && !keyHeld(VK_MENU);
    e.shift = keyHeld(VK_SHIFT);
    queueEvent(e);
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
        MinimisedReported = true;
    } else {
        e.x = x;
        e.y = y;
    }
    queueEvent(e);
}

void windowSized(WPARAM wParam) {
    if (wParam == SIZE_MINIMIZED) {
        Minimised = true;
        if (!MinimisedReported) {
            // The move to the parking position did not come (or came before the window was
            // iconic): the program still has to learn that it is minimised.
            Event e;
            e.kind = EventKind::WindowMoved;
            e.x = MinimisedPosition;
            e.y = MinimisedPosition;
            queueEvent(e);
            MinimisedReported = true;
        }
    } else if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
        if (Minimised) queueSimple(EventKind::WindowRestored);
        Minimised = false;
        MinimisedReported = false;
    }
}

// Gives the window the outer size whose client area is the canvas at the zoom: the frame is
// measured from the window as it is (caption, borders, the menu bar in as many rows as it
// takes), so the whole canvas is visible whatever the system's metrics.
void fitClientArea(HWND window, const Canvas& canvas) {
    if (window == nullptr) return;
    const int wantW = zoomedLength(canvas.width(), Zoom), wantH = zoomedLength(canvas.height(), Zoom);
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

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (handleMidiInMessage(message, wParam, lParam)) return 0;
    const bool isMain = window == MainWindow && window != nullptr;
    const bool isMessage = window == MessageWindow && window != nullptr;
    if (!isMain && !isMessage) return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_DEVICECHANGE: if (isMain) queueSimple(EventKind::DevicesChanged); return TRUE;  // ports may differ now
    case WM_CLOSE:
        // The program decides when a window goes away: the main window's close button only
        // asks, the message window closes when it has its answer.
        if (isMain) queueSimple(EventKind::CloseRequested);
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
        paintWindow(window, isMain ? MainCanvas : MessageCanvas);
        if (isMain && !Presenting) requestRepaint();
        return 0;
    case WM_CHAR:
        // Keys are the characters typed (TranslateMessage makes them from WM_KEYDOWN):
        // Enter comes as 13, Escape as 27. Keys that type nothing are not keys to the
        // program, and taking WM_KEYDOWN as well would report every key twice.
        // With Ctrl held the character is a control character (Ctrl+Z is 26): that key was
        // taken from WM_KEYDOWN already.
        if (keyHeld(VK_CONTROL) && !keyHeld(VK_MENU)) return 0;
        queueKey(static_cast<int>(static_cast<unsigned char>(wParam & 0xFF)));
        return 0;
    case WM_KEYDOWN:
        if (const int key = keyOfKeyDown(wParam)) {
            queueKey(key);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_MOUSEWHEEL:
        // The wheel reports the pointer in screen coordinates, not the window's.
        if (isMain) {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(MainWindow, &p);
            Event e;
            e.kind = EventKind::Wheel;
            e.x = unzoomed(p.x, Zoom);
            e.y = unzoomed(p.y, Zoom);
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
        if (isMain || isMessage) {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            fitClientArea(window, isMain ? MainCanvas : MessageCanvas);
        }
        queueSimple(EventKind::Other);
        return 0;
    case WM_ACTIVATE:
    case WM_DISPLAYCHANGE:
        // The window in front or the screen changed: the program looks again.
        queueSimple(EventKind::Other);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_DESTROY:
        if (isMain) MainWindow = nullptr;
        if (isMessage) MessageWindow = nullptr;
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool registerClass() {
    if (ClassRegistered) return true;
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
    ClassRegistered = RegisterClassExA(&wc) != 0;
    return ClassRegistered;
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

// ---- menus: MenuHandle k is Menus[k - 1]; a destroyed menu's slot becomes null.

std::vector<HMENU> Menus;
std::vector<MenuHandle> Parents;  // the menu a popup was appended to, 0 for none
MenuHandle AttachedBar = 0;
MenuHandle LastBar = 0;

HMENU menuOf(MenuHandle menu) {
    if (menu <= 0 || menu > static_cast<int>(Menus.size())) return nullptr;
    return Menus[static_cast<size_t>(menu - 1)];
}

MenuHandle addMenu(HMENU handle) {
    if (handle == nullptr) return 0;
    Menus.push_back(handle);
    Parents.push_back(0);
    return static_cast<MenuHandle>(Menus.size());
}

// DestroyMenu takes the submenus with it; their slots go too.
void forgetMenu(MenuHandle menu, int depth) {
    if (menuOf(menu) == nullptr || depth > 16) return;
    Menus[static_cast<size_t>(menu - 1)] = nullptr;
    for (size_t i = 0; i < Parents.size(); ++i) {
        if (Parents[i] == menu) forgetMenu(static_cast<MenuHandle>(i + 1), depth + 1);
    }
}

}  // namespace

HWND mainWindow() { return MainWindow; }
HWND messageWindow() { return MessageWindow; }

HWND midiNotifyWindow() {
    if (MainWindow != nullptr) return MainWindow;
    if (MidiSink == nullptr && registerClass()) {
        MidiSink = CreateWindowExA(0, WindowClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    }
    return MidiSink;
}

}  // namespace ktwin

using namespace ktwin;

// ---- window.h

bool openMainWindow(int x, int y, int width, int height, const std::string& caption) {
    if (MainWindow != nullptr) closeMainWindow();
    width = std::max(width, 1);
    height = std::max(height, 1);
    MainCanvas.resize(width, height);
    if (!registerClass()) {
        reportLastError("The window class could not be registered.");
        return false;
    }
    Minimised = false;
    MinimisedReported = false;
    Zoom = 100;
    const SIZE outer = outerSize(MainWindowStyle, false, width, height);
    MainWindow = CreateWindowExA(0, WindowClassName, caption.c_str(), MainWindowStyle, x, y, outer.cx, outer.cy,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (MainWindow == nullptr) {
        reportLastError("The main window could not be opened.");
        return false;
    }
    fitClientArea(MainWindow, MainCanvas);
    ShowWindow(MainWindow, SW_SHOW);
    UpdateWindow(MainWindow);
    // A new window is the one in front, as the program expects right after opening it.
    SetForegroundWindow(MainWindow);
    return true;
}

void setMainWindowCaption(const std::string& caption) {
    if (MainWindow != nullptr) SetWindowTextA(MainWindow, caption.c_str());
}

Canvas& mainCanvas() { return MainCanvas; }

void presentMainWindow() {
    if (MainWindow == nullptr) {
        int x, y, w, h;
        MainCanvas.takeDamage(x, y, w, h);
        return;
    }
    presentCanvas(MainWindow, MainCanvas);
}

void closeMainWindow() {
    closeMessageWindow();
    if (MainWindow == nullptr) return;
    // The menu bar stays the program's (destroyMenuBar frees it): DestroyWindow would destroy
    // an attached one.
    if (AttachedBar != 0) SetMenu(MainWindow, nullptr);
    AttachedBar = 0;
    const HWND window = MainWindow;
    MainWindow = nullptr;
    DestroyWindow(window);
}

void setWindowZoom(int percent) {
    if (percent == Zoom) return;
    Zoom = percent;
    fitClientArea(MainWindow, MainCanvas);
    fitClientArea(MessageWindow, MessageCanvas);
    if (MainWindow != nullptr) InvalidateRect(MainWindow, nullptr, FALSE);
    if (MessageWindow != nullptr) InvalidateRect(MessageWindow, nullptr, FALSE);
}

int windowZoom() { return Zoom; }

void clientAreaLimit(int& width, int& height) {
    // The work area of the monitor the main window is on (the primary one before it opens),
    // less the frame, caption and menu bar of a main window.
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = MainWindow != nullptr ? MonitorFromWindow(MainWindow, MONITOR_DEFAULTTONEAREST)
                                                   : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (monitor != nullptr && GetMonitorInfoA(monitor, &info)) work = info.rcWork;
    const SIZE frame = outerSize(MainWindowStyle, true, 0, 0);
    width = std::max<LONG>(work.right - work.left - frame.cx, 0);
    height = std::max<LONG>(work.bottom - work.top - frame.cy, 0);
}

MenuHandle createMenuBar() {
    const MenuHandle bar = addMenu(CreateMenu());
    if (bar != 0) LastBar = bar;
    return bar;
}

MenuHandle createPopupMenu() { return addMenu(CreatePopupMenu()); }

void appendMenuItem(MenuHandle menu, int commandId, const std::string& text, const std::string& keyText) {
    const HMENU handle = menuOf(menu);
    // A tab puts the key at the right edge of the menu, where Windows shows keys.
    const std::string label = keyText.empty() ? text : text + "\t" + keyText;
    if (handle != nullptr) AppendMenuA(handle, MF_STRING, static_cast<UINT_PTR>(commandId), label.c_str());
    if (menu == AttachedBar && MainWindow != nullptr) DrawMenuBar(MainWindow);
}

void appendMenuPopup(MenuHandle menu, MenuHandle popup, const std::string& text) {
    const HMENU handle = menuOf(menu);
    const HMENU popupHandle = menuOf(popup);
    if (handle == nullptr || popupHandle == nullptr) return;
    if (AppendMenuA(handle, MF_POPUP, reinterpret_cast<UINT_PTR>(popupHandle), text.c_str())) {
        Parents[static_cast<size_t>(popup - 1)] = menu;
    }
    if (menu == AttachedBar && MainWindow != nullptr) DrawMenuBar(MainWindow);
}

void appendMenuSeparator(MenuHandle menu) {
    const HMENU handle = menuOf(menu);
    if (handle != nullptr) AppendMenuA(handle, MF_SEPARATOR, 0, nullptr);
}

void enableMenuItem(int commandId, bool enabled) {
    const HMENU bar = menuOf(AttachedBar != 0 ? AttachedBar : LastBar);
    if (bar == nullptr) return;
    EnableMenuItem(bar, static_cast<UINT>(commandId), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void checkMenuItem(int commandId, bool checked) {
    // By command identifier on the whole bar, so items in submenus are reached. The program
    // sets the first check marks before it attaches the bar: then the bar made last is meant.
    const HMENU bar = menuOf(AttachedBar != 0 ? AttachedBar : LastBar);
    if (bar == nullptr) return;
    CheckMenuItem(bar, static_cast<UINT>(commandId), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void attachMenuBar(MenuHandle bar) {
    const HMENU handle = menuOf(bar);
    if (handle == nullptr || MainWindow == nullptr) return;
    SetMenu(MainWindow, handle);
    DrawMenuBar(MainWindow);
    AttachedBar = bar;
    fitClientArea(MainWindow, MainCanvas);  // the menu bar took its rows from the client area
}

void destroyMenuBar(MenuHandle bar) {
    const HMENU handle = menuOf(bar);
    if (handle == nullptr) return;
    if (AttachedBar == bar) {
        if (MainWindow != nullptr) {
            SetMenu(MainWindow, nullptr);
            DrawMenuBar(MainWindow);
        }
        AttachedBar = 0;
    }
    if (LastBar == bar) LastBar = 0;
    DestroyMenu(handle);
    forgetMenu(bar, 0);
}

// ---- msgwindow.h

Canvas& openMessageWindow(const std::string& caption, int width, int height) {
    MessageCanvas.resize(std::max(width, 1), std::max(height, 1));
    if (MessageWindow == nullptr) {
        if (!registerClass()) {
            reportLastError("The message window could not be opened.");
            return MessageCanvas;
        }
        // Owned by the main window (when there is one): it stays in front of it and has no
        // button of its own on the task bar.
        const SIZE outer = outerSize(MessageWindowStyle, false, zoomedLength(MessageCanvas.width(), Zoom),
                                     zoomedLength(MessageCanvas.height(), Zoom));
        MessageWindow = CreateWindowExA(0, WindowClassName, caption.c_str(), MessageWindowStyle, MessageWindowX,
                                        MessageWindowY, outer.cx, outer.cy, MainWindow, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
        if (MessageWindow == nullptr) {
            reportLastError("The message window could not be opened.");
            return MessageCanvas;
        }
        // The main window takes no clicks or menu picks while a message waits.
        if (MainWindow != nullptr) EnableWindow(MainWindow, FALSE);
        ShowWindow(MessageWindow, SW_SHOW);
    } else {
        SetWindowTextA(MessageWindow, caption.c_str());
    }
    fitClientArea(MessageWindow, MessageCanvas);
    InvalidateRect(MessageWindow, nullptr, FALSE);
    SetForegroundWindow(MessageWindow);
    SetFocus(MessageWindow);
    return MessageCanvas;
}

void presentMessageWindow() {
    if (MessageWindow == nullptr) {
        int x, y, w, h;
        MessageCanvas.takeDamage(x, y, w, h);
        return;
    }
    presentCanvas(MessageWindow, MessageCanvas);
}

void closeMessageWindow() {
    if (MessageWindow == nullptr) return;
    const bool hadFront = GetForegroundWindow() == MessageWindow;
    // The owner is enabled again before its owned window goes, else Windows activates some
    // other program's window in the moment between.
    if (MainWindow != nullptr) EnableWindow(MainWindow, TRUE);
    const HWND window = MessageWindow;
    MessageWindow = nullptr;
    DestroyWindow(window);
    if (hadFront && MainWindow != nullptr) SetForegroundWindow(MainWindow);
}
