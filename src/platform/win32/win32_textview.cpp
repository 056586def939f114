// win32_textview.cpp - the text windows on plain Win32: top-level windows of one class whose
// client area is a read-only multi-line EDIT control in the fixed-width system font. Both are
// made alike by makeTextWindow, on first use, and kept; their close buttons only hide them.
//
// The static view: each showTextView puts the new caption and text into its window and shows
// it again.
//
// The live view: appendTextView only queues the lines (livetext.h, bounded like the view) and
// sets a timer of a tenth of a second (longer after a slow update) on the live window; its
// WM_TIMER, dispatched by the program's waits like any other message, hands everything queued
// to the edit control in one go and kills the timer. So a flood of lines costs a copy each, and the window is updated at
// most ten times a second. The control keeps the last LiveTextViewLines lines, trimmed from
// the start.
//
// Neither window is owned by the main window (closing the main window must not destroy them
// behind our back) or modal; their window procedure makes no Events, so the program learns
// of them only through foregroundWindow ("another window" while one is in front).
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/announce.h"
#include "platform/livetext.h"
#include "platform/textview.h"
#include "platform/win32/win32_state.h"

namespace {

constexpr const char* TextWindowClassName = "KorvatoneTextView";
constexpr DWORD TextWindowStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD EditStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                            ES_AUTOVSCROLL | ES_AUTOHSCROLL;
// What a window is made to show without scrolling: lines of this many characters, this
// many of them (longer texts scroll).
constexpr int VisibleColumns = 60;
constexpr int VisibleRows = 30;

// The live window's timer: it takes the queued lines (livetext.h says when).
constexpr UINT_PTR LiveTimerId = 1;

ktwin::TextWindow* textWindowOf(HWND window) {
    ktwin::Backend& b = ktwin::backend();
    if (window == b.StaticText.Window) return &b.StaticText;
    if (window == b.LiveText.Window) return &b.LiveText;
    return nullptr;  // one being made: CreateWindowEx has not returned its handle yet
}

LRESULT sendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(window, message, wParam, lParam);
}

// Hands the queued lines to the live window: its edit control gets them at its end and loses
// its oldest lines past LiveTextViewLines. The view follows the newest line if it showed the
// end before; a user who scrolled away to read keeps the place, and a selection stays on its
// text while that is held.
void takePendingLines() {
    ktwin::Backend& b = ktwin::backend();
    LiveLines& live = b.Live;
    if (live.taking || !live.open || b.LiveText.Edit == nullptr || live.pending.empty()) return;
    live.taking = true;
    const HWND edit = b.LiveText.Edit;

    RECT area{};
    sendTo(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    const int rows = std::max(1, static_cast<int>(area.bottom - area.top) / std::max(1, b.LiveText.RowHeight));
    const int top = static_cast<int>(sendTo(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    const bool showsEnd = top + rows >= static_cast<int>(sendTo(edit, EM_GETLINECOUNT, 0, 0));
    DWORD selectionStart = 0, selectionEnd = 0;
    sendTo(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart), reinterpret_cast<LPARAM>(&selectionEnd));

    // The control is changed in a few steps; it is drawn once, after the last. A lone "\r"
    // or "\n" would show as a box: lines are joined by "\r\n".
    sendTo(edit, WM_SETREDRAW, FALSE, 0);
    const std::size_t heldBefore = live.held;
    const LiveTake take = takeLiveLines(live, "\r\n");
    std::size_t dropped = 0;   // lines gone from the start
    DWORD droppedChars = 0;    // and their characters
    if (take.replace) {
        dropped = heldBefore;
        droppedChars = static_cast<DWORD>(GetWindowTextLengthA(edit));
        SetWindowTextA(edit, take.text.c_str());
    } else {
        if (take.dropped > 0) {
            dropped = take.dropped;
            droppedChars = static_cast<DWORD>(sendTo(edit, EM_LINEINDEX, dropped, 0));
            sendTo(edit, EM_SETSEL, 0, droppedChars);
            sendTo(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
        }
        const int length = GetWindowTextLengthA(edit);
        sendTo(edit, EM_SETSEL, length, length);
        sendTo(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(take.text.c_str()));
    }

    // Appending moved the caret to the end and scrolled to it, sideways too if the last line
    // is long: the view goes back to the left edge, the selection and the place come back
    // (the place moved up by the lines dropped), or the view shows the last lines.
    const LRESULT lastLineStart = sendTo(edit, EM_LINEINDEX, static_cast<WPARAM>(-1), 0);
    sendTo(edit, EM_SETSEL, lastLineStart, lastLineStart);
    sendTo(edit, EM_SCROLLCARET, 0, 0);
    const DWORD newStart = selectionStart > droppedChars ? selectionStart - droppedChars : 0;
    const DWORD newEnd = selectionEnd > droppedChars ? selectionEnd - droppedChars : 0;
    sendTo(edit, EM_SETSEL, newStart, newEnd);
    const int lines = static_cast<int>(sendTo(edit, EM_GETLINECOUNT, 0, 0));
    const int wantedTop = showsEnd ? std::max(0, lines - rows) : std::max(0, top - static_cast<int>(dropped));
    const int nowTop = static_cast<int>(sendTo(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    if (nowTop != wantedTop) sendTo(edit, EM_LINESCROLL, 0, wantedTop - nowTop);
    sendTo(edit, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(edit, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);

    live.taking = false;
    announce(Announcement::LiveTextShown, {live.title, live.lastLine}, static_cast<int>(live.held));
}

LRESULT CALLBACK textWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ktwin::TextWindow* text = textWindowOf(window);
    const bool live = text == &ktwin::backend().LiveText;
    switch (message) {
    case WM_SIZE:
        if (text != nullptr && text->Edit != nullptr) MoveWindow(text->Edit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        // The window itself has nothing to type into; the keys (scrolling, selecting,
        // Ctrl+C) are the edit control's.
        if (text != nullptr && text->Edit != nullptr) SetFocus(text->Edit);
        return 0;
    case WM_TIMER:
        if (live && wParam == LiveTimerId) {
            KillTimer(window, LiveTimerId);
            ktwin::backend().Live.timerArmed = false;
            const DWORD start = GetTickCount();
            takePendingLines();
            liveTookMs(ktwin::backend().Live, GetTickCount() - start);
            return 0;
        }
        break;
    case WM_CLOSE:
        // DefWindowProc would destroy the window; it is only put away until the next text.
        // Windows activates the window behind it (the main window, normally). The live view
        // closes as closeTextView closes it; the program sees it through liveTextViewOpen.
        if (live) {
            closeTextView();
        } else {
            ShowWindow(window, SW_HIDE);
        }
        return 0;
    case WM_DESTROY:
        // Nothing here destroys the windows; should it happen all the same, the next text
        // makes a new one.
        if (text != nullptr) *text = ktwin::TextWindow{};
        if (live) {
            closeLiveLines(ktwin::backend().Live);
            ktwin::backend().Live.timerArmed = false;  // timers go with their window
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
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

// Makes a text window, hidden, into `made`; false (and `made` left empty) if that fails.
bool makeTextWindow(ktwin::TextWindow& made) {
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

    const HWND window =
        CreateWindowExA(0, TextWindowClassName, "", TextWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) return false;
    RECT client{};
    GetClientRect(window, &client);
    const HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", EditStyle, 0, 0, client.right, client.bottom,
                                      window, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (edit == nullptr) {
        DestroyWindow(window);
        return false;
    }
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(TRUE, 0));
    made.Window = window;
    made.Edit = edit;
    made.RowHeight = rowHeight;
    return true;
}

// Shows a text window in front; SW_SHOWNORMAL also brings it back from the task bar if it was
// minimised.
void showInFront(const ktwin::TextWindow& text) {
    ShowWindow(text.Window, SW_SHOWNORMAL);
    SetForegroundWindow(text.Window);
}

}  // namespace

// ---- textview.h

void showTextView(const std::string& title, const std::vector<std::string>& lines) {
    ktwin::TextWindow& view = ktwin::backend().StaticText;
    if (view.Window == nullptr && !makeTextWindow(view)) return;

    // A multi-line edit control breaks lines only at "\r\n"; a lone "\n" shows as a box.
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines[i];
    }
    SetWindowTextA(view.Window, title.c_str());
    // WM_SETTEXT is not held to the edit control's limit for typed text (32767 characters).
    SetWindowTextA(view.Edit, text.c_str());
    // A new text is read from its beginning, wherever the last one was scrolled to; nothing
    // of it is selected.
    SendMessageA(view.Edit, EM_SETSEL, 0, 0);
    SendMessageA(view.Edit, EM_SCROLLCARET, 0, 0);
    showInFront(view);
}

void appendTextView(const std::string& title, const std::vector<std::string>& lines) {
    ktwin::Backend& b = ktwin::backend();
    if (!b.Live.open) {
        if (b.LiveText.Window == nullptr) {
            if (!makeTextWindow(b.LiveText)) return;
            // The live view appends with EM_REPLACESEL, which is held to the limit: 10,000
            // lines are far more than the 32,767 characters it starts with. Zero is the most
            // a multi-line control can take.
            SendMessageA(b.LiveText.Edit, EM_SETLIMITTEXT, 0, 0);
        }
        openLiveLines(b.Live, title);
        SetWindowTextA(b.LiveText.Window, title.c_str());
        SetWindowTextA(b.LiveText.Edit, "");
        showInFront(b.LiveText);
    }
    if (queueLiveLines(b.Live, lines)) {
        b.Live.timerArmed = SetTimer(b.LiveText.Window, LiveTimerId, b.Live.delayMs, nullptr) != 0;
    }
}

bool liveTextViewOpen() { return ktwin::backend().Live.open; }

void closeTextView() {
    ktwin::Backend& b = ktwin::backend();
    if (b.Live.timerArmed) {
        KillTimer(b.LiveText.Window, LiveTimerId);
        b.Live.timerArmed = false;
    }
    closeLiveLines(b.Live);
    if (b.LiveText.Window != nullptr) {
        // The lines go now, not when the window opens again: they are 10,000 lines of memory.
        SetWindowTextA(b.LiveText.Edit, "");
        ShowWindow(b.LiveText.Window, SW_HIDE);
    }
}
