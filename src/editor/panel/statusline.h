// statusline.h - the status line: a strip below the declared panel that says what state the
// editor is in, so a user never has to open a menu to find out.
//
// The strip is StatusStripHeight rows high, from row WindowHeight down (the main window's
// client area is the declared panel plus the strip; the panel and its coordinates are as
// declared). It is drawn with the panel's large font, white on black, in three parts:
//   left    the program's name ("(no name)" when it has none), with " (edited)" while the
//           panel differs from the program last loaded, saved, written as one program or
//           stored: the compare reference (editor/program/history.h) is that program, so
//           the one place that makes a program clean is setCompareReference. Values are
//           compared as the pots show them (clamped into their ranges).
//   middle  the mode, the first of: "MIDI Learn: click a pot", "MIDI Learn: move a control
//           for TITLE CAPTION", "Lock Parameters", "Morph M", "Compare"; empty when none.
//   right   the last result for StatusResultMs after it came, and while the mouse is over
//           a pot its "TITLE CAPTION = VALUE" (both, the result first, when both apply).
// TITLE CAPTION is potText of declaration.h ("Parameter N" for a pot without texts).
//
// Results (the texts each command gives when it succeeded; a failure has its message):
//   "Saved NAME", "Program written to NN", "Wrote N programs" (Write All), "Wrote N programs,
//   M unchanged" (Write Changed), "Stored to NN", "Exported 1 program", "Exported N programs",
//   "Imported N programs" ("1 program" for one in each).
//
// Globals:
//   StatusResult      the last result's text (empty: none)
//   StatusResultAt    the tick it came at
//   StatusLeft, StatusMiddle  the left and middle parts as last announced
//   StatusShown       the three parts as the strip shows them now
//
// showStatusResult(text): a new result; the loop is woken when it is due to go (wakeAfter).
// statusLeftText() / statusMiddleText() / statusRightText(): the parts as they are now.
// programEdited(): the panel differs from the compare reference (as the pots show values).
// countText(n, noun): "1 program", "N programs".
// startStatusLine(): at the command loop's start: the parts shown now are the ones announced
//   (only a change is announced).
// updateStatusLine(): once a command-loop pass: a change of the left or middle part is
//   announced (StatusChanged: the simulation's `status "LEFT" "MIDDLE"`) and the strip is
//   drawn again when any part changed. True when it drew (the caller presents the window).
// drawStatusLine(): the whole strip as the parts are now (the panel draws it with itself);
//   nothing when the main window's canvas has no room for it (a window of the declared size).
#pragma once

#include <array>
#include <cstdint>
#include <string>

constexpr int StatusStripHeight = 16;
constexpr uint32_t StatusResultMs = 5000;

extern std::string StatusResult;                 // the last result (empty: none)
extern uint32_t StatusResultAt;                  // the tick the last result came at
extern std::string StatusLeft, StatusMiddle;     // the left and middle parts as last announced
extern std::array<std::string, 3> StatusShown;   // left, middle, right as the strip shows them

void resetStatusLineState();
void showStatusResult(const std::string& text);
std::string statusLeftText();
std::string statusMiddleText();
std::string statusRightText();
bool programEdited();
std::string countText(int n, const std::string& noun);
void startStatusLine();
bool updateStatusLine();
void drawStatusLine();
