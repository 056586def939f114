// msgwindow.h - the message window: a second top-level window with caption "Message:",
// at screen position (50, 80), normally 340 x 150 pixels, that exists only while a message or
// a question waits for the user. Its keys and clicks arrive in the one event queue.
//
// openMessageWindow(caption, width, height): opens it (in front) with a client Canvas of
//   width x height (Canvas pixels; on the screen it is shown at the main window's zoom) and
//   returns that Canvas. An open message window takes the new size.
// presentMessageWindow(): shows what was drawn into that Canvas.
// closeMessageWindow(): closes it; the main window comes back to the front.
#pragma once

#include <string>

class Canvas;

constexpr int MessageWindowX = 50;
constexpr int MessageWindowY = 80;
constexpr int MessageWindowWidth = 340;
constexpr int MessageWindowHeight = 150;

Canvas& openMessageWindow(const std::string& caption, int width = MessageWindowWidth,
                          int height = MessageWindowHeight);
void presentMessageWindow();
void closeMessageWindow();
