// fltk_backend_test - the FLTK desktop backend (src/platform/fltk) on a real X display
// (Xvfb): what reaches the screen, the events that FLTK's happenings become, the menus as
// FLTK shows them, the queue fed from another thread, and the process functions.
//
// Run it with DISPLAY set to an X server with a 24-bit screen and no window manager.
// Mouse and key events are handed to FLTK the way its X11 layer does (Fl::e_* then
// Fl::handle), so the test drives the backend's own handlers; the window system's part
// (exposure, reading the window's pixels back) is real.
// gtest first: Xlib's macros (True, False, None, Bool) would break it.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#undef None
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/announce.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/desktop/queue.h"
#include "platform/events.h"
#include "platform/fltk/fltk_state.h"
#include "platform/input.h"
#include "platform/msgwindow.h"
#include "platform/process.h"
#include "platform/textview.h"
#include "platform/toolwindow.h"
#include "platform/window.h"
#include "platform/zoomscale.h"

namespace {

constexpr int WinX = 120, WinY = 90, PanelW = 211, PanelH = 133;

std::vector<Event> drainEvents() {
    std::vector<Event> events;
    Event e;
    while (peekEvent(e)) events.push_back(e);
    return events;
}

int countKind(const std::vector<Event>& events, EventKind kind) {
    int n = 0;
    for (const Event& e : events) n += e.kind == kind ? 1 : 0;
    return n;
}

// An asymmetric picture, so that flips, swaps of red and blue and stride errors show.
void paintPattern(Canvas& canvas) {
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            canvas.setPixel(x, y, Rgb{uint8_t(x * 7 + y), uint8_t(y * 3), uint8_t((x ^ y) * 5)});
        }
    }
}

// The window's pixels at (x, y, w, h) of its client area, as the X server has them.
std::vector<uint8_t> readWindow(Fl_Window* window, int x, int y, int w, int h) {
    // XGetImage, under fl_read_image, is a round trip: the server has drawn all before it.
    Fl::flush();
    window->make_current();
    std::vector<uint8_t> pixels(size_t(w) * h * 3);
    fl_read_image(pixels.data(), x, y, w, h);
    return pixels;
}

// How many pixels of canvas block (cx, cy, w, h) differ from what the window shows at
// (wx, wy).
int differingPixels(const Canvas& canvas, Fl_Window* window, int cx, int cy, int wx, int wy, int w, int h) {
    const std::vector<uint8_t> shown = readWindow(window, wx, wy, w, h);
    int differing = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Rgb want = canvas.pixel(cx + x, cy + y);
            const uint8_t* got = &shown[(size_t(y) * w + x) * 3];
            if (got[0] != want.r || got[1] != want.g || got[2] != want.b) ++differing;
        }
    }
    return differing;
}

void sendMouse(int event, Fl_Window* window, int x, int y, int state) {
    Fl::e_x = x;
    Fl::e_y = y;
    Fl::e_x_root = window->x() + x;
    Fl::e_y_root = window->y() + y;
    Fl::e_state = state;
    Fl::e_keysym = FL_Button + 1;
    Fl::handle(event, window);
}

void sendKey(Fl_Window* window, int key, const char* text, int state = 0) {
    static char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%s", text);
    Fl::e_keysym = key;
    Fl::e_text = buffer;
    Fl::e_length = static_cast<int>(std::string(text).size());
    Fl::e_state = state;
    Fl::handle(FL_KEYDOWN, window);
}

// A release: X11 gives FLTK the unshifted key and no text of its own.
void sendKeyUp(Fl_Window* window, int key, int state = 0) {
    Fl::e_keysym = key;
    Fl::e_state = state;
    Fl::handle(FL_KEYUP, window);
}

Fl_Menu_Bar* menuBarOf(Fl_Window* window) {
    for (int i = 0; i < window->children(); ++i) {
        if (auto* bar = dynamic_cast<Fl_Menu_Bar*>(window->child(i))) return bar;
    }
    return nullptr;
}

class FltkBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(openMainWindow(WinX, WinY, PanelW, PanelH, "Backend Test"));
        Window = ktfltk::mainWindow();
        ASSERT_NE(Window, nullptr);
        // The window appearing is an exposure: the program is asked to draw its panel.
        drainEvents();
        const Event first = waitEvent();
        ASSERT_EQ(first.kind, EventKind::Repaint);
        drainEvents();
    }
    void TearDown() override {
        closeTextView();  // a test that stopped half-way leaves no live view to the next
        closeMessageWindow();
        closeMainWindow();
        // Whatever the test left (Repaint, foreground changes) goes with it.
        Event e;
        while (waitEventFor(0, e)) {
        }
    }
    Fl_Window* Window = nullptr;
};

TEST_F(FltkBackendTest, TheClientAreaIsTheMenuBarAboveExactlyThePanel) {
    EXPECT_EQ(Window->w(), PanelW);
    EXPECT_EQ(Window->h(), PanelH + ktfltk::MenuBarHeight);
    EXPECT_EQ(mainCanvas().width(), PanelW);
    EXPECT_EQ(mainCanvas().height(), PanelH);
    EXPECT_STREQ(Window->label(), "Backend Test");
    setMainWindowCaption("Another caption");
    EXPECT_STREQ(Window->label(), "Another caption");
    // Without a window manager the window stands where it was asked to.
    EXPECT_EQ(Window->x(), WinX);
    EXPECT_EQ(Window->y(), WinY);
}

// At a zoom the menu bar and its menus grow with the panel (FLTK draws the items, pulled-down
// ones too, in the bar's text size); the panel below the taller bar is the Canvas at the zoom,
// pixel for pixel, and the mouse over it maps back to Canvas coordinates. The room a window
// has on the screen counts the bar at the level asked about.
TEST_F(FltkBackendTest, TheMenuBarFollowsTheZoomAndThePanelStaysBelowIt) {
    paintPattern(mainCanvas());
    presentMainWindow();
    for (int level : {125, 200, 100}) {
        setWindowZoom(level);
        Fl_Menu_Bar* bar = menuBarOf(Window);
        ASSERT_NE(bar, nullptr);
        const int top = zoomedLength(ktfltk::MenuBarHeight, level);
        EXPECT_EQ(bar->h(), top) << level;
        EXPECT_EQ(bar->w(), zoomedLength(PanelW, level)) << level;
        EXPECT_EQ(bar->textsize(), zoomedLength(FL_NORMAL_SIZE, level)) << level;
        EXPECT_EQ(Window->h(), top + zoomedLength(PanelH, level)) << level;
        for (int i = 0; i < 20; ++i) Fl::wait(0.01);
        Canvas zoomed;
        zoomCanvas(mainCanvas(), level, zoomed);
        EXPECT_EQ(differingPixels(zoomed, Window, 0, 0, 0, top, zoomed.width(), zoomed.height()), 0) << level;
        sendMouse(FL_MOVE, Window, 101, top + 53, 0);
        int x = 0, y = 0;
        mousePosition(x, y);
        EXPECT_EQ(x, unzoomed(101, level)) << level;
        EXPECT_EQ(y, unzoomed(53, level)) << level;
    }
    int width100 = 0, height100 = 0, width300 = 0, height300 = 0;
    clientAreaLimit(width100, height100, 100);
    clientAreaLimit(width300, height300, 300);
    EXPECT_EQ(width300, width100);
    EXPECT_EQ(height100 - height300, 2 * ktfltk::MenuBarHeight);
}

TEST_F(FltkBackendTest, ThePresentedCanvasIsOnTheScreenPixelForPixel) {
    paintPattern(mainCanvas());
    presentMainWindow();
    EXPECT_EQ(differingPixels(mainCanvas(), Window, 0, 0, 0, ktfltk::MenuBarHeight, PanelW, PanelH), 0);

    // Only the damaged block is sent: a block drawn off the window's back (not presented)
    // must not appear, the presented one must, at the right place and with the canvas stride.
    int x, y, w, h;
    mainCanvas().takeDamage(x, y, w, h);
    mainCanvas().fillBox(150, 100, 40, 20, Rgb{250, 10, 20});
    mainCanvas().takeDamage(x, y, w, h);  // drawn, but never presented
    mainCanvas().fillBox(13, 17, 29, 11, Rgb{5, 200, 90});
    presentMainWindow();
    EXPECT_EQ(differingPixels(mainCanvas(), Window, 13, 17, 13, 17 + ktfltk::MenuBarHeight, 29, 11), 0);
    const std::vector<uint8_t> stale = readWindow(Window, 150, 100 + ktfltk::MenuBarHeight, 1, 1);
    EXPECT_NE(stale[0], 250) << "an area that was not presented reached the screen";
}

TEST_F(FltkBackendTest, ExposureRedrawsFromTheCanvasAndAsksTheProgramForARepaint) {
    paintPattern(mainCanvas());
    presentMainWindow();
    // The message window covers part of the panel; when it goes, the uncovered part is
    // redrawn from the canvas by the backend, and the next blocking wait says Repaint.
    Canvas& message = openMessageWindow("Message:");
    message.clear(Rgb{128, 0, 0});
    presentMessageWindow();
    closeMessageWindow();
    for (int i = 0; i < 20; ++i) Fl::wait(0.01);
    EXPECT_EQ(differingPixels(mainCanvas(), Window, 0, 0, 0, ktfltk::MenuBarHeight, PanelW, PanelH), 0);
    // peekEvent (the start-up's draining) never takes the Repaint ...
    std::vector<Event> peeked = drainEvents();
    EXPECT_EQ(countKind(peeked, EventKind::Repaint), 0);
    // ... the blocking wait does, once.
    Event e = waitEvent();
    EXPECT_EQ(e.kind, EventKind::Repaint);
    // Once for all the exposures: the next wait brings the next real event.
    postCloseRequest();
    e = waitEvent();
    EXPECT_EQ(e.kind, EventKind::CloseRequested);
}

TEST_F(FltkBackendTest, TheMessageWindowStandsAtItsPlaceAndShowsItsCanvas) {
    Canvas& canvas = openMessageWindow("Message:");
    Fl_Window* message = ktfltk::messageWindow();
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(canvas.width(), MessageWindowWidth);
    EXPECT_EQ(canvas.height(), MessageWindowHeight);
    EXPECT_EQ(message->x(), MessageWindowX);
    EXPECT_EQ(message->y(), MessageWindowY);
    EXPECT_EQ(message->w(), MessageWindowWidth);
    EXPECT_EQ(message->h(), MessageWindowHeight);
    EXPECT_STREQ(message->label(), "Message:");
    paintPattern(canvas);
    canvas.drawText(0, 0, "press any key!", Rgb{255, 255, 255}, Rgb{128, 0, 0});
    presentMessageWindow();
    // Drawn before the window was on the screen: its exposure must bring the canvas.
    message->wait_for_expose();
    Fl::wait(0.0);
    EXPECT_EQ(differingPixels(canvas, message, 0, 0, 0, 0, MessageWindowWidth, MessageWindowHeight), 0);
}

TEST_F(FltkBackendTest, TheWindowInFrontFollowsTheMessageWindow) {
    EXPECT_EQ(foregroundWindow(), ForegroundMain);
    openMessageWindow("Message:");
    EXPECT_EQ(foregroundWindow(), ForegroundMessage);
    std::vector<Event> events = drainEvents();
    EXPECT_GE(countKind(events, EventKind::Other), 1) << "a change of the window in front wakes the program";
    closeMessageWindow();
    EXPECT_EQ(foregroundWindow(), ForegroundMain);
    // The program's focus goes to another program: nothing of ours is in front.
    Fl::focus(nullptr);
    EXPECT_EQ(foregroundWindow(), ForegroundOther);
    events = drainEvents();
    EXPECT_GE(countKind(events, EventKind::Other), 1);
}

TEST_F(FltkBackendTest, TheCloseButtonAsksAndEscapeClosesNothing) {
    Window->do_callback();  // what the window manager's close button does through FLTK
    std::vector<Event> events = drainEvents();
    EXPECT_EQ(countKind(events, EventKind::CloseRequested), 1);
    EXPECT_TRUE(Window->shown() && Window->visible()) << "the window closed itself";

    sendKey(Window, FL_Escape, "\x1b");
    events = drainEvents();
    ASSERT_EQ(countKind(events, EventKind::Key), 1);
    EXPECT_EQ(events[0].key, KeyEscape);
    EXPECT_EQ(countKind(events, EventKind::CloseRequested), 0);
    EXPECT_TRUE(Window->visible());

    // Escape that nobody takes comes to the window's callback as a shortcut: still no close.
    Fl::e_number = FL_SHORTCUT;
    Fl::e_keysym = FL_Escape;
    Window->do_callback();
    EXPECT_EQ(countKind(drainEvents(), EventKind::CloseRequested), 0);
}

TEST_F(FltkBackendTest, KeysBecomeKeyEventsWithTheirCharacter) {
    sendKey(Window, '1', "1");
    sendKey(Window, '2', "2");
    sendKey(Window, 'q', "Q", FL_SHIFT);
    sendKey(Window, FL_Enter, "\r");
    sendKey(Window, FL_KP_Enter, "\r");
    sendKey(Window, FL_Shift_L, "");  // types nothing
    sendKey(Window, FL_Left, "");     // the named keys come as themselves
    sendKey(Window, FL_Page_Down, "");
    sendKey(Window, 'z', "\x1a", FL_CTRL);  // Ctrl+Z types a control character: the key counts
    sendKey(Window, 'z', "\x1a", FL_CTRL | FL_SHIFT);
    std::vector<Event> events = drainEvents();
    std::vector<int> keys;
    std::vector<int> modifiers;  // 1 Ctrl, 2 Shift
    for (const Event& e : events) {
        if (e.kind != EventKind::Key) continue;
        keys.push_back(e.key);
        modifiers.push_back((e.ctrl ? 1 : 0) | (e.shift ? 2 : 0));
    }
    EXPECT_EQ(keys, (std::vector<int>{'1', '2', 'Q', KeyEnter, KeyEnter, KeyLeft, KeyPageDown, 'z', 'z'}));
    EXPECT_EQ(modifiers, (std::vector<int>{0, 0, 2, 0, 0, 0, 0, 1, 3}));
}

TEST_F(FltkBackendTest, AHeldKeyIsOnePressThenRepeatsAndOneReleaseWithThePressesCode) {
    sendKey(Window, 'q', "Q", FL_SHIFT);
    sendKey(Window, 'z', "z");
    sendKey(Window, 'z', "z");  // the system repeats z
    sendKeyUp(Window, 'z');
    sendKeyUp(Window, 'q');  // Shift let go first: still the Q pressed
    sendKeyUp(Window, 'x');  // never pressed here: nothing
    sendKey(Window, 'z', "z");  // pressed again: a new press
    sendKeyUp(Window, 'z');
    std::vector<std::string> seen;
    for (const Event& e : drainEvents()) {
        if (e.kind == EventKind::Key) seen.push_back(std::string(e.repeat ? "repeat " : "press ") + char(e.key));
        if (e.kind == EventKind::KeyUp) seen.push_back(std::string("release ") + char(e.key));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"press Q", "press z", "repeat z", "release z", "release Q", "press z",
                                              "release z"}));
}

TEST_F(FltkBackendTest, KeysReachTheProgramFromTheMessageWindow) {
    openMessageWindow("Message:");
    drainEvents();
    sendKey(ktfltk::messageWindow(), '2', "2");
    std::vector<Event> events = drainEvents();
    ASSERT_EQ(countKind(events, EventKind::Key), 1);
    for (const Event& e : events) {
        if (e.kind == EventKind::Key) {
            EXPECT_EQ(e.key, '2');
        }
    }
}

// Which of these left presses (X time, panel x, y; a click each) are the second of a double
// click. FLTK's own count of clicks is made to say "double" every time: the backend must not
// listen to it.
struct TimedPress {
    unsigned long time;
    int x, y;
};

std::vector<bool> leftPressesAt(Fl_Window* window, const std::vector<TimedPress>& presses) {
    const int mb = ktfltk::MenuBarHeight;
    ktfltk::takeOtherPress();  // no earlier press to pair with
    drainEvents();
    std::vector<bool> doubles;
    for (const TimedPress& p : presses) {
        fl_event_time = p.time;  // what FLTK's X layer takes from the event
        Fl::e_clicks = 1;
        Fl::e_is_click = FL_Button + 1;
        sendMouse(FL_PUSH, window, p.x, mb + p.y, FL_BUTTON1);
        sendMouse(FL_RELEASE, window, p.x, mb + p.y, 0);
        for (const Event& e : drainEvents()) {
            if (e.kind == EventKind::MouseButton && e.buttons == 1) doubles.push_back(e.doubleClick);
        }
    }
    Fl::e_clicks = 0;
    return doubles;
}

// The value of an XSETTINGS manager's property: a string, a colour and the double-click time,
// in the byte order asked for.
std::vector<uint8_t> desktopSettings(bool msbFirst, int32_t doubleClickMs) {
    std::vector<uint8_t> d;
    auto put16 = [&](uint32_t v) {
        const uint8_t hi = uint8_t(v >> 8), lo = uint8_t(v);
        d.insert(d.end(), msbFirst ? std::initializer_list<uint8_t>{hi, lo} : std::initializer_list<uint8_t>{lo, hi});
    };
    auto put32 = [&](uint32_t v) {
        if (msbFirst) put16(v >> 16);
        put16(v & 0xFFFF);
        if (!msbFirst) put16(v >> 16);
    };
    auto putName = [&](uint8_t type, const std::string& name) {
        d.push_back(type);
        d.push_back(0);
        put16(uint32_t(name.size()));
        d.insert(d.end(), name.begin(), name.end());
        while (d.size() % 4 != 0) d.push_back(0);
        put32(7);  // the serial of its last change
    };
    d = {uint8_t(msbFirst ? 1 : 0), 0, 0, 0};
    put32(3);  // the serial
    put32(3);  // three settings
    putName(1, "Net/ThemeName");
    put32(5);
    d.insert(d.end(), {'A', 'd', 'w', 'a', 'i', 0, 0, 0});
    putName(2, "Net/Colour");
    for (int i = 0; i < 4; ++i) put16(0xABCD);
    putName(0, "Net/DoubleClickTime");
    put32(uint32_t(doubleClickMs));
    return d;
}

TEST(XSettings, TheDoubleClickTimeIsReadInEitherByteOrderAndNeverPastTheEnd) {
    for (bool msbFirst : {false, true}) {
        const std::vector<uint8_t> d = desktopSettings(msbFirst, 250);
        int32_t ms = 0;
        ASSERT_TRUE(ktfltk::xsettingsInteger(d.data(), d.size(), "Net/DoubleClickTime", ms)) << msbFirst;
        EXPECT_EQ(ms, 250);
        EXPECT_FALSE(ktfltk::xsettingsInteger(d.data(), d.size(), "Net/DndDragThreshold", ms));
        EXPECT_FALSE(ktfltk::xsettingsInteger(d.data(), d.size(), "Net/ThemeName", ms));  // a string
        // Cut short anywhere: never found, never read beyond the end (ASan would say).
        for (size_t size = 0; size < d.size(); ++size) {
            std::vector<uint8_t> cut(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_FALSE(ktfltk::xsettingsInteger(cut.data(), cut.size(), "Net/DoubleClickTime", ms)) << size;
        }
    }
    // A string's length far past the end.
    std::vector<uint8_t> d = desktopSettings(false, 250);
    d[36] = 0xFF;
    d[37] = 0xFF;
    d[38] = 0xFF;
    d[39] = 0xFF;
    int32_t ms = 0;
    EXPECT_FALSE(ktfltk::xsettingsInteger(d.data(), d.size(), "Net/DoubleClickTime", ms));
}

TEST_F(FltkBackendTest, TheWheelAndADoubleClickBecomeTheirEvents) {
    const int mb = ktfltk::MenuBarHeight;
    sendMouse(FL_MOVE, Window, 50, mb + 60, 0);
    drainEvents();
    Fl::e_dy = -2;  // FLTK: away from the user is negative
    sendMouse(FL_MOUSEWHEEL, Window, 50, mb + 60, 0);
    Fl::e_dy = 1;
    sendMouse(FL_MOUSEWHEEL, Window, 52, mb + 61, FL_SHIFT);
    Fl::e_dy = 0;
    std::vector<Event> wheel;
    for (const Event& e : drainEvents()) {
        if (e.kind == EventKind::Wheel) wheel.push_back(e);
    }
    ASSERT_EQ(wheel.size(), 2u);
    EXPECT_EQ(wheel[0].notches, 2);
    EXPECT_FALSE(wheel[0].shift);
    EXPECT_EQ(wheel[0].x, 50);
    EXPECT_EQ(wheel[0].y, 60);
    EXPECT_EQ(wheel[1].notches, -1);
    EXPECT_TRUE(wheel[1].shift);

    EXPECT_EQ(leftPressesAt(Window, {{100000, 50, 60}, {100300, 50, 60}}), (std::vector<bool>{false, true}));
}

TEST_F(FltkBackendTest, ADoubleClickIsTwoPressesWithinTheTimeAndDistance) {
    ASSERT_EQ(ktfltk::backend().DoubleClickMs, ktfltk::DefaultDoubleClickMs);  // Xvfb: no desktop settings
    auto presses = [this](const std::vector<TimedPress>& p) { return leftPressesAt(Window, p); };
    // 400 ms and 4 pixels either way are still a double click; a third press starts afresh.
    EXPECT_EQ(presses({{200000, 50, 60}, {200400, 54, 56}, {200500, 54, 56}, {200600, 54, 56}}),
              (std::vector<bool>{false, true, false, true}));
    // 900 ms apart, or 5 pixels apart: two clicks.
    EXPECT_EQ(presses({{300000, 50, 60}, {300900, 50, 60}, {301000, 55, 60}, {301100, 55, 65}}),
              (std::vector<bool>{false, false, false, false}));
    // A right press between two left ones parts them.
    EXPECT_EQ(presses({{400000, 50, 60}}), (std::vector<bool>{false}));
    Fl::e_keysym = FL_Button + 3;
    Fl::e_state = FL_BUTTON3;
    Fl::handle(FL_PUSH, Window);
    Fl::e_state = 0;
    Fl::handle(FL_RELEASE, Window);
    fl_event_time = 400100;
    Fl::e_keysym = FL_Button + 1;
    sendMouse(FL_PUSH, Window, 50, ktfltk::MenuBarHeight + 60, FL_BUTTON1);
    std::vector<bool> afterRight;
    for (const Event& e : drainEvents()) {
        if (e.kind == EventKind::MouseButton && e.buttons == 1) afterRight.push_back(e.doubleClick);
    }
    sendMouse(FL_RELEASE, Window, 50, ktfltk::MenuBarHeight + 60, 0);
    EXPECT_EQ(afterRight, (std::vector<bool>{false}));
    // The X server's clock wraps after 49 days: a pair across the wrap is still a pair.
    EXPECT_EQ(presses({{0xFFFFFF00ul, 50, 60}, {0x00000010ul, 50, 60}}), (std::vector<bool>{false, true}));
}

TEST_F(FltkBackendTest, MouseEventsComeInPanelCoordinatesWithBothButtons) {
    const int mb = ktfltk::MenuBarHeight;
    sendMouse(FL_MOVE, Window, 40, mb + 30, 0);
    sendMouse(FL_PUSH, Window, 41, mb + 31, FL_BUTTON1);
    EXPECT_EQ(mouseButtons(), 1);
    sendMouse(FL_PUSH, Window, 42, mb + 32, FL_BUTTON1 | FL_BUTTON3);
    EXPECT_EQ(mouseButtons(), 3);
    sendMouse(FL_RELEASE, Window, 43, mb + 33, FL_BUTTON3);
    EXPECT_EQ(mouseButtons(), 2);
    // Dragged out of the window (above the menu bar, left of it): still reported, the
    // coordinates outside the panel.
    sendMouse(FL_DRAG, Window, -7, -3, FL_BUTTON3);
    int x = 0, y = 0;
    mousePosition(x, y);
    EXPECT_EQ(x, -7);
    EXPECT_EQ(y, -3 - mb);
    sendMouse(FL_RELEASE, Window, -8, -4, 0);
    EXPECT_EQ(mouseButtons(), 0);

    std::vector<Event> mouse;
    for (const Event& e : drainEvents()) {
        if (e.kind == EventKind::MouseButton) mouse.push_back(e);
    }
    ASSERT_EQ(mouse.size(), 6u);
    const int want[6][3] = {{40, 30, 0}, {41, 31, 1}, {42, 32, 3}, {43, 33, 2}, {-7, -3 - mb, 2}, {-8, -4 - mb, 0}};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(mouse[i].x, want[i][0]) << i;
        EXPECT_EQ(mouse[i].y, want[i][1]) << i;
        EXPECT_EQ(mouse[i].buttons, want[i][2]) << i;
    }
}

// The shown top-level window with that caption.
Fl_Window* windowCaptioned(const char* caption) {
    for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w)) {
        if (w->label() != nullptr && std::string(w->label()) == caption) return w;
    }
    return nullptr;
}

TEST_F(FltkBackendTest, AToolWindowShowsItsCanvasAtTheZoomAndItsEventsCarryItsNumber) {
    const int tool = openToolWindow("library", "Library Test", 40, 30);
    ASSERT_GT(tool, MainWindowId);
    EXPECT_TRUE(toolWindowShown(tool));
    Fl_Window* window = windowCaptioned("Library Test");
    ASSERT_NE(window, nullptr);
    paintPattern(toolWindowCanvas(tool));
    presentToolWindow(tool);
    EXPECT_EQ(window->w(), 40);
    EXPECT_EQ(differingPixels(toolWindowCanvas(tool), window, 0, 0, 0, 0, 40, 30), 0);

    // At 200 % the window doubles and shows every Canvas pixel 2 x 2; mouse positions come back
    // in Canvas coordinates.
    setWindowZoom(200);
    EXPECT_EQ(window->w(), 80);
    EXPECT_EQ(window->h(), 60);
    Canvas zoomed;
    zoomCanvas(toolWindowCanvas(tool), 200, zoomed);
    EXPECT_EQ(differingPixels(zoomed, window, 0, 0, 0, 0, 80, 60), 0);
    drainEvents();
    sendMouse(FL_PUSH, window, 21, 11, FL_BUTTON1);
    sendMouse(FL_RELEASE, window, 21, 11, 0);
    Fl::e_dy = -1;
    sendMouse(FL_MOUSEWHEEL, window, 30, 12, 0);
    Fl::e_dy = 0;
    sendKey(window, FL_BackSpace, "\b");
    sendKey(window, FL_F + 3, "");
    sendKey(window, ' ', " ");
    sendKey(window, '[', "[", FL_CTRL);
    ktfltk::focusMainWindow();  // the keys go where the focus is
    sendKey(Window, FL_F + 12, "", FL_SHIFT);  // the main window's keys stay its own
    std::vector<Event> events;
    for (const Event& e : drainEvents()) {
        if (e.kind == EventKind::MouseButton || e.kind == EventKind::Wheel || e.kind == EventKind::Key)
            events.push_back(e);
    }
    ASSERT_EQ(events.size(), 8u);
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(events[i].window, tool) << i;
    EXPECT_EQ(events[0].kind, EventKind::MouseButton);
    EXPECT_EQ(events[0].x, 10);
    EXPECT_EQ(events[0].y, 5);
    EXPECT_EQ(events[0].buttons, 1);
    EXPECT_EQ(events[2].kind, EventKind::Wheel);
    EXPECT_EQ(events[2].x, 15);
    EXPECT_EQ(events[2].notches, 1);
    EXPECT_EQ(events[3].key, KeyBackspace);
    EXPECT_EQ(events[4].key, KeyF1 + 2);
    EXPECT_EQ(events[5].key, ' ');
    EXPECT_EQ(events[6].key, '[');
    EXPECT_TRUE(events[6].ctrl);
    EXPECT_EQ(events[7].window, MainWindowId);
    EXPECT_EQ(events[7].key, KeyF1 + 11);

    // The close button hides it and tells the program; shown again it has kept its pixels.
    window->do_callback();
    EXPECT_FALSE(toolWindowShown(tool));
    std::vector<Event> after = drainEvents();
    ASSERT_EQ(countKind(after, EventKind::ToolWindowHidden), 1);
    for (const Event& e : after) {
        if (e.kind == EventKind::ToolWindowHidden) {
            EXPECT_EQ(e.window, tool);
        }
    }
    EXPECT_EQ(openToolWindow("library", "Library Test", 40, 30), tool);
    EXPECT_EQ(differingPixels(zoomed, window, 0, 0, 0, 0, 80, 60), 0);
    hideToolWindow(tool);
    EXPECT_FALSE(toolWindowShown(tool));
    setWindowZoom(100);
}

TEST_F(FltkBackendTest, AHeldButtonBringsTicksAndAReleasedOneDoesNot) {
    sendMouse(FL_PUSH, Window, 20, ktfltk::MenuBarHeight + 20, FL_BUTTON1);
    drainEvents();
    const uint32_t before = tickCount();
    Event e = waitEvent();
    EXPECT_EQ(e.kind, EventKind::Tick);
    EXPECT_GE(tickDiff(tickCount(), before), 9);
    e = waitEvent();
    EXPECT_EQ(e.kind, EventKind::Tick);
    sendMouse(FL_RELEASE, Window, 20, ktfltk::MenuBarHeight + 20, 0);
    e = waitEvent();
    EXPECT_EQ(e.kind, EventKind::MouseButton);
    EXPECT_EQ(e.buttons, 0);
    // With no button held the wait does not tick: only the posted event ends it.
    std::thread poster([] {
        Event late;
        late.kind = EventKind::MidiShort;
        late.midiWord = 0x7F3C90;
        desktopPostEvent(late);
    });
    e = waitEvent();
    poster.join();
    EXPECT_EQ(e.kind, EventKind::MidiShort);
}

TEST_F(FltkBackendTest, TheMessageWindowReportsClicksInMainPanelCoordinates) {
    openMessageWindow("Message:");
    Fl_Window* message = ktfltk::messageWindow();
    drainEvents();
    sendMouse(FL_PUSH, message, 10, 20, FL_BUTTON1);
    sendMouse(FL_RELEASE, message, 10, 20, 0);
    std::vector<Event> mouse;
    for (const Event& e : drainEvents()) {
        if (e.kind == EventKind::MouseButton) mouse.push_back(e);
    }
    ASSERT_EQ(mouse.size(), 2u);
    EXPECT_EQ(mouse[0].buttons, 1);
    EXPECT_EQ(mouse[0].x, MessageWindowX + 10 - WinX);
    EXPECT_EQ(mouse[0].y, MessageWindowY + 20 - WinY - ktfltk::MenuBarHeight);
    EXPECT_EQ(mouse[1].buttons, 0);
}

TEST_F(FltkBackendTest, MinimisingAndRestoringAreReported) {
    // FLTK's X11 layer turns the unmap of an iconified window into FL_HIDE and its map into
    // FL_SHOW, handed to Fl::handle just like this.
    Fl::handle(FL_HIDE, Window);
    Event e;
    ASSERT_TRUE(peekEvent(e));
    EXPECT_EQ(e.kind, EventKind::WindowMoved);
    EXPECT_EQ(e.x, 33536);
    EXPECT_EQ(e.y, 33536);
    Fl::handle(FL_SHOW, Window);
    std::vector<Event> events = drainEvents();
    EXPECT_EQ(countKind(events, EventKind::WindowRestored), 1);
}

TEST_F(FltkBackendTest, MovesAreReportedWithThePanelsPosition) {
    Window->position(300, 200);
    for (int i = 0; i < 10; ++i) Fl::wait(0.01);
    std::vector<Event> events = drainEvents();
    ASSERT_EQ(countKind(events, EventKind::WindowMoved), 1);
    for (const Event& e : events) {
        if (e.kind != EventKind::WindowMoved) continue;
        EXPECT_EQ(e.x, 300);
        EXPECT_EQ(e.y, 200 + ktfltk::MenuBarHeight);
    }
}

TEST_F(FltkBackendTest, TheMenuBarShowsTheTreeWithChecksDividersAndLiteralLabels) {
    const MenuHandle bar = createMenuBar();
    const MenuHandle file = createPopupMenu();
    appendMenuItem(file, 1001, "&Load");
    appendMenuSeparator(file);
    appendMenuItem(file, 1002, "E&xit");
    appendMenuPopup(bar, file, "&File");
    const MenuHandle midi = createPopupMenu();
    const MenuHandle out = createPopupMenu();
    appendMenuItem(out, 2000, "MIDI &Mapper", "", MenuItemKind::Check);
    appendMenuSeparator(out);
    appendMenuItem(out, 2001, "USB/MIDI 1", "", MenuItemKind::Check);
    appendMenuItem(out, 2002, "@home", "", MenuItemKind::Check);
    appendMenuPopup(midi, out, "MIDI &Out");
    appendMenuPopup(bar, midi, "&MIDI");
    checkMenuItem(2001, true);
    attachMenuBar(bar);

    Fl_Menu_Bar* menuBar = menuBarOf(Window);
    ASSERT_NE(menuBar, nullptr);
    const Fl_Menu_Item* m = menuBar->menu();
    ASSERT_NE(m, nullptr);
    // &File { &Load (divider) E&xit } &MIDI { MIDI &Out { Mapper (divider) USB/MIDI 1, @@home } }
    std::vector<std::string> labels;
    for (int i = 0; i < menuBar->size(); ++i) labels.push_back(m[i].label() ? m[i].label() : "|");
    EXPECT_EQ(labels, (std::vector<std::string>{"&File", "&Load", "E&xit", "|", "&MIDI", "MIDI &Out", "MIDI &Mapper",
                                                "USB/MIDI 1", "@@home", "|", "|", "|"}));
    EXPECT_TRUE(m[0].flags & FL_SUBMENU);
    EXPECT_TRUE(m[1].flags & FL_MENU_DIVIDER);
    EXPECT_FALSE(m[1].flags & FL_MENU_TOGGLE) << "a plain menu has no check boxes";
    EXPECT_FALSE(m[2].flags & FL_MENU_DIVIDER);
    EXPECT_TRUE(m[5].flags & FL_SUBMENU);
    EXPECT_TRUE(m[6].flags & FL_MENU_DIVIDER);
    for (int i : {6, 7, 8}) EXPECT_TRUE(m[i].flags & FL_MENU_TOGGLE) << i;
    EXPECT_FALSE(m[6].flags & FL_MENU_VALUE);
    EXPECT_TRUE(m[7].flags & FL_MENU_VALUE);
    EXPECT_FALSE(m[8].flags & FL_MENU_VALUE);

    // The check moves by command identifier, into the submenu.
    checkMenuItem(2001, false);
    checkMenuItem(2000, true);
    m = menuBar->menu();
    EXPECT_TRUE(m[6].flags & FL_MENU_VALUE);
    EXPECT_FALSE(m[7].flags & FL_MENU_VALUE);

    // A pick queues the command; FLTK's own flip of the box is undone (the program decides).
    auto* picked = const_cast<Fl_Menu_Item*>(&m[6]);
    picked->flags ^= FL_MENU_VALUE;  // what Fl_Menu_::picked does to a toggle item
    menuBar->value(picked);
    picked->do_callback(menuBar);
    std::vector<Event> events = drainEvents();
    ASSERT_EQ(countKind(events, EventKind::Command), 1);
    for (const Event& e : events) {
        if (e.kind == EventKind::Command) {
            EXPECT_EQ(e.command, 2000);
        }
    }
    EXPECT_TRUE(m[6].flags & FL_MENU_VALUE);
    auto* exitItem = const_cast<Fl_Menu_Item*>(&m[2]);
    menuBar->value(exitItem);
    exitItem->do_callback(menuBar);
    events = drainEvents();
    ASSERT_EQ(countKind(events, EventKind::Command), 1);
    for (const Event& e : events) {
        if (e.kind == EventKind::Command) {
            EXPECT_EQ(e.command, 1002);
        }
    }

    destroyMenuBar(bar);
    EXPECT_TRUE(menuBar->menu() == nullptr || menuBar->size() <= 1);
}

TEST_F(FltkBackendTest, AnItemKeepsItsKindWhateverItsNeighboursShowAndAcrossRebuilds) {
    // The MIDI menu's commands: Rescan and Forget plain, MIDI Learn a check item, made twice
    // as the program makes its bar again after a rescan, with the mark on in between.
    for (int round = 0; round < 2; ++round) {
        const MenuHandle bar = createMenuBar();
        const MenuHandle midi = createPopupMenu();
        appendMenuItem(midi, 2301, "&Rescan Devices");
        appendMenuItem(midi, 2302, "MIDI &Learn", "", MenuItemKind::Check);
        appendMenuItem(midi, 2303, "&Forget Learned Controls");
        appendMenuPopup(bar, midi, "&MIDI");
        attachMenuBar(bar);
        checkMenuItem(2302, true);

        Fl_Menu_Bar* menuBar = menuBarOf(Window);
        ASSERT_NE(menuBar, nullptr);
        const Fl_Menu_Item* m = menuBar->menu();
        ASSERT_NE(m, nullptr);
        ASSERT_GE(menuBar->size(), 4);
        EXPECT_FALSE(m[1].flags & FL_MENU_TOGGLE) << "Rescan, round " << round;
        EXPECT_TRUE(m[2].flags & FL_MENU_TOGGLE) << "MIDI Learn, round " << round;
        EXPECT_TRUE(m[2].flags & FL_MENU_VALUE) << "MIDI Learn, round " << round;
        EXPECT_FALSE(m[3].flags & FL_MENU_TOGGLE) << "Forget, round " << round;
        destroyMenuBar(bar);
    }
}

TEST(FltkQueue, EventsPostedFromAnotherThreadArriveInOrderAndWakeTheWait) {
    // Two thousand events from a thread, most of them while the main thread blocks in
    // Fl::wait: a lost wake-up hangs here (the alarm ends the test).
    constexpr int Count = 2000;
    std::thread poster([] {
        for (int i = 0; i < Count; ++i) {
            Event e;
            if (i % 3 == 0) {
                e.kind = EventKind::MidiLong;
                e.bytes = {0xF0, uint8_t(i & 0x7F), uint8_t((i >> 7) & 0x7F), 0xF7};
            } else {
                e.kind = EventKind::MidiShort;
                e.midiWord = 0x90 | uint32_t(i) << 8;
            }
            desktopPostEvent(e);
        }
    });
    for (int i = 0; i < Count; ++i) {
        const Event e = waitEvent();
        if (i % 3 == 0) {
            ASSERT_EQ(e.kind, EventKind::MidiLong) << i;
            ASSERT_EQ(e.bytes, (std::vector<uint8_t>{0xF0, uint8_t(i & 0x7F), uint8_t((i >> 7) & 0x7F), 0xF7})) << i;
        } else {
            ASSERT_EQ(e.kind, EventKind::MidiShort) << i;
            ASSERT_EQ(e.midiWord, 0x90 | uint32_t(i) << 8) << i;
        }
    }
    poster.join();
}

TEST(FltkQueue, WaitingForAWhileGivesUpAfterTheTimeAndKeepsTheEvent) {
    Event e;
    while (peekEvent(e)) {
    }
    e.kind = EventKind::Command;
    e.command = 77;
    const uint32_t before = tickCount();
    EXPECT_FALSE(waitEventFor(30, e));
    EXPECT_GE(tickDiff(tickCount(), before), 30);
    EXPECT_EQ(e.command, 77) << "a wait that timed out changed the event";
    postCloseRequest();
    ASSERT_TRUE(waitEventFor(1000, e));
    EXPECT_EQ(e.kind, EventKind::CloseRequested);
    EXPECT_FALSE(peekEvent(e));
}

TEST(FltkClock, SleepingLastsAtLeastTheTimeAndKeepsEventsQueued) {
    Event e;
    while (peekEvent(e)) {
    }
    const uint32_t before = tickCount();
    Event posted;
    posted.kind = EventKind::MidiShort;
    posted.midiWord = 0x40B0;
    desktopPostEvent(posted);
    sleepMilliseconds(25);
    EXPECT_GE(tickDiff(tickCount(), before), 25);
    ASSERT_TRUE(peekEvent(e));
    EXPECT_EQ(e.midiWord, 0x40B0u);
}

TEST(FltkInput, TheScreenSizeIsTheXScreens) {
    int w = 0, h = 0;
    screenSize(w, h);
    ASSERT_TRUE(ktfltk::openDisplay());
    EXPECT_EQ(w, DisplayWidth(fl_display, fl_screen));
    EXPECT_EQ(h, DisplayHeight(fl_display, fl_screen));
    EXPECT_GT(w, 0);
}

TEST(FltkProcess, ThePathFileFolderFollowsTheXdgRules) {
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = savedConfig ? savedConfig : "";
    const char* savedHome = std::getenv("HOME");
    const std::string home = savedHome ? savedHome : "";
    setenv("HOME", "/home/tester", 1);
    setenv("XDG_CONFIG_HOME", "/srv/conf/", 1);
    EXPECT_EQ(fixedPathFolder(), "/srv/conf/Qrdxpath");
    setenv("XDG_CONFIG_HOME", "relative/conf", 1);  // not absolute: ignored
    EXPECT_EQ(fixedPathFolder(), "/home/tester/.config/Qrdxpath");
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(fixedPathFolder(), "/home/tester/.config/Qrdxpath");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(fixedPathFolder(), "/home/tester/.config/Qrdxpath");
    setenv("XDG_CONFIG_HOME", "/", 1);
    EXPECT_EQ(fixedPathFolder(), "/Qrdxpath");
    if (savedConfig) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", home.c_str(), 1);

    EXPECT_EQ(pathSeparator(), '/');
    EXPECT_TRUE(isPathSplit('/'));
    EXPECT_FALSE(isPathSplit('\\'));
    EXPECT_FALSE(isPathSplit(':'));
    EXPECT_EQ(currentDirectory(), std::filesystem::current_path().string());
}

std::string stderrOf(void (*action)()) {
    std::fflush(stderr);
    char name[] = "/tmp/kt_announce_XXXXXX";
    const int file = mkstemp(name);
    const int saved = dup(2);
    dup2(file, 2);
    action();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string text;
    lseek(file, 0, SEEK_SET);
    char buffer[512];
    for (ssize_t n; (n = read(file, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    close(file);
    unlink(name);
    return text;
}

TEST(FltkAnnounce, SilentUnlessAskedThenOneLinePerHappening) {
    unsetenv("KT_ANNOUNCE");
    EXPECT_EQ(stderrOf([] { announce(Announcement::WindowText, {"x"}); }), "");
    setenv("KT_ANNOUNCE", "1", 1);
    EXPECT_EQ(stderrOf([] { announce(Announcement::WindowText, {" Update was successful!!!"}); }),
              "announce: text \" Update was successful!!!\"\n");
    EXPECT_EQ(stderrOf([] { announce(Announcement::MessageShown, {"a \"b\"", "c"}); }),
              "announce: message \"a \\\"b\\\"\" \"c\"\n");
    EXPECT_EQ(stderrOf([] { announce(Announcement::ChoiceAnswered, {"q", "1:x", "2:y"}, 2); }),
              "announce: choice \"q\" \"1:x\" \"2:y\" -> 2\n");
    unsetenv("KT_ANNOUNCE");
}

}  // namespace

namespace {

// A lost wake-up or a wait that never ends fails the run instead of hanging it.
void onAlarm(int) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string line = std::string("TIMEOUT in ") + (test ? test->test_suite_name() : "?") + "." +
                             (test ? test->name() : "?") + ": a wait never ended\n";
    (void)!write(2, line.data(), line.size());
    _exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::signal(SIGALRM, onAlarm);
    alarm(60);
    return RUN_ALL_TESTS();
}

// ---- the text window and the local time

#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>

#include <ctime>
#include <regex>

#include "platform/textview.h"

namespace {

// The shown top-level windows that hold a text display, with that display.
std::vector<std::pair<Fl_Window*, Fl_Text_Display*>> shownTextWindows() {
    std::vector<std::pair<Fl_Window*, Fl_Text_Display*>> found;
    for (Fl_Window* window = Fl::first_window(); window != nullptr; window = Fl::next_window(window)) {
        for (int i = 0; i < window->children(); ++i) {
            if (auto* display = dynamic_cast<Fl_Text_Display*>(window->child(i))) found.emplace_back(window, display);
        }
    }
    return found;
}

std::string textOf(Fl_Text_Display* display) {
    char* text = display->buffer()->text();  // a copy the caller frees
    std::string copy = text;
    std::free(text);
    return copy;
}

TEST_F(FltkBackendTest, TheTextWindowShowsTheLinesAndASecondTextReplacesThemInTheSameWindow) {
    ASSERT_TRUE(shownTextWindows().empty());
    std::vector<std::string> lines;
    for (int i = 1; i <= 99; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "%02d  %-16s %s", i, i % 2 ? "Warm Pad" : "Bright Lead",
                      std::string(40, char('a' + i % 26)).c_str());
        lines.push_back(line);
    }
    lines.push_back("");
    lines.push_back("  end of the list  ");
    showTextView("Unit Memory", lines);
    Fl::flush();

    auto windows = shownTextWindows();
    ASSERT_EQ(windows.size(), 1u);
    Fl_Window* window = windows[0].first;
    Fl_Text_Display* display = windows[0].second;
    EXPECT_NE(window, Window);
    EXPECT_TRUE(window->shown());
    EXPECT_EQ(window->parent(), nullptr);
    EXPECT_FALSE(window->modal());
    EXPECT_EQ(std::string(window->label()), "Unit Memory");
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) joined += (i > 0 ? "\n" : "") + lines[i];
    EXPECT_EQ(textOf(display), joined);
    EXPECT_EQ(display->textfont(), FL_COURIER);
    // Wide enough for 60 characters of its font beside the scroll bar, and room for rows.
    fl_font(display->textfont(), display->textsize());
    EXPECT_GE(display->w(), static_cast<int>(fl_width(std::string(60, 'M').c_str())) + Fl::scrollbar_size());
    EXPECT_GE(display->h(), 20 * fl_height());

    // It is another window in front: the editor must not take it for its main window, and it
    // makes no events of its own.
    ktfltk::pump(0.05);
    EXPECT_EQ(foregroundWindow(), ForegroundOther);
    for (const Event& e : drainEvents()) {
        EXPECT_TRUE(e.kind == EventKind::Other || e.kind == EventKind::Repaint) << int(e.kind);
    }

    showTextView("Unit Memory (2)", {"only", "two lines"});
    Fl::flush();
    windows = shownTextWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].first, window);
    EXPECT_EQ(std::string(window->label()), "Unit Memory (2)");
    EXPECT_EQ(textOf(windows[0].second), "only\ntwo lines");

    // Its close button hides it and asks the program nothing; the main window is in front.
    window->do_callback();
    Fl::flush();
    EXPECT_FALSE(window->shown());
    EXPECT_TRUE(Window->shown());
    EXPECT_TRUE(shownTextWindows().empty());
    EXPECT_EQ(foregroundWindow(), ForegroundMain);
    for (const Event& e : drainEvents()) EXPECT_NE(e.kind, EventKind::CloseRequested);

    // The next text brings the same window back.
    showTextView("Again", {});
    windows = shownTextWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].first, window);
    EXPECT_EQ(std::string(window->label()), "Again");
    EXPECT_EQ(textOf(windows[0].second), "");

    window->do_callback();
    EXPECT_TRUE(shownTextWindows().empty());
}

// ---- the live text view

// Line n of a MIDI monitor's flood; every line differs.
std::string monitorLine(int n) {
    char line[80];
    std::snprintf(line, sizeof line, "%06d  90 3C 64  Note On   ch 1  C4  vel 100", n);
    return line;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1) {
        lines.push_back(text.substr(from, at - from));
    }
    lines.push_back(text.substr(from));
    return lines;
}

// The shown text window with this caption, or nulls.
std::pair<Fl_Window*, Fl_Text_Display*> shownTextWindow(const std::string& caption) {
    for (const auto& found : shownTextWindows()) {
        if (found.first->label() != nullptr && caption == found.first->label()) return found;
    }
    return {nullptr, nullptr};
}

bool showsTheEnd(Fl_Text_Display* display) {
    int x = 0, y = 0;
    return display->position_to_xy(display->buffer()->length(), &x, &y) != 0;
}

// Runs the event loop for a third of a second, long enough for the live window to take
// what waits for it; returns what was announced meanwhile.
std::string announcedWhileIdle() {
    setenv("KT_ANNOUNCE", "1", 1);
    const std::string said = stderrOf([] { sleepMilliseconds(300); });
    unsetenv("KT_ANNOUNCE");
    return said;
}

int countOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST_F(FltkBackendTest, TheLiveViewKeepsTheNewestLinesTakesThemTenTimesASecondAndFollowsTheEnd) {
    ASSERT_FALSE(liveTextViewOpen());
    std::vector<std::string> burst;
    for (int n = 1; n <= 25000; ++n) burst.push_back(monitorLine(n));
    appendTextView("MIDI Monitor", burst);

    // Open at once, empty, in front; the lines wait for the window's next update.
    EXPECT_TRUE(liveTextViewOpen());
    auto [window, display] = shownTextWindow("MIDI Monitor");
    ASSERT_NE(window, nullptr);
    EXPECT_NE(window, Window);
    EXPECT_EQ(display->textfont(), FL_COURIER);
    EXPECT_EQ(textOf(display), "");
    ktfltk::pump(0.0);
    EXPECT_EQ(foregroundWindow(), ForegroundOther);

    EXPECT_EQ(announcedWhileIdle(), "announce: live 10000 \"MIDI Monitor\" \"" + monitorLine(25000) + "\"\n");
    std::vector<std::string> held = linesOf(textOf(display));
    ASSERT_EQ(held.size(), LiveTextViewLines);
    EXPECT_EQ(held.front(), monitorLine(15001));
    EXPECT_EQ(held.back(), monitorLine(25000));
    EXPECT_TRUE(showsTheEnd(display));

    // A flood of single lines while the program goes on with its loop: the window takes them
    // in a few updates, drops the oldest and still shows the newest.
    static int next;  // the flood's next line (stderrOf takes a plain function)
    next = 25001;
    setenv("KT_ANNOUNCE", "1", 1);
    const auto started = std::chrono::steady_clock::now();
    const std::string said = stderrOf([] {
        for (int round = 0; round < 50; ++round) {
            for (int i = 0; i < 150; ++i) appendTextView("MIDI Monitor", {monitorLine(next++)});
            ktfltk::pump(0.01);
        }
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    unsetenv("KT_ANNOUNCE");
    EXPECT_GE(countOf(said, "announce: live 10000"), 1) << said;
    EXPECT_LE(countOf(said, "announce: live"), int(seconds * 10) + 1) << said;
    announcedWhileIdle();
    held = linesOf(textOf(display));
    ASSERT_EQ(held.size(), LiveTextViewLines);
    EXPECT_EQ(held.front(), monitorLine(next - 10000));
    EXPECT_EQ(held.back(), monitorLine(next - 1));
    EXPECT_TRUE(showsTheEnd(display));

    // Scrolled up to read: new lines come, the place stays.
    display->scroll(4000, 0);
    Fl::flush();
    ASSERT_FALSE(showsTheEnd(display));
    int x = 0, y = 0;
    const int readingAt = display->buffer()->skip_lines(0, 4010);
    ASSERT_NE(display->position_to_xy(readingAt, &x, &y), 0);
    const int readingY = y;
    appendTextView("MIDI Monitor", {monitorLine(next), "a line\nwith a break"});
    EXPECT_EQ(announcedWhileIdle(), "announce: live 10000 \"MIDI Monitor\" \"a line with a break\"\n");
    held = linesOf(textOf(display));
    ASSERT_EQ(held.size(), LiveTextViewLines);
    EXPECT_EQ(held[held.size() - 2], monitorLine(next));
    EXPECT_FALSE(showsTheEnd(display));
    // The line read is two lines nearer the start, at the same height.
    const int readNow = display->buffer()->skip_lines(0, 4008);
    ASSERT_NE(display->position_to_xy(readNow, &x, &y), 0);
    EXPECT_EQ(y, readingY);

    for (const Event& e : drainEvents()) {
        EXPECT_TRUE(e.kind == EventKind::Other || e.kind == EventKind::Repaint) << int(e.kind);
    }
    closeTextView();
}

TEST_F(FltkBackendTest, TheLiveViewIsAWindowBesideTheStaticOneAndClosingItDropsItsLines) {
    appendTextView("MIDI Monitor", {"first", "second"});
    announcedWhileIdle();
    auto [live, liveDisplay] = shownTextWindow("MIDI Monitor");
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(textOf(liveDisplay), "first\nsecond");

    // The static view comes in a window of its own and leaves the live one as it was.
    showTextView("Unit Memory", {"a", "b"});
    auto [memory, memoryDisplay] = shownTextWindow("Unit Memory");
    ASSERT_NE(memory, nullptr);
    EXPECT_NE(memory, live);
    EXPECT_EQ(shownTextWindows().size(), 2u);
    EXPECT_TRUE(liveTextViewOpen());
    appendTextView("MIDI Monitor", {"third"});
    announcedWhileIdle();
    EXPECT_EQ(textOf(liveDisplay), "first\nsecond\nthird");
    EXPECT_EQ(textOf(memoryDisplay), "a\nb");
    memory->do_callback();  // its close button
    EXPECT_TRUE(liveTextViewOpen());
    EXPECT_TRUE(live->shown());

    // Closed with lines still waiting: they go, and the update that was due does nothing.
    appendTextView("MIDI Monitor", {"never shown"});
    closeTextView();
    EXPECT_FALSE(liveTextViewOpen());
    EXPECT_FALSE(live->shown());
    EXPECT_EQ(announcedWhileIdle(), "");
    EXPECT_FALSE(live->shown());

    // The next line opens it again, empty, under the caption it comes with.
    appendTextView("MIDI Monitor (2)", {"again"});
    EXPECT_TRUE(liveTextViewOpen());
    EXPECT_TRUE(live->shown());
    EXPECT_EQ(std::string(live->label()), "MIDI Monitor (2)");
    EXPECT_EQ(textOf(liveDisplay), "");
    EXPECT_EQ(announcedWhileIdle(), "announce: live 1 \"MIDI Monitor (2)\" \"again\"\n");
    EXPECT_EQ(textOf(liveDisplay), "again");

    // Its close button closes it as closeTextView does, asks the program nothing and gives
    // the main window the focus back.
    ktfltk::pump(0.0);
    EXPECT_EQ(foregroundWindow(), ForegroundOther);
    appendTextView("MIDI Monitor (2)", {"also never shown"});
    live->do_callback();
    EXPECT_FALSE(liveTextViewOpen());
    EXPECT_FALSE(live->shown());
    EXPECT_EQ(foregroundWindow(), ForegroundMain);
    EXPECT_EQ(announcedWhileIdle(), "");
    for (const Event& e : drainEvents()) EXPECT_NE(e.kind, EventKind::CloseRequested);
    appendTextView("MIDI Monitor (2)", {});
    EXPECT_EQ(textOf(liveDisplay), "");
    closeTextView();
}

TEST_F(FltkBackendTest, AddingALineToTheOpenLiveViewIsCheap) {
    appendTextView("MIDI Monitor", {});
    ASSERT_TRUE(liveTextViewOpen());
    constexpr int Count = 200000;
    std::vector<std::string> lines;
    for (int n = 0; n < Count; ++n) lines.push_back(monitorLine(n));
    const auto started = std::chrono::steady_clock::now();
    for (const std::string& line : lines) appendTextView("MIDI Monitor", {line});
    const double micros =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started).count() / Count;
    std::printf("appendTextView: %.3f us per line\n", micros);
    // A monitor may see 200,000 lines a second: a line must cost well under 5 us.
    EXPECT_LT(micros, 2.0);
    EXPECT_EQ(announcedWhileIdle(),
              "announce: live 10000 \"MIDI Monitor\" \"" + monitorLine(Count - 1) + "\"\n");
    closeTextView();
}

// Formats t as local time field by field, without strftime.
std::string localText(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

TEST(FltkClock, TheLocalTimeIsTodaysDateAndTimeInTheLocalZone) {
    // A zone 5:30 east of UTC (no summer time): a text in UTC instead is off by hours.
    const char* oldZone = std::getenv("TZ");
    const std::string saved = oldZone != nullptr ? oldZone : "";
    setenv("TZ", "KTT-05:30", 1);
    tzset();

    const std::time_t before = std::time(nullptr);
    const std::string text = localTimeText();
    const std::time_t after = std::time(nullptr);

    EXPECT_TRUE(std::regex_match(text, std::regex("[0-9]{4}-[01][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9]")))
        << text;
    bool matched = false;
    for (std::time_t t = before - 2; t <= after + 2; ++t) matched = matched || text == localText(t);
    EXPECT_TRUE(matched) << text << " is not the local time " << localText(before);
    std::tm utc{};
    gmtime_r(&before, &utc);
    char utcText[64];
    std::strftime(utcText, sizeof utcText, "%Y-%m-%d %H:%M:%S", &utc);
    EXPECT_NE(text, std::string(utcText));

    if (oldZone != nullptr) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

}  // namespace
