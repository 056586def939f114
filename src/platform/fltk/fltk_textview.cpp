// fltk_textview.cpp - the text window on FLTK 1.3: a top-level window of its own that shows
// lines of text read-only in a fixed-width font, with a scroll bar.
//
// One window serves every call: it is made on first use and kept; a later call puts the new
// caption and text into it and shows it again. It is not modal and makes no Events: while it
// is in front, foregroundWindow says "another window" (the focus is inside it), which is all
// the program learns of it. Its close button (and Escape) only hide it.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/fl_draw.H>
// Xlib (FL/x.H, also under fl_draw.H) defines None as a macro; EventKind has a None too.
#undef None

#include <cerrno>  // program_invocation_short_name
#include <string>
#include <vector>

#include "platform/fltk/fltk_state.h"
#include "platform/input.h"
#include "platform/textview.h"

namespace ktfltk {

namespace {

constexpr Fl_Font TextFont = FL_COURIER;
constexpr int TextSize = 14;
// What the window is made to show without scrolling: lines of this many characters, this
// many of them (longer texts scroll).
constexpr int VisibleColumns = 60;
constexpr int VisibleRows = 30;

void textWindowCallback(Fl_Widget* widget, void*) {
    // FLTK calls this for the close button and for an Escape nobody took. The window goes
    // out of sight and stays made for the next text; the program is not told.
    Fl_Window* window = static_cast<Fl_Window*>(widget);
    Fl_Widget* focus = Fl::focus();
    const bool hadFocus = focus != nullptr && focus->top_window() == window;
    window->hide();
    // As on other systems, the main window comes back to the front when the window in front
    // of it goes away; FLTK would otherwise leave the keyboard focus with nobody.
    if (hadFocus) focusMainWindow();
}

void makeTextWindow() {
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

    backend().TheTextWindow = new Fl_Double_Window(width, height);
    backend().TheTextDisplay = new Fl_Text_Display(0, 0, width, height);
    backend().TheTextBuffer = new Fl_Text_Buffer();
    backend().TheTextDisplay->buffer(backend().TheTextBuffer);
    backend().TheTextDisplay->textfont(TextFont);
    backend().TheTextDisplay->textsize(TextSize);
    backend().TheTextWindow->end();
    backend().TheTextWindow->resizable(backend().TheTextDisplay);
    backend().TheTextWindow->size_range(20 * columnWidth, 5 * rowHeight);
    backend().TheTextWindow->callback(textWindowCallback);
    if (program_invocation_short_name != nullptr) backend().TheTextWindow->xclass(program_invocation_short_name);
}

}  // namespace

}  // namespace ktfltk

using namespace ktfltk;

// ---- textview.h

void showTextView(const std::string& title, const std::vector<std::string>& lines) {
    startFltk();
    if (!openDisplay()) return;
    if (backend().TheTextWindow == nullptr) makeTextWindow();

    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    backend().TheTextWindow->copy_label(title.c_str());
    backend().TheTextBuffer->text(text.c_str());
    // A new text is read from its beginning, wherever the last one was scrolled to.
    backend().TheTextDisplay->insert_position(0);
    backend().TheTextDisplay->scroll(1, 0);

    // show() maps a hidden window and raises one that is already shown.
    backend().TheTextWindow->show();
    // A new window is the one in front, as on other systems right after it is shown; the
    // window system's focus events follow when they come.
    if (!backend().TheTextDisplay->take_focus()) Fl::focus(backend().TheTextWindow);
}
