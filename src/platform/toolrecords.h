// toolrecords.h - the bookkeeping that every backend's tool windows share. A backend keeps one
// record per tool window name in a deque (so a record, and the Canvas in it, stays put when
// another window opens); a record's number is its place + 1 and holds for the whole run.
// Records have a `Name` and a `Pixels` Canvas.
//
// toolRecordFor(tools, name, width, height, number): the record of that name (added when new)
//   with its number; its Canvas takes width x height (at least 1 x 1), and only a new size
//   starts it blank: a window shown again keeps what was drawn.
// toolRecordNumbered(tools, window): the record with that number, or nullptr.
#pragma once

#include <algorithm>
#include <deque>
#include <string>

template <class Record>
Record& toolRecordFor(std::deque<Record>& tools, const std::string& name, int width, int height, int& number) {
    auto found = std::find_if(tools.begin(), tools.end(), [&name](const Record& r) { return r.Name == name; });
    if (found == tools.end()) {
        tools.emplace_back();
        tools.back().Name = name;
        found = tools.end() - 1;
    }
    number = static_cast<int>(found - tools.begin()) + 1;
    Record& tool = *found;
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width != tool.Pixels.width() || height != tool.Pixels.height()) tool.Pixels.resize(width, height);
    return tool;
}

template <class Record>
Record* toolRecordNumbered(std::deque<Record>& tools, int window) {
    if (window < 1 || window > static_cast<int>(tools.size())) return nullptr;
    return &tools[static_cast<size_t>(window) - 1];
}
