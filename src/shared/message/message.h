// message.h - the message window: a small second window, caption "Message:", white text in
// the Canvas's built-in font on dark red, one text per line from the top-left corner. Both
// programs use it to tell the user something and wait for an answer; nothing else of the
// program runs while it waits.
//
// showMessage(main, detail): shows main, detail (unless empty) and "  press any key!", waits
//   for a key or a mouse click (a button still held from the click that led here is waited
//   out first), then closes the window.
// askChoice(question, c1, c2): shows the texts (c1, c2 only when not empty) and waits for the
//   key 1 or 2; returns 1 or 2. Every other key and every click is ignored.
// waitForKeyOrClick(): the wait of showMessage.
// messageWindowSize(lines, w, h): the window's size for these lines: as wide and high as the
//   texts need, at least 340 x 150, at most what the screen has room for (Canvas pixels).
#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"

constexpr Rgb MessageBackground{110, 0, 0};
constexpr Rgb MessageForeground{255, 255, 255};

void showMessage(const std::string& mainText, const std::string& detailText);
int askChoice(const std::string& question, const std::string& choice1, const std::string& choice2);
void waitForKeyOrClick();
void messageWindowSize(const std::vector<std::string>& lines, int& width, int& height);
