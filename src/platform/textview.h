// textview.h - windows that show lines of text for the user to read, with a caption, in a
// fixed-width font. None of them waits: the program goes on while they are open.
//
// showTextView(title, lines): the static view (the editor's record of the unit's memory, say).
//   The window stays until the user closes it or the program shows another text, which
//   replaces the first. The lines are shown as they are.
//
// The live view is a second window, of its own, that grows while the program runs (a log of
// the MIDI traffic, say); the static view never replaces it.
// appendTextView(title, lines): adds the lines at the end of the live view, opening it (empty,
//   in front, under `title`) when it is not open. It keeps the last LiveTextViewLines lines;
//   older ones are dropped. Adding is cheap however fast lines come: a desktop window takes
//   what was added at most ten times a second, less often when an update itself takes long
//   (the lines wait, the oldest dropped past the bound), and follows the newest line unless the user has scrolled away from the end.
// liveTextViewOpen(): the live view is open; false once the user has closed its window (its
//   close button) or closeTextView closed it.
// closeTextView(): closes the live view; its lines go with it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

constexpr std::size_t LiveTextViewLines = 10000;

void showTextView(const std::string& title, const std::vector<std::string>& lines);
void appendTextView(const std::string& title, const std::vector<std::string>& lines);
bool liveTextViewOpen();
void closeTextView();
