// toolwindow.h - tool windows: second top-level windows (the library, say) whose pixels the
// program draws on a Canvas of their own, as it draws the main window's. A tool window is
// shown at the main window's zoom (setWindowZoom scales it too), has a caption and a close
// button, and its keys, clicks and wheel turns arrive in the one event queue carrying its
// number in Event::window (the main window's events carry MainWindowId).
//
// openToolWindow(name, caption, width, height): shows the tool window called `name` (a short
//   lower-case word; the simulation's scripts and transcript use it) with a client Canvas of
//   width x height Canvas pixels, in front, and returns its number (> 0; the same number for
//   the same name for the whole run). A window already shown takes the new size and comes to
//   the front. The Canvas keeps what was drawn into it while the window is hidden.
// toolWindowCanvas(window): its Canvas. Draw into it, then presentToolWindow(window).
// hideToolWindow(window): hides it (the program goes on; openToolWindow shows it again).
// toolWindowShown(window): whether it is shown.
// A click on the close button hides the window and queues ToolWindowHidden for it; a window
// that comes to the front (by the user's click, not by openToolWindow) queues
// WindowActivated. Repaint events carry the window that needs its Canvas shown again.
#pragma once

#include <string>

class Canvas;

constexpr int MainWindowId = 0;

int openToolWindow(const std::string& name, const std::string& caption, int width, int height);
Canvas& toolWindowCanvas(int window);
void presentToolWindow(int window);
void hideToolWindow(int window);
bool toolWindowShown(int window);
