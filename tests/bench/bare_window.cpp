// bare_window - the yardstick of the start-up benchmark: an FLTK window of the editor's size
// (the panel and the menu bar) that draws one filled rectangle and ends after its first paint
// reached the display, tracing the same steps ("main", "first-paint") as the programs do.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>

#include <cstdlib>

#include "platform/trace.h"

namespace {

bool Painted = false;  // the window drew itself once

class BareWindow : public Fl_Double_Window {
public:
    BareWindow(int w, int h) : Fl_Double_Window(w, h, "bare window") {}
    void draw() override {
        fl_rectf(0, 0, w(), h(), FL_DARK_CYAN);
        Painted = true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    traceStep("main");
    const int width = argc > 1 ? atoi(argv[1]) : 1336;
    const int height = argc > 2 ? atoi(argv[2]) : 722 + 25;
    BareWindow window(width, height);
    window.show();
    // Fl::wait draws what is damaged before it waits, so the expose it returns with is drawn
    // by the flush after it.
    while (!Painted && Fl::first_window() != nullptr) {
        Fl::wait();
        Fl::flush();
    }
    traceStep("first-paint");
    return 0;
}
