// fltk_window.cpp - the main window with its menu bar and panel, the menus, and the message
// window, on FLTK 1.3.
//
// Both windows show a Canvas that the portable code draws into; a CanvasView widget copies
// it to the screen with fl_draw_image, only the part that is damaged or exposed. The main
// window is the menu bar (menuBarHeight() high, its text at the zoom) above the panel, which
// is exactly the size the program asked for at the zoom; all coordinates the program sees are
// panel coordinates.
//
// Everything a window does for the program becomes an Event in the queue: the close button
// (CloseRequested; the window stays open), menu picks (Command), keys (Key, KeyUp), the mouse over
// the panel or the message window (MouseButton), minimising and restoring (WindowMoved to
// the minimised position, WindowRestored), moves (WindowMoved).
#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
// Xlib (FL/x.H, also under fl_draw.H) defines None as a macro; EventKind has a None too.
#undef None

#include <algorithm>
#include <cerrno>  // program_invocation_short_name
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <cctype>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/fltk/fltk_state.h"
#include "platform/input.h"
#include "platform/msgwindow.h"
#include "platform/toolrecords.h"
#include "platform/toolwindow.h"
#include "platform/window.h"
#include "platform/zoomscale.h"

namespace ktfltk {

namespace {

// How long openMainWindow waits for the window to appear on the screen before the program
// goes on (a window manager may keep a window off screen, on another desktop).
constexpr double FirstExposeWaitSeconds = 1.0;

// What a title bar and frame of the window manager take, at most, besides the menu bar: FLTK
// learns the real size only once a window is shown.
constexpr int FrameAllowance = 40;

// The buttons of the current mouse event: FLTK's event state has them after the event
// (a press included, a release excluded).
int buttonsOfEvent() {
    const int state = Fl::event_state();
    return ((state & FL_BUTTON1) ? 1 : 0) | ((state & FL_BUTTON3) ? 2 : 0);
}

void queueKey(EventKind kind, int code, int window, bool repeat = false) {
    Event e;
    e.kind = kind;
    e.window = window;
    e.key = code;
    e.repeat = repeat;
    e.ctrl = Fl::event_state(FL_CTRL) != 0;
    e.shift = Fl::event_state(FL_SHIFT) != 0;
    queueEvent(e);
}

void queueMouse(int x, int y, int buttons, bool doubleClick, int window) {
    Event e;
    e.kind = EventKind::MouseButton;
    e.window = window;
    e.x = x;
    e.y = y;
    e.buttons = buttons;
    e.doubleClick = doubleClick;
    queueEvent(e);
}

// Turns the current key event into a Key event. Keys with Alt are left to the menu bar
// (Alt+F opens the File menu by its "&F"), and keys that type nothing are not keys to the
// program. `window`: the window the key is for (its number in Event::window).
// A press of a key already down is the system repeating it.
bool takeKey(int window) {
    if (Fl::event_state(FL_ALT)) return false;
    const int code = keyCodeOfEvent();
    if (code < 0) return false;
    const auto [held, pressed] = backend().HeldKeys.emplace(Fl::event_key(), code);
    queueKey(EventKind::Key, held->second, window, !pressed);
    return true;
}

// Turns the current key release into a KeyUp event with the code of the key's press; a key
// whose press the program never had gives none. X11's auto-repeat may send a release before
// each repeated press (FLTK drops it only when the press is already queued): a key the server
// still has down is not released.
bool takeKeyUp(int window) {
    const auto held = backend().HeldKeys.find(Fl::event_key());
    if (held == backend().HeldKeys.end()) return false;
    if (Fl::get_key(held->first)) return true;
    queueKey(EventKind::KeyUp, held->second, window);
    backend().HeldKeys.erase(held);
    return true;
}

}  // namespace

bool takeLeftPress(const void* view, uint32_t time, int x, int y) {
    LeftPress& last = backend().LastLeftPress;
    const bool second = last.view == view && time - last.time <= backend().DoubleClickMs &&
                        std::abs(x - last.x) <= DoubleClickDistance && std::abs(y - last.y) <= DoubleClickDistance;
    last = second ? LeftPress{} : LeftPress{view, time, x, y};
    return second;
}

void takeOtherPress() { backend().LastLeftPress = LeftPress{}; }

// The widgets of the two windows (named in fltk_state.h, so Backend can hold them).

// Shows a Canvas at the zoom and turns the mouse over it into MouseButton events. `Role` says
// which window it is in: the main window's panel and a tool window's view report their own
// coordinates, the message window's view reports the pointer in panel coordinates of the
// main window (the one coordinate system of the portable code); all scaled back from the
// zoom. A tool window's events carry its number (`window`), the others' MainWindowId.
class CanvasView : public Fl_Widget {
public:
    enum Role { Panel, Message, Tool };

    CanvasView(int x, int y, int w, int h, Canvas& canvas, Role role, int window = MainWindowId)
        : Fl_Widget(x, y, w, h), TheCanvas(canvas), TheRole(role), Window(window) {}

    bool drawnOnce() const { return DrawnOnce; }
    // The window is about to be shown again: drawnOnce waits for its next first drawing.
    void forgetDrawn() { DrawnOnce = false; }

    // Shows the canvas's damaged rectangle now.
    void present() {
        int dx = 0, dy = 0, dw = 0, dh = 0;
        if (!TheCanvas.takeDamage(dx, dy, dw, dh)) return;
        zoomedRect(dx, dy, dw, dh, backend().Zoom);
        damage(FL_DAMAGE_USER1, x() + dx, y() + dy, dw, dh);
        Fl::flush();
    }

    void draw() override {
        DrawnOnce = true;
        // Only what the clip region (the exposed or damaged part) needs, straight from the
        // canvas rows: the line delta lets fl_draw_image take a sub-rectangle in place.
        int cx = 0, cy = 0, cw = 0, ch = 0;
        const int shownW = zoomedLength(TheCanvas.width(), backend().Zoom),
                  shownH = zoomedLength(TheCanvas.height(), backend().Zoom);
        fl_clip_box(x(), y(), std::min(w(), shownW), std::min(h(), shownH), cx, cy, cw, ch);
        if (cw <= 0 || ch <= 0) return;
        const int left = cx - x(), top = cy - y();
        if (backend().Zoom == 100) {
            const int stride = TheCanvas.width() * 3;
            fl_draw_image(TheCanvas.data() + static_cast<size_t>(top) * stride + static_cast<size_t>(left) * 3, cx, cy,
                          cw, ch, 3, stride);
            return;
        }
        // FLTK 1.3 draws images unscaled: the zoomed rectangle is made first.
        const size_t stride = static_cast<size_t>(cw) * 3;
        backend().ZoomScratch.resize(stride * static_cast<size_t>(ch));
        zoomRegion(TheCanvas, backend().Zoom, left, top, cw, ch, backend().ZoomScratch.data(), stride);
        fl_draw_image(backend().ZoomScratch.data(), cx, cy, cw, ch, 3, static_cast<int>(stride));
    }

    int handle(int event) override {
        switch (event) {
        case FL_ENTER:
            reportMouse();
            return 1;  // taking FL_ENTER is what brings FL_MOVE
        case FL_LEAVE:
            notePointer();
            return 1;
        case FL_MOVE:
            // A button the panel never saw released (the press went to another program)
            // is over once the pointer moves with no button down.
            setButtons(buttonsOfEvent());
            reportMouse();
            return 1;
        case FL_PUSH:
        case FL_DRAG:
        case FL_RELEASE:
            // FLTK sends the drag and the release to the widget that took the press, also
            // when the pointer is outside the window by then.
            if (event == FL_PUSH && Fl::focus() != this) take_focus();
            setButtons(buttonsOfEvent());
            // FLTK forgets the pushed widget at the first release; with the other button
            // still down, the rest of the gesture (drags, the last release, perhaps outside
            // the window) must still come here.
            if (event == FL_RELEASE && buttons() != 0) Fl::pushed(this);
            reportMouse(event == FL_PUSH && doubleClickOfPress());
            return 1;
        case FL_MOUSEWHEEL: {
            if (TheRole == Message || Fl::event_dy() == 0) return 1;
            notePointer();
            Event e;
            e.kind = EventKind::Wheel;
            e.window = Window;
            pointer(e.x, e.y);
            e.notches = -Fl::event_dy();  // FLTK counts towards the user as positive
            e.shift = Fl::event_state(FL_SHIFT) != 0;
            queueEvent(e);
            return 1;
        }
        case FL_FOCUS:
            return 1;  // the view takes the keyboard focus, so the keys come here
        case FL_UNFOCUS:
            // The releases of the keys down now go elsewhere: their next presses are new.
            backend().HeldKeys.clear();
            return 1;
        case FL_KEYUP:
            takeKeyUp(Window);
            return 1;
        case FL_KEYBOARD:
            // Alt+letter goes on to the menu bar. Every other key stays here, also one that
            // types nothing: FLTK would move the focus away with arrows and Tab.
            if (Fl::event_state(FL_ALT)) return 0;
            takeKey(Window);
            return 1;
        default:
            return Fl_Widget::handle(event);
        }
    }

private:
    // The press just taken: whether it is the second of a double click. FLTK's own count of
    // clicks allows a second (and 3 pixels of Manhattan distance): the desktop's time and
    // distance are told here, from the press's X time (fl_event_time), so that presses the
    // program takes late, after a long wait, keep the time apart they had.
    bool doubleClickOfPress() {
        if (Fl::event_button() != FL_LEFT_MOUSE) {
            takeOtherPress();
            return false;
        }
        return takeLeftPress(this, static_cast<uint32_t>(fl_event_time), Fl::event_x_root(), Fl::event_y_root());
    }

    void notePointer() {
        int px = Fl::event_x() - x(), py = Fl::event_y() - y();
        if (TheRole == Message && mainWindow() != nullptr) {
            // From the screen position: the message window is another top-level window.
            px = Fl::event_x_root() - mainWindow()->x();
            py = Fl::event_y_root() - mainWindow()->y() - menuBarHeight();
        }
        setPointer(unzoomed(px, backend().Zoom), unzoomed(py, backend().Zoom));
    }

    void reportMouse(bool doubleClick = false) {
        notePointer();
        int px = 0, py = 0;
        pointer(px, py);
        queueMouse(px, py, buttons(), doubleClick, Window);
    }

    Canvas& TheCanvas;
    Role TheRole;
    int Window;
    bool DrawnOnce = false;
};

// A top-level window that reports keys its widgets left alone, and whose close button and
// Escape key do not close it: FLTK's default callback hides a window for both.
// `Window`: the number its keys carry (a tool window's; MainWindowId for the others).
class ProgramWindow : public Fl_Window {
public:
    ProgramWindow(int x, int y, int w, int h, const char* label) : Fl_Window(x, y, w, h, label) {}

    int Window = MainWindowId;

    int handle(int event) override {
        switch (event) {
        case FL_KEYBOARD:
            if (takeKey(Window)) return 1;
            break;
        case FL_KEYUP:
            if (takeKeyUp(Window)) return 1;
            break;
        case FL_SHORTCUT: {
            // A key nobody in the focus chain took comes back as a shortcut, offered to
            // every window: the menu bar's Alt+letter first. With no focus widget at all (the
            // keyboard focus arrived without a focus event) it is still a key for the program,
            // taken by the window in front only.
            if (Fl_Window::handle(event)) return 1;
            Fl_Window* front = Fl::modal() != nullptr ? Fl::modal() : Fl::first_window();
            if (Fl::focus() == nullptr && front == this && takeKey(Window)) return 1;
            return 0;
        }
        default:
            break;
        }
        return Fl_Window::handle(event);
    }
};

// The main window: notices minimising (FLTK's FL_HIDE on the unmap of an iconified window),
// restoring (FL_SHOW when it is mapped again) and moves (FLTK calls resize with the position
// the window system reports).
class MainWindowWidget : public ProgramWindow {
public:
    using ProgramWindow::ProgramWindow;

    bool Closing = false;
    bool Minimised = false;

    int handle(int event) override {
        if (event == FL_HIDE && !Closing && !Minimised && shown()) {
            Minimised = true;
            Event e;
            e.kind = EventKind::WindowMoved;
            e.x = MinimisedPosition;
            e.y = MinimisedPosition;
            queueEvent(e);
        } else if (event == FL_SHOW && Minimised) {
            Minimised = false;
            Event e;
            e.kind = EventKind::WindowRestored;
            queueEvent(e);
        }
        return ProgramWindow::handle(event);
    }

    // FL_DAMAGE_EXPOSE comes only from the window system (the window appeared or something
    // in front of it went away). The backend redraws from the canvas at once; the program
    // hears of it too (Repaint), as it does on other systems, and draws its panel afresh.
    void flush() override {
        if ((damage() & FL_DAMAGE_EXPOSE) != 0 && !Closing) requestRepaint();
        ProgramWindow::flush();
    }

    void resize(int x, int y, int w, int h) override {
        const bool moved = shown() && (x != this->x() || y != this->y());
        ProgramWindow::resize(x, y, w, h);
        if (moved && !Minimised && !Closing) {
            Event e;
            e.kind = EventKind::WindowMoved;
            e.x = x;
            e.y = y + menuBarHeight();  // the panel's top-left corner on the screen
            queueEvent(e);
        }
    }
};

namespace {

void mainWindowCallback(Fl_Widget*, void*) {
    // Escape arrives here as an unused shortcut; it closes nothing.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    Event e;
    e.kind = EventKind::CloseRequested;
    queueEvent(e);
}

void messageWindowCallback(Fl_Widget*, void*) {
    // The message window goes away only when the program has its answer (a key or a click).
}

// A tool window's close button hides it, and the program hears of it. Escape, which FLTK
// also sends here, is a key for the program (the view has taken it) and closes nothing.
void toolWindowCallback(Fl_Widget* widget, void*) {
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    auto* window = static_cast<ProgramWindow*>(widget);
    window->hide();
    Event e;
    e.kind = EventKind::ToolWindowHidden;
    e.window = window->Window;
    queueEvent(e);
}

// ---- the menus: the program's tree of records, turned into an Fl_Menu_Item array for the
// menu bar whenever it is attached or a check mark changes.

bool isChecked(int commandId) {
    auto it = backend().Checks.find(commandId);
    return it != backend().Checks.end() && it->second;
}

const char* keepLabel(const std::string& text) {
    // "&" marks the mnemonic in FLTK as it does elsewhere. A label starting with "@" would be
    // drawn as an FLTK symbol; "@@" is a plain "@".
    backend().MenuLabels.push_back(!text.empty() && text[0] == '@' ? "@" + text : text);
    return backend().MenuLabels.back().c_str();
}

// FLTK's shortcut for a key text such as "Ctrl+Z", "Ctrl+Shift+Z", "Ctrl+Plus" or "Right".
int shortcutOf(const std::string& keyText) {
    int modifiers = 0;
    std::string rest = keyText;
    for (const auto& [prefix, flag] : {std::pair<const char*, int>{"Ctrl+", FL_CTRL}, {"Shift+", FL_SHIFT}}) {
        if (rest.rfind(prefix, 0) == 0) {
            modifiers |= flag;
            rest.erase(0, std::string(prefix).size());
        }
    }
    static const std::pair<const char*, int> Named[] = {{"Right", FL_Right}, {"Left", FL_Left}, {"Up", FL_Up},
                                                        {"Down", FL_Down},   {"Plus", '+'},     {"Minus", '-'}};
    for (const auto& [name, key] : Named) {
        if (rest == name) return modifiers | key;
    }
    if (rest.size() == 1) return modifiers | std::tolower(static_cast<unsigned char>(rest[0]));
    return 0;
}

void menuPicked(Fl_Widget* widget, void* data) {
    const int commandId = static_cast<int>(reinterpret_cast<intptr_t>(data));
    // FLTK has already flipped a check box it drew; whether it is checked is the program's
    // business (checkMenuItem), so it goes back to what the program said.
    auto* menu = static_cast<Fl_Menu_*>(widget);
    auto* item = const_cast<Fl_Menu_Item*>(menu->mvalue());
    if (item != nullptr && (item->flags & FL_MENU_TOGGLE) != 0) {
        if (isChecked(commandId)) {
            item->flags |= FL_MENU_VALUE;
        } else {
            item->flags &= ~FL_MENU_VALUE;
        }
    }
    Event e;
    e.kind = EventKind::Command;
    e.command = commandId;
    queueEvent(e);
}

void appendEntries(std::vector<Fl_Menu_Item>& out, MenuHandle menu, int depth) {
    auto found = backend().Menus.find(menu);
    if (found == backend().Menus.end() || depth > 16) return;
    const std::vector<MenuEntry>& entries = found->second;
    long last = -1;  // the last item of this level, which carries a separator after it
    for (const MenuEntry& entry : entries) {
        Fl_Menu_Item item{};
        switch (entry.kind) {
        case MenuEntry::Separator:
            if (last >= 0) out[static_cast<size_t>(last)].flags |= FL_MENU_DIVIDER;
            continue;
        case MenuEntry::Item:
            item.text = keepLabel(entry.text);
            item.callback_ = menuPicked;
            item.user_data_ = reinterpret_cast<void*>(static_cast<intptr_t>(entry.commandId));
            // The kind the item was made with decides the box, never what was checked so
            // far: a plain item beside a check item (Rescan Devices beside MIDI Learn) stays
            // plain however often the bar is made again.
            if (entry.check) item.flags = FL_MENU_TOGGLE | (isChecked(entry.commandId) ? FL_MENU_VALUE : 0);
            if (backend().Greyed.count(entry.commandId) != 0) item.flags |= FL_MENU_INACTIVE;
            // The key is shown beside the item; the panel takes the key itself first, and
            // when the menu gets it instead the item's command arrives, never both.
            item.shortcut_ = shortcutOf(entry.keyText);
            last = static_cast<long>(out.size());
            out.push_back(item);
            break;
        case MenuEntry::Popup:
            item.text = keepLabel(entry.text);
            item.flags = FL_SUBMENU;
            last = static_cast<long>(out.size());
            out.push_back(item);
            appendEntries(out, entry.popup, depth + 1);
            out.push_back(Fl_Menu_Item{});  // end of the submenu
            break;
        }
    }
}

void rebuildMenuBar() {
    if (backend().TheMenuBar == nullptr) return;
    std::vector<Fl_Menu_Item> items;
    std::deque<std::string> labels;
    // The new labels go into a fresh store; the old array stays valid until it is replaced.
    std::swap(labels, backend().MenuLabels);
    if (backend().AttachedBar != 0) appendEntries(items, backend().AttachedBar, 0);
    items.push_back(Fl_Menu_Item{});  // end of the menu bar
    backend().TheMenuBar->menu(items.size() > 1 ? items.data() : nullptr);
    backend().MenuItems.swap(items);
    backend().TheMenuBar->redraw();
}

void eraseMenu(MenuHandle menu, int depth) {
    auto found = backend().Menus.find(menu);
    if (found == backend().Menus.end() || depth > 16) return;
    std::vector<MenuEntry> entries = std::move(found->second);
    backend().Menus.erase(found);
    for (const MenuEntry& entry : entries) {
        if (entry.kind == MenuEntry::Popup) eraseMenu(entry.popup, depth + 1);
    }
}

bool menuContains(MenuHandle menu, int commandId, int depth) {
    auto found = backend().Menus.find(menu);
    if (found == backend().Menus.end() || depth > 16) return false;
    for (const MenuEntry& entry : found->second) {
        if (entry.kind == MenuEntry::Item && entry.commandId == commandId) return true;
        if (entry.kind == MenuEntry::Popup && menuContains(entry.popup, commandId, depth + 1)) return true;
    }
    return false;
}

// Lets FLTK run until a freshly shown window has been drawn once, or the time is up.
void waitUntilDrawn(const CanvasView* view) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(FirstExposeWaitSeconds));
    while (!view->drawnOnce() && Clock::now() < end) pump(0.01);
}

// The menu bar and the menus it pulls down at the zoom: FLTK draws their items (the keys
// beside them and the check boxes too) in the bar's text size and makes them as high as that
// needs; the bar itself grows by the level.
void zoomMenuBar(Fl_Menu_Bar* menuBar, int width) {
    menuBar->textsize(static_cast<Fl_Fontsize>(zoomedLength(FL_NORMAL_SIZE, backend().Zoom)));
    menuBar->resize(0, 0, width, menuBarHeight());
}

// Gives a window of one canvas view the size of that canvas at the zoom (a fixed size), the
// menu bar above it in the main window.
void fitWindowToZoom(Fl_Window* window, Fl_Menu_Bar* menuBar, CanvasView* view, const Canvas& canvas) {
    if (window == nullptr || view == nullptr) return;
    const int top = menuBar != nullptr ? menuBarHeight() : 0;
    const int w = zoomedLength(canvas.width(), backend().Zoom), h = zoomedLength(canvas.height(), backend().Zoom);
    window->size_range(w, h + top, w, h + top);
    window->size(w, h + top);
    if (menuBar != nullptr) zoomMenuBar(menuBar, w);
    view->resize(0, top, w, h);
    window->redraw();
}

}  // namespace

int menuBarHeight() { return zoomedLength(MenuBarHeight, backend().Zoom); }

Fl_Window* mainWindow() { return backend().TheMainWindow; }
Fl_Window* messageWindow() { return backend().MessageOpen ? backend().TheMessageWindow : nullptr; }

void focusMainWindow() {
    if (backend().TheMainWindow != nullptr && backend().TheMainWindow->shown() && backend().ThePanel != nullptr)
        backend().ThePanel->take_focus();
}

int focusedToolWindow() {
    Fl_Widget* focus = Fl::focus();
    Fl_Window* top = focus != nullptr ? focus->top_window() : nullptr;
    if (top == nullptr) return 0;
    for (const ToolWindowRecord& tool : backend().Tools) {
        if (tool.Window == top) return tool.Window->Window;
    }
    return 0;
}

void hideWindows() {
    for (ToolWindowRecord& tool : backend().Tools) {
        if (tool.Window != nullptr) tool.Window->hide();
    }
    if (backend().TheMessageWindow != nullptr) backend().TheMessageWindow->hide();
    backend().MessageOpen = false;
    if (backend().TheMainWindow != nullptr) {
        backend().TheMainWindow->Closing = true;
        backend().TheMainWindow->hide();
    }
    Fl::flush();
}

}  // namespace ktfltk

using namespace ktfltk;

// ---- window.h

bool openMainWindow(int x, int y, int width, int height, const std::string& caption) {
    startFltk();
    if (!openDisplay()) return false;
    if (backend().TheMainWindow != nullptr) closeMainWindow();
    backend().HeldKeys.clear();  // a new window has seen no key pressed
    width = std::max(width, 1);
    height = std::max(height, 1);
    backend().MainCanvas.resize(width, height);
    backend().Zoom = 100;

    backend().TheMainWindow = new MainWindowWidget(x, y, width, height + MenuBarHeight, nullptr);
    backend().TheMainWindow->copy_label(caption.c_str());
    backend().TheMainWindow->callback(mainWindowCallback);
    backend().TheMenuBar = new Fl_Menu_Bar(0, 0, width, MenuBarHeight);
    backend().ThePanel = new CanvasView(0, MenuBarHeight, width, height, backend().MainCanvas, CanvasView::Panel);
    backend().TheMainWindow->end();
    // A fixed size: the panel is drawn for exactly this many pixels.
    backend().TheMainWindow->size_range(width, height + MenuBarHeight, width, height + MenuBarHeight);
    if (program_invocation_short_name != nullptr) backend().TheMainWindow->xclass(program_invocation_short_name);
    rebuildMenuBar();
    backend().TheMainWindow->show();
    if (!backend().TheMainWindow->shown()) {
        std::fprintf(stderr, "The window system did not open the main window.\n");
        delete backend().TheMainWindow;
        backend().TheMainWindow = nullptr;
        backend().TheMenuBar = nullptr;
        backend().ThePanel = nullptr;
        return false;
    }
    // A new window is the one in front, as the program expects right after opening it; the
    // focus events of the window system follow when they come.
    backend().ThePanel->take_focus();
    waitUntilDrawn(backend().ThePanel);
    return true;
}

void setMainWindowCaption(const std::string& caption) {
    if (backend().TheMainWindow != nullptr) backend().TheMainWindow->copy_label(caption.c_str());
}

Canvas& mainCanvas() { return backend().MainCanvas; }

// The strip is shown like the rest of the client area; only the simulation's snapshot,
// a record of the window, leaves it out.
void setMainWindowStrip(int /*height*/) {}

void presentMainWindow() {
    if (backend().ThePanel == nullptr) {
        int x, y, w, h;
        backend().MainCanvas.takeDamage(x, y, w, h);
        return;
    }
    backend().ThePanel->present();
}

void closeMainWindow() {
    for (ToolWindowRecord& tool : backend().Tools) {
        if (tool.Window != nullptr) tool.Window->hide();
    }
    if (backend().TheMessageWindow != nullptr) {
        backend().TheMessageWindow->hide();
        backend().MessageOpen = false;
    }
    if (backend().TheMainWindow == nullptr) return;
    backend().TheMainWindow->Closing = true;
    backend().TheMainWindow->hide();
    Fl::flush();
    // Deleting the window deletes its children; the menu bar's items are ours and stay valid.
    delete backend().TheMainWindow;
    backend().TheMainWindow = nullptr;
    backend().TheMenuBar = nullptr;
    backend().ThePanel = nullptr;
    setButtons(0);
}

void setWindowZoom(int percent) {
    if (percent == backend().Zoom) return;
    backend().Zoom = percent;
    fitWindowToZoom(backend().TheMainWindow, backend().TheMenuBar, backend().ThePanel, backend().MainCanvas);
    if (backend().MessageOpen)
        fitWindowToZoom(backend().TheMessageWindow, nullptr, backend().TheMessageView, backend().MessageCanvas);
    for (ToolWindowRecord& tool : backend().Tools) {
        if (tool.Window != nullptr && tool.Window->shown()) fitWindowToZoom(tool.Window, nullptr, tool.View, tool.Pixels);
    }
    Fl::flush();
}

int windowZoom() { return backend().Zoom; }

void clientAreaLimit(int& width, int& height, int percent) {
    width = 0;
    height = 0;
    startFltk();
    if (!openDisplay()) return;
    int x = 0, y = 0;
    Fl::screen_work_area(x, y, width, height, 0);
    width = std::max(width, 0);
    height = std::max(height - zoomedLength(MenuBarHeight, percent) - FrameAllowance, 0);
}

MenuHandle createMenuBar() {
    const MenuHandle handle = backend().NextMenu++;
    backend().Menus[handle];
    return handle;
}

MenuHandle createPopupMenu() { return createMenuBar(); }

void appendMenuItem(MenuHandle menu, int commandId, const std::string& text, const std::string& keyText,
                    MenuItemKind kind) {
    MenuEntry entry;
    entry.kind = MenuEntry::Item;
    entry.check = kind == MenuItemKind::Check;
    entry.commandId = commandId;
    entry.text = text;
    entry.keyText = keyText;
    backend().Menus[menu].push_back(entry);
    if (backend().AttachedBar != 0) rebuildMenuBar();
}

void appendMenuPopup(MenuHandle menu, MenuHandle popup, const std::string& text) {
    MenuEntry entry;
    entry.kind = MenuEntry::Popup;
    entry.popup = popup;
    entry.text = text;
    backend().Menus[menu].push_back(entry);
    if (backend().AttachedBar != 0) rebuildMenuBar();
}

void appendMenuSeparator(MenuHandle menu) {
    MenuEntry entry;
    entry.kind = MenuEntry::Separator;
    backend().Menus[menu].push_back(entry);
    if (backend().AttachedBar != 0) rebuildMenuBar();
}

void checkMenuItem(int commandId, bool checked) {
    auto it = backend().Checks.find(commandId);
    if (it != backend().Checks.end() && it->second == checked) return;
    backend().Checks[commandId] = checked;
    if (backend().AttachedBar != 0 && menuContains(backend().AttachedBar, commandId, 0)) rebuildMenuBar();
}

void enableMenuItem(int commandId, bool enabled) {
    if ((backend().Greyed.count(commandId) == 0) == enabled) return;
    if (enabled) {
        backend().Greyed.erase(commandId);
    } else {
        backend().Greyed.insert(commandId);
    }
    if (backend().AttachedBar != 0 && menuContains(backend().AttachedBar, commandId, 0)) rebuildMenuBar();
}

void attachMenuBar(MenuHandle bar) {
    backend().AttachedBar = bar;
    rebuildMenuBar();
}

void destroyMenuBar(MenuHandle bar) {
    if (backend().AttachedBar == bar) {
        backend().AttachedBar = 0;
        rebuildMenuBar();
    }
    eraseMenu(bar, 0);
}

// ---- msgwindow.h

Canvas& openMessageWindow(const std::string& caption, int width, int height) {
    startFltk();
    backend().MessageCanvas.resize(std::max(width, 1), std::max(height, 1));
    if (!openDisplay()) return backend().MessageCanvas;
    if (backend().TheMessageWindow == nullptr) {
        backend().TheMessageWindow =
            new ProgramWindow(MessageWindowX, MessageWindowY, MessageWindowWidth, MessageWindowHeight, nullptr);
        backend().TheMessageWindow->callback(messageWindowCallback);
        backend().TheMessageView =
            new CanvasView(0, 0, MessageWindowWidth, MessageWindowHeight, backend().MessageCanvas, CanvasView::Message);
        backend().TheMessageWindow->end();
        backend().TheMessageWindow->size_range(MessageWindowWidth, MessageWindowHeight, MessageWindowWidth,
                                               MessageWindowHeight);
        // Modal: the main window takes no clicks or menu picks while a message waits.
        backend().TheMessageWindow->set_modal();
        if (program_invocation_short_name != nullptr) backend().TheMessageWindow->xclass(program_invocation_short_name);
    }
    fitWindowToZoom(backend().TheMessageWindow, nullptr, backend().TheMessageView, backend().MessageCanvas);
    backend().TheMessageWindow->copy_label(caption.c_str());
    if (!backend().MessageOpen) {
        backend().TheMessageWindow->position(MessageWindowX, MessageWindowY);
        backend().TheMessageWindow->show();
        backend().MessageOpen = true;
    }
    backend().TheMessageView->take_focus();
    backend().TheMessageView->redraw();
    return backend().MessageCanvas;
}

void presentMessageWindow() {
    if (backend().TheMessageView == nullptr || !backend().MessageOpen) {
        int x, y, w, h;
        backend().MessageCanvas.takeDamage(x, y, w, h);
        return;
    }
    backend().TheMessageView->present();
}

void closeMessageWindow() {
    if (backend().TheMessageWindow == nullptr || !backend().MessageOpen) return;
    const bool hadFocus = foregroundWindow() == ForegroundMessage;
    backend().TheMessageWindow->hide();
    backend().MessageOpen = false;
    // The main window comes back to the front, as it does on other systems when the window
    // in front of it goes away.
    if (hadFocus) focusMainWindow();
    Fl::flush();
}

// ---- toolwindow.h

namespace {

ToolWindowRecord* toolWindow(int window) { return toolRecordNumbered(backend().Tools, window); }

}  // namespace

int openToolWindow(const std::string& name, const std::string& caption, int width, int height) {
    startFltk();
    int number = 0;
    ToolWindowRecord& tool = toolRecordFor(backend().Tools, name, width, height, number);
    if (!openDisplay()) return number;
    if (tool.Window == nullptr) {
        // Beside the main window, where the user looks for it; the window manager may move it.
        int x = 0, y = 0;
        if (mainWindow() != nullptr) {
            x = mainWindow()->x() + mainWindow()->w() + 8;
            y = mainWindow()->y();
        }
        tool.Window = new ProgramWindow(x, y, width, height, nullptr);
        tool.Window->Window = number;
        tool.Window->callback(toolWindowCallback);
        tool.View = new CanvasView(0, 0, width, height, tool.Pixels, CanvasView::Tool, number);
        tool.Window->end();
        if (program_invocation_short_name != nullptr) tool.Window->xclass(program_invocation_short_name);
    }
    tool.Window->copy_label(caption.c_str());
    fitWindowToZoom(tool.Window, nullptr, tool.View, tool.Pixels);
    if (!tool.Window->shown()) {
        // Wholly on the screen, over the main window's right part if it must.
        const int x = std::max(0, std::min(tool.Window->x(), Fl::w() - tool.Window->w()));
        const int y = std::max(0, std::min(tool.Window->y(), Fl::h() - tool.Window->h()));
        tool.Window->position(x, y);
    }
    // Raised by the program: its coming to the front is no WindowActivated.
    backend().RaisedTool = number;
    const bool wasShown = tool.Window->shown();
    if (!wasShown) tool.View->forgetDrawn();
    tool.Window->show();  // shows a hidden window, raises a shown one
    tool.View->take_focus();
    // A window just shown: its first exposure draws the whole Canvas.
    if (!wasShown) waitUntilDrawn(tool.View);
    Fl::flush();
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
    if (tool->View == nullptr || !tool->Window->shown()) {
        // Nothing to show now; the whole Canvas is drawn when the window is shown again.
        int x, y, w, h;
        tool->Pixels.takeDamage(x, y, w, h);
        return;
    }
    tool->View->present();
}

void hideToolWindow(int window) {
    ToolWindowRecord* tool = toolWindow(window);
    if (tool == nullptr || tool->Window == nullptr || !tool->Window->shown()) return;
    const bool hadFocus = focusedToolWindow() == window;
    tool->Window->hide();
    if (hadFocus) focusMainWindow();
    Fl::flush();
}

bool toolWindowShown(int window) {
    const ToolWindowRecord* tool = toolWindow(window);
    return tool != nullptr && tool->Window != nullptr && tool->Window->shown();
}
