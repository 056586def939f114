// input.h - the live state of the mouse and of the window system, read at any moment.
//
// mousePosition: the pointer in client coordinates of the main window (may be outside it).
// mouseButtons: 0 none, 1 left, 2 right, 3 both, as they are now (not as queued events say).
// shiftHeld: a Shift key is down now (either one), whichever window has the keyboard.
// foregroundWindow: an identity of the window in front: ForegroundMain for the main window,
//   ForegroundMessage for the message window, anything else for other windows. Compared only
//   with earlier results of the same call.
// screenSize: the screen's width and height in pixels.
// screenDpi: the screen's dots per inch (96 on a screen of ordinary resolution).
#pragma once

constexpr int ForegroundOther = 0;
constexpr int ForegroundMain = 1;
constexpr int ForegroundMessage = 2;

void mousePosition(int& x, int& y);
int mouseButtons();
bool shiftHeld();
int foregroundWindow();
void screenSize(int& width, int& height);
int screenDpi();
