// win32_textview.cpp - the text window on plain Win32: a top-level window of its own class
// whose client area is a read-only multi-line EDIT control in the fixed-width system font.
//
// One window serves every call: it is made on first use and kept; a later call puts the new
// caption and text into it and shows it again. It is not owned by the main window (closing
// the main window must not destroy it behind our back) and not modal; its window procedure
// makes no Events, so the program learns of it only through foregroundWindow ("another
// window" while it is in front). Its close button only hides it.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/textview.h"
#include "platform/win32/win32_state.h"

namespace {

constexpr const char* TextWindowClassName = "KorvatoneTextView";
constexpr DWORD TextWindowStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD EditStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                            ES_AUTOVSCROLL | ES_AUTOHSCROLL;
// What the window is made to show without scrolling: lines of this many characters, this
// many of them (longer texts scroll).
constexpr int VisibleColumns = 60;
constexpr int VisibleRows = 30;

LRESULT CALLBACK textWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (ktwin::backend().TextEdit != nullptr)
            MoveWindow(ktwin::backend().TextEdit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        // The window itself has nothing to type into; the keys (scrolling, selecting,
        // Ctrl+C) are the edit control's.
        if (ktwin::backend().TextEdit != nullptr) SetFocus(ktwin::backend().TextEdit);
        return 0;
    case WM_CLOSE:
        // DefWindowProc would destroy the window; it is only put away until the next text.
        // Windows activates the window behind it (the main window, normally).
        ShowWindow(window, SW_HIDE);
        return 0;
    case WM_DESTROY:
        // Nothing here destroys the window; should it happen all the same, the next text
        // makes a new one.
        ktwin::backend().TextWindow = nullptr;
        ktwin::backend().TextEdit = nullptr;
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool registerTextClass() {
    if (ktwin::backend().TextClassRegistered) return true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = textWindowProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = TextWindowClassName;
    ktwin::backend().TextClassRegistered = RegisterClassA(&wc) != 0;
    return ktwin::backend().TextClassRegistered;
}

bool makeTextWindow() {
    if (!registerTextClass()) return false;
    HFONT font = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));

    // The client area is sized for the text in the font it is shown in.
    int columnWidth = 8, rowHeight = 16;
    if (HDC dc = GetDC(nullptr)) {
        HGDIOBJ previous = SelectObject(dc, font);
        TEXTMETRICA metrics{};
        if (GetTextMetricsA(dc, &metrics)) {
            columnWidth = metrics.tmAveCharWidth;
            rowHeight = metrics.tmHeight + metrics.tmExternalLeading;
        }
        SelectObject(dc, previous);
        ReleaseDC(nullptr, dc);
    }
    // The edit control's own border and margins, a few pixels each side, and its scroll
    // bars.
    RECT frame{0, 0, VisibleColumns * columnWidth + 2 * 8 + GetSystemMetrics(SM_CXVSCROLL),
               VisibleRows * rowHeight + 2 * 4 + GetSystemMetrics(SM_CYHSCROLL)};
    AdjustWindowRectEx(&frame, TextWindowStyle, FALSE, 0);

    ktwin::backend().TextWindow = CreateWindowExA(0, TextWindowClassName, "", TextWindowStyle, CW_USEDEFAULT,
                                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (ktwin::backend().TextWindow == nullptr) return false;
    RECT client{};
    GetClientRect(ktwin::backend().TextWindow, &client);
    ktwin::backend().TextEdit =
        CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", EditStyle, 0, 0, client.right, client.bottom,
                        ktwin::backend().TextWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (ktwin::backend().TextEdit == nullptr) {
        DestroyWindow(ktwin::backend().TextWindow);
        ktwin::backend().TextWindow = nullptr;
        return false;
    }
    SendMessageA(ktwin::backend().TextEdit, WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(TRUE, 0));
    return true;
}

}  // namespace

// ---- textview.h

void showTextView(const std::string& title, const std::vector<std::string>& lines) {
    if (ktwin::backend().TextWindow == nullptr && !makeTextWindow()) return;

    // A multi-line edit control breaks lines only at "\r\n"; a lone "\n" shows as a box.
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines[i];
    }
    SetWindowTextA(ktwin::backend().TextWindow, title.c_str());
    // WM_SETTEXT is not held to the edit control's limit for typed text (32767 characters).
    SetWindowTextA(ktwin::backend().TextEdit, text.c_str());
    // A new text is read from its beginning, wherever the last one was scrolled to; nothing
    // of it is selected.
    SendMessageA(ktwin::backend().TextEdit, EM_SETSEL, 0, 0);
    SendMessageA(ktwin::backend().TextEdit, EM_SCROLLCARET, 0, 0);

    // SW_SHOWNORMAL also brings the window back from the task bar if it was minimised.
    ShowWindow(ktwin::backend().TextWindow, SW_SHOWNORMAL);
    SetForegroundWindow(ktwin::backend().TextWindow);
}
