// livetext.h - what the desktop backends share of the live text view (textview.h): the lines
// queued for its window, the plan by which the window takes them, and when it next does.
// The backends do only what differs: their widget's calls and their timer.
//
// LiveLines: the live view's state (one in each desktop backend's state).
// openLiveLines(live, title): the view opens empty under title.
// queueLiveLines(live, lines): the lines wait for the window, never more than
//   LiveTextViewLines of them (the oldest dropped; of a longer list only its end is copied).
//   True when the window should be woken (lines wait and no wake-up is armed yet); the
//   caller arms its timer for live.delayMs and sets live.timerArmed.
// takeLiveLines(live, lineBreak): the pending lines as one text for the window, and what it
//   drops first: everything it holds (replace), or its `dropped` oldest lines, so it keeps at
//   most LiveTextViewLines. The text starts with a line break when it follows held lines.
//   Counts the held lines, keeps the last one, empties the queue. A line break inside a line
//   becomes a blank: one added line is one line of the view.
// liveTookMs(live, ms): the window's update took ms: the next waits four times that long,
//   at least LiveUpdateMs and at most LiveLongestDelayMs, so a slow widget takes at most a
//   fifth of the program's time and the window is updated at most ten times a second.
// closeLiveLines(live): the view closes; its lines, held and queued, are gone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

constexpr unsigned LiveUpdateMs = 100;
constexpr unsigned LiveLongestDelayMs = 2000;

struct LiveLines {
    bool open = false;                  // shown by appendTextView, not closed since
    std::string title;                  // its caption
    std::size_t held = 0;               // the lines its window holds (counted here)
    std::string lastLine;               // the last of them
    std::deque<std::string> pending;    // added since the window last took some, oldest first
    bool timerArmed = false;            // a wake-up of the window is due
    unsigned delayMs = LiveUpdateMs;    // from the first queued line to the window's update
    bool taking = false;                // the window is taking the pending lines right now
};

struct LiveTake {
    bool replace = false;     // the window drops all it holds
    std::size_t dropped = 0;  // otherwise: its oldest lines to drop
    std::string text;         // then appends this
};

void openLiveLines(LiveLines& live, const std::string& title);
bool queueLiveLines(LiveLines& live, const std::vector<std::string>& lines);
LiveTake takeLiveLines(LiveLines& live, const char* lineBreak);
void liveTookMs(LiveLines& live, uint32_t ms);
void closeLiveLines(LiveLines& live);
