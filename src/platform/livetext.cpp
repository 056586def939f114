// livetext.cpp - the desktop backends' share of the live text view. See livetext.h.
#include "platform/livetext.h"

#include <algorithm>

#include "platform/textview.h"

namespace {

// A line is one line of the view whatever it holds.
void appendLine(std::string& text, const std::string& line) {
    const std::size_t from = text.size();
    text += line;
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') text[i] = ' ';
    }
}

}  // namespace

void openLiveLines(LiveLines& live, const std::string& title) {
    live.open = true;
    live.title = title;
    live.held = 0;
    live.lastLine.clear();
}

bool queueLiveLines(LiveLines& live, const std::vector<std::string>& lines) {
    // Only the last LiveTextViewLines lines can be shown; earlier ones are not even copied.
    const std::size_t first = lines.size() > LiveTextViewLines ? lines.size() - LiveTextViewLines : 0;
    for (std::size_t i = first; i < lines.size(); ++i) {
        if (live.pending.size() == LiveTextViewLines) live.pending.pop_front();
        live.pending.push_back(lines[i]);
    }
    return !live.pending.empty() && !live.timerArmed;
}

LiveTake takeLiveLines(LiveLines& live, const char* lineBreak) {
    LiveTake take;
    const std::size_t added = live.pending.size();  // never above LiveTextViewLines
    if (added == 0) return take;
    // All held lines go when the new ones fill the view; otherwise the oldest past the bound,
    // fewer than are held, so the text follows a held line.
    take.replace = live.held + added > LiveTextViewLines && added >= LiveTextViewLines;
    if (!take.replace && live.held + added > LiveTextViewLines) take.dropped = live.held + added - LiveTextViewLines;
    const bool follows = !take.replace && live.held > 0;
    for (std::size_t i = 0; i < added; ++i) {
        if (i > 0 || follows) take.text += lineBreak;
        appendLine(take.text, live.pending[i]);
    }
    live.held = take.replace ? added : live.held + added - take.dropped;
    live.lastLine.clear();
    appendLine(live.lastLine, live.pending.back());
    live.pending.clear();
    return take;
}

void liveTookMs(LiveLines& live, uint32_t ms) {
    live.delayMs = static_cast<unsigned>(std::clamp<uint64_t>(uint64_t(ms) * 4, LiveUpdateMs, LiveLongestDelayMs));
}

void closeLiveLines(LiveLines& live) {
    live.pending.clear();
    live.open = false;
    live.held = 0;
    live.lastLine.clear();
}
