// textview.h - a window that shows lines of text for the user to read (the editor's record
// of the unit's memory, say), with a caption. It does not wait: the program goes on, and the
// window stays until the user closes it or the program shows another text, which replaces
// the first. The lines are shown as they are, in a fixed-width font.
#pragma once

#include <string>
#include <vector>

void showTextView(const std::string& title, const std::vector<std::string>& lines);
