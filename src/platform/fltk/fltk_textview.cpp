// fltk_textview.cpp - the text windows on FLTK 1.3: top-level windows of their own that show
// lines of text read-only in a fixed-width font, with a scroll bar. Both are made alike by
// makeTextWindow, on first use, and kept; their close buttons (and Escape) only hide them.
//
// The static view: each showTextView puts the new caption and text into its window and shows
// it again.
//
// The live view: appendTextView only queues the lines (livetext.h, bounded like the view) and
// arms a timeout of a tenth of a second (longer after a slow update); the timeout, which runs inside Fl::wait like any
// other happening of the window system, hands everything queued to the window in one go. So
// a flood of lines costs a copy each, and the window is updated at most ten times a second.
// Its buffer keeps the last LiveTextViewLines lines, trimmed from the start.
//
// Neither window is modal or makes Events: while one is in front, foregroundWindow says
// "another window" (the focus is inside it), which is all the program learns of it.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/fl_draw.H>
// Xlib (FL/x.H, also under fl_draw.H) defines None as a macro; EventKind has a None too.
#undef None

#include <algorithm>
#include <cerrno>  // program_invocation_short_name
#include <cstddef>
#include <string>
#include <vector>

#include "platform/announce.h"
#include "platform/clock.h"
#include "platform/fltk/fltk_state.h"
#include "platform/input.h"
#include "platform/livetext.h"
#include "platform/textview.h"

namespace ktfltk {

// FLTK's text display, telling where it is scrolled to.
class TextDisplay : public Fl_Text_Display {
public:
    using Fl_Text_Display::Fl_Text_Display;
    int topLine() const { return mTopLineNum; }  // the number of the top line shown, from 1
    int horizontalOffset() const { return mHorizOffset; }
};

namespace {

constexpr Fl_Font TextFont = FL_COURIER;
constexpr int TextSize = 14;
// What a window is made to show without scrolling: lines of this many characters, this
// many of them (longer texts scroll).
constexpr int VisibleColumns = 60;
constexpr int VisibleRows = 30;

// Hides a text window, giving the keyboard focus back to the main window if the text window
// had it.
void hideTextWindow(Fl_Window* window) {
    Fl_Widget* focus = Fl::focus();
    const bool hadFocus = focus != nullptr && focus->top_window() == window;
    window->hide();
    // As on other systems, the main window comes back to the front when the window in front
    // of it goes away; FLTK would otherwise leave the keyboard focus with nobody.
    if (hadFocus) focusMainWindow();
}

void staticWindowCallback(Fl_Widget* widget, void*) {
    // FLTK calls this for the close button and for an Escape nobody took. The window goes
    // out of sight and stays made for the next text; the program is not told.
    hideTextWindow(static_cast<Fl_Window*>(widget));
}

void liveWindowCallback(Fl_Widget*, void*) {
    // The close button or Escape: the live view closes as closeTextView closes it; the
    // program sees it through liveTextViewOpen.
    closeTextView();
}

TextWindow makeTextWindow(Fl_Callback* onClose) {
    // Measured in the font itself, so the window fits the text whatever the X server's
    // Courier turns out to be.
    fl_font(TextFont, TextSize);
    const int columnWidth = static_cast<int>(fl_width("0123456789") / 10.0 + 0.999);
    const int rowHeight = fl_height();
    // Fl_Text_Display draws its down frame around the text and keeps a margin of 3 pixels
    // left and right of it and 1 above and below; the scroll bars take their own strips (the
    // horizontal one comes once a line is wider than the window). A few pixels more keep the
    // last column clear of the scroll bar.
    const int width = VisibleColumns * columnWidth + Fl::box_dw(FL_DOWN_FRAME) + 2 * 3 + Fl::scrollbar_size() + 4;
    const int height = VisibleRows * rowHeight + Fl::box_dh(FL_DOWN_FRAME) + 2 * 1 + Fl::scrollbar_size();

    TextWindow made;
    made.Window = new Fl_Double_Window(width, height);
    made.Display = new TextDisplay(0, 0, width, height);
    made.Buffer = new Fl_Text_Buffer();
    made.Display->buffer(made.Buffer);
    made.Display->textfont(TextFont);
    made.Display->textsize(TextSize);
    made.Window->end();
    made.Window->resizable(made.Display);
    made.Window->size_range(20 * columnWidth, 5 * rowHeight);
    made.Window->callback(onClose);
    if (program_invocation_short_name != nullptr) made.Window->xclass(program_invocation_short_name);
    return made;
}

// Shows a made text window (mapping a hidden one, raising one already shown) and gives it the
// keyboard focus: a new window is the one in front, as on other systems right after it is
// shown; the window system's focus events follow when they come.
void showInFront(const TextWindow& text) {
    text.Window->show();
    if (!text.Display->take_focus()) Fl::focus(text.Window);
}

// Hands the queued lines to the live window: its buffer gets them at its end and loses its
// oldest lines past LiveTextViewLines. The view follows the newest line if it showed the end
// before; a user who scrolled away to read keeps the place.
void takePendingLines() {
    Backend& b = backend();
    LiveLines& live = b.Live;
    if (live.taking || !live.open || b.LiveText.Buffer == nullptr || live.pending.empty()) return;
    live.taking = true;
    Fl_Text_Buffer* buffer = b.LiveText.Buffer;
    TextDisplay* display = b.LiveText.Display;

    int x = 0, y = 0;
    const bool showsEnd = display->position_to_xy(buffer->length(), &x, &y) != 0;
    const int topLine = display->topLine();

    const LiveTake take = takeLiveLines(live, "\n");
    if (take.replace) {
        buffer->text(take.text.c_str());
    } else {
        if (take.dropped > 0) buffer->remove(0, buffer->skip_lines(0, static_cast<int>(take.dropped)));
        buffer->append(take.text.c_str());
    }
    const std::size_t dropped = take.replace ? 0 : take.dropped;

    if (showsEnd) {
        // To the start of the last line: a long newest line does not pull the view sideways.
        display->insert_position(buffer->line_start(buffer->length()));
        display->show_insert_position();
    } else if (dropped > 0) {
        // FLTK keeps the number of the top line, so the text would slide up by the lines
        // dropped from the start; the reader's line stays put instead (while it is held).
        const int keptTop = std::max(1, topLine - static_cast<int>(dropped));
        if (display->topLine() != keptTop) display->scroll(keptTop, display->horizontalOffset());
    }
    live.taking = false;
    announce(Announcement::LiveTextShown, {live.title, live.lastLine}, static_cast<int>(live.held));
}

void liveTimeout(void*) {
    backend().Live.timerArmed = false;
    const uint32_t start = tickCount();
    takePendingLines();
    liveTookMs(backend().Live, tickSince(tickCount(), start));
}

}  // namespace

}  // namespace ktfltk

using namespace ktfltk;

// ---- textview.h

void showTextView(const std::string& title, const std::vector<std::string>& lines) {
    startFltk();
    if (!openDisplay()) return;
    TextWindow& view = backend().StaticText;
    if (view.Window == nullptr) view = makeTextWindow(staticWindowCallback);

    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    view.Window->copy_label(title.c_str());
    view.Buffer->text(text.c_str());
    // A new text is read from its beginning, wherever the last one was scrolled to.
    view.Display->insert_position(0);
    view.Display->scroll(1, 0);
    showInFront(view);
}

void appendTextView(const std::string& title, const std::vector<std::string>& lines) {
    Backend& b = backend();
    if (!b.Live.open) {
        startFltk();
        if (!openDisplay()) return;
        if (b.LiveText.Window == nullptr) {
            b.LiveText = makeTextWindow(liveWindowCallback);
            // The view's own record of its lines is the only one kept: nothing is undone.
            b.LiveText.Buffer->canUndo(0);
        }
        openLiveLines(b.Live, title);
        b.LiveText.Window->copy_label(title.c_str());
        b.LiveText.Buffer->text("");
        showInFront(b.LiveText);
    }
    if (queueLiveLines(b.Live, lines)) {
        b.Live.timerArmed = true;
        Fl::add_timeout(b.Live.delayMs / 1000.0, liveTimeout);
    }
}

bool liveTextViewOpen() { return backend().Live.open; }

void closeTextView() {
    Backend& b = backend();
    if (b.Live.timerArmed) {
        Fl::remove_timeout(liveTimeout);
        b.Live.timerArmed = false;
    }
    closeLiveLines(b.Live);
    if (b.LiveText.Window != nullptr) {
        // The lines go now, not when the window opens again: they are 10,000 lines of memory.
        b.LiveText.Buffer->text("");
        hideTextWindow(b.LiveText.Window);
    }
}
