// The message window as the user sees it: its lines, its colours, and which key or click
// ends its wait.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "platform/sim/sim.h"
#include "shared/message/message.h"

namespace {

class MessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset("/nowhere");
        sim::setTranscript(&Out);
    }
    void TearDown() override { sim::setTranscript(nullptr); }
    void keyAt(uint32_t at, int key) {
        Event e;
        e.kind = EventKind::Key;
        e.key = key;
        sim::scheduleEvent(at, e);
    }
    // True when the text row starting at y holds white pixels (some glyph drawn there).
    static bool rowHasText(const Canvas& c, int y) {
        for (int yy = y; yy < y + Canvas::TextLineHeight; ++yy)
            for (int x = 0; x < c.width(); ++x)
                if (c.pixel(x, yy) == MessageForeground) return true;
        return false;
    }
    std::ostringstream Out;
};

TEST_F(MessageTest, ShowsMainDetailAndPromptOnDarkRedThenClosesOnAKey) {
    bool checked = false;
    sim::schedule(100, [&] {
        ASSERT_TRUE(sim::messageWindowIsOpen());
        const Canvas& c = sim::messageWindowCanvas();
        EXPECT_EQ(c.width(), 340);
        EXPECT_EQ(c.height(), 150);
        EXPECT_EQ(c.pixel(339, 149), MessageBackground);
        EXPECT_TRUE(rowHasText(c, 0));
        EXPECT_TRUE(rowHasText(c, 16));
        EXPECT_TRUE(rowHasText(c, 32));
        EXPECT_FALSE(rowHasText(c, 48));
        checked = true;
    });
    keyAt(200, 'x');
    sim::setScriptEnd(200);
    showMessage("  KtProg.CFG out of data", "  in line : 12");
    EXPECT_TRUE(checked);
    EXPECT_FALSE(sim::messageWindowIsOpen());
    EXPECT_EQ(tickCount(), 200u);
    EXPECT_EQ(Out.str(), "0 message \"  KtProg.CFG out of data\" \"  in line : 12\"\n");
}

TEST_F(MessageTest, EmptyDetailLeavesTwoLines) {
    bool checked = false;
    sim::schedule(10, [&] {
        EXPECT_TRUE(rowHasText(sim::messageWindowCanvas(), 16));   // the prompt moved up
        EXPECT_FALSE(rowHasText(sim::messageWindowCanvas(), 32));
        checked = true;
    });
    keyAt(20, 'x');
    sim::setScriptEnd(20);
    showMessage("main", "");
    EXPECT_TRUE(checked);
}

TEST_F(MessageTest, TheClickThatLedHereDoesNotDismissIt) {
    sim::setMouse(5, 5, 1);  // still held when the message opens
    Event discard;
    peekEvent(discard);
    sim::schedule(300, [] { sim::setMouse(5, 5, 0); });
    sim::schedule(900, [] { sim::setMouse(5, 5, 1); });
    sim::setScriptEnd(2000);
    showMessage("main", "detail");
    EXPECT_EQ(tickCount(), 900u);
}

TEST_F(MessageTest, ChoiceIgnoresOtherKeysAndClicks) {
    keyAt(100, KeyEnter);
    sim::schedule(200, [] { sim::setMouse(1, 1, 1); });
    sim::schedule(250, [] { sim::setMouse(1, 1, 0); });
    keyAt(300, '3');
    keyAt(400, '2');
    sim::setScriptEnd(400);
    EXPECT_EQ(askChoice(" Question?", " 1:Skipped", " 2:Filled with default "), 2);
    EXPECT_EQ(tickCount(), 400u);
    EXPECT_EQ(Out.str(), "400 choice \" Question?\" \" 1:Skipped\" \" 2:Filled with default \" -> 2\n");
}

TEST_F(MessageTest, AChoiceLeftUnansweredEndsTheRunStuck) {
    sim::setScriptEnd(50);
    EXPECT_THROW(askChoice("Which?", "1", "2"), sim::ProgramEnded);
    EXPECT_EQ(Out.str(), "50 stuck \"Which?\"\n");
}

}  // namespace

// A window as wide and high as its texts need, never smaller than 340 x 150, never beyond the
// screen: the longest texts of the editor are not cut at the edge.
TEST_F(MessageTest, AWindowIsAsWideAsItsLongestTextAndNoWiderThanTheScreen) {
    const std::string holes = " There are holes in the list. What should happen to the holes?";
    bool checked = false;
    sim::schedule(100, [&] {
        ASSERT_TRUE(sim::messageWindowIsOpen());
        const Canvas& c = sim::messageWindowCanvas();
        EXPECT_EQ(c.width(), int(holes.size()) * Canvas::TextCharWidth);
        EXPECT_EQ(c.height(), 150);
        // The question mark, the last character, is drawn inside the window.
        bool markDrawn = false;
        for (int y = 0; y < Canvas::TextLineHeight; ++y)
            for (int x = c.width() - Canvas::TextCharWidth; x < c.width(); ++x)
                markDrawn = markDrawn || c.pixel(x, y) == MessageForeground;
        EXPECT_TRUE(markDrawn);
        checked = true;
    });
    keyAt(200, '1');
    sim::setScriptEnd(200);
    EXPECT_EQ(askChoice(holes, " 1:Skipped", " 2:Filled with default "), 1);
    EXPECT_TRUE(checked);

    int w = 0, h = 0;
    messageWindowSize({"short", "texts"}, w, h);
    EXPECT_EQ(w, 340);
    EXPECT_EQ(h, 150);
    messageWindowSize({"Program Name does not determine Program Number!", "", "  press any key!"}, w, h);
    EXPECT_EQ(w, 47 * Canvas::TextCharWidth);  // 376: wider than the least 340
    messageWindowSize(std::vector<std::string>(12, "x"), w, h);
    EXPECT_EQ(h, 12 * Canvas::TextLineHeight);
    // A screen 600 pixels wide leaves 550 right of the window's corner at x 50.
    sim::setScreen(600, 400, false);
    messageWindowSize({std::string(200, 'x')}, w, h);
    EXPECT_EQ(w, 550);
    sim::setScreen(200, 100, false);  // smaller than the window: the window keeps its least size
    messageWindowSize({std::string(200, 'x')}, w, h);
    EXPECT_EQ(w, 340);
    EXPECT_EQ(h, 150);
}
