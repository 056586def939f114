// The live text view's queue and the plan its desktop windows follow: the bound on what
// waits and what is held, the line breaks between the old text and the new, and when the
// next update comes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/livetext.h"
#include "platform/textview.h"

namespace {

std::vector<std::string> numbered(int from, int count) {
    std::vector<std::string> lines;
    for (int i = from; i < from + count; ++i) lines.push_back("line " + std::to_string(i));
    return lines;
}

TEST(LiveLines, KeepTheNewestLinesAndTellTheWindowWhatToDropAndAppend) {
    LiveLines live;
    openLiveLines(live, "Log");
    EXPECT_TRUE(queueLiveLines(live, {"a\nb", "c"}));  // wake the window
    live.timerArmed = true;
    EXPECT_FALSE(queueLiveLines(live, {}));              // already woken
    LiveTake take = takeLiveLines(live, "\r\n");
    EXPECT_FALSE(take.replace);
    EXPECT_EQ(take.dropped, 0u);
    EXPECT_EQ(take.text, "a b\r\nc");  // a break inside a line would miscount the view
    EXPECT_EQ(live.held, 2u);

    // Up to the bound: the next text follows the held lines with a break, and the oldest go.
    queueLiveLines(live, numbered(0, LiveTextViewLines - 2));
    take = takeLiveLines(live, "\n");
    EXPECT_EQ(take.dropped, 0u);
    EXPECT_EQ(take.text.substr(0, 7), "\nline 0");
    EXPECT_EQ(live.held, LiveTextViewLines);
    queueLiveLines(live, numbered(100, 5));
    take = takeLiveLines(live, "\n");
    EXPECT_FALSE(take.replace);
    EXPECT_EQ(take.dropped, 5u);
    EXPECT_EQ(live.held, LiveTextViewLines);
    EXPECT_EQ(live.lastLine, "line 104");
    EXPECT_TRUE(live.pending.empty());

    // A flood: only the last LiveTextViewLines wait, and they replace everything held.
    queueLiveLines(live, numbered(0, 15000));
    queueLiveLines(live, numbered(15000, 2500));
    EXPECT_EQ(live.pending.size(), LiveTextViewLines);
    EXPECT_EQ(live.pending.front(), "line 7500");
    take = takeLiveLines(live, "\n");
    EXPECT_TRUE(take.replace);
    EXPECT_EQ(take.text.substr(0, 9), "line 7500");
    EXPECT_EQ(live.held, LiveTextViewLines);

    closeLiveLines(live);
    EXPECT_FALSE(live.open);
    EXPECT_EQ(live.held, 0u);
}

TEST(LiveLines, ASlowUpdatePutsTheNextOffButNeverPastTwoSeconds) {
    LiveLines live;
    liveTookMs(live, 3);
    EXPECT_EQ(live.delayMs, LiveUpdateMs);
    liveTookMs(live, 120);
    EXPECT_EQ(live.delayMs, 480u);
    liveTookMs(live, 4000000000u);
    EXPECT_EQ(live.delayMs, LiveLongestDelayMs);
}

}  // namespace
