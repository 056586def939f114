// Tool windows and the text input on the simulated machine, driven by a script as the
// scenarios drive them: events directed with "window NAME", the window's open and close
// lines, text answers, and snapshots of a tool window.
#include <gtest/gtest.h>

#include <sstream>

#include "ktsim/script.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/png.h"
#include "platform/sim/sim.h"
#include "platform/toolwindow.h"
#include "platform/window.h"

namespace {

class ToolWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset(::testing::TempDir());
        sim::setTranscript(&Out);
    }
    void TearDown() override { sim::setTranscript(nullptr); }
    void load(const std::string& script) {
        ktsim::ScriptResult r = ktsim::loadScript(script, sim::home(), nullptr, &SnapshotFailures);
        ASSERT_TRUE(r.ok) << r.error;
        sim::setScriptEnd(r.endTime);
    }
    std::ostringstream Out;
    std::vector<std::string> SnapshotFailures;
};

TEST_F(ToolWindowTest, ScriptedEventsGoToTheNamedWindowOnlyWhileItIsShown) {
    ASSERT_TRUE(openMainWindow(0, 0, 100, 80, "main"));
    load("window library\n"
         "wait 100\nkey a\n"
         "wait 100\nmouse 30 40 1\nmouse 30 40 0\nwheel 9 8 -2 shift\ndblclick 5 6\nkey ctrl+f12\n"
         "window main\nkey shift+backspace\n"
         "window library\nwait 100\nkey space\n"
         "window main\nkey ]\n");
    int library = 0;
    sim::schedule(150, [&library] { library = openToolWindow("library", "Library", 60, 50); });
    setWindowZoom(200);  // client coordinates on the screen are twice the Canvas's

    Event e = waitEvent();
    ASSERT_EQ(e.kind, EventKind::MouseButton) << "the key before the window opened was delivered";
    EXPECT_GT(library, 0);
    EXPECT_EQ(e.window, library);
    EXPECT_EQ(e.x, 15);
    EXPECT_EQ(e.y, 20);
    EXPECT_EQ(e.buttons, 1);
    e = waitEvent();
    EXPECT_EQ(e.window, library);
    EXPECT_EQ(e.buttons, 0);
    e = waitEvent();
    ASSERT_EQ(e.kind, EventKind::Wheel);
    EXPECT_EQ(e.window, library);
    EXPECT_EQ(e.x, 4);
    EXPECT_EQ(e.notches, -2);
    EXPECT_TRUE(e.shift);
    for (int step = 0; step < 4; ++step) {
        e = waitEvent();
        ASSERT_EQ(e.kind, EventKind::MouseButton);
        EXPECT_EQ(e.window, library);
        EXPECT_EQ(e.doubleClick, step == 2);
    }
    e = waitEvent();
    ASSERT_EQ(e.kind, EventKind::Key);
    EXPECT_EQ(e.window, library);
    EXPECT_EQ(e.key, KeyF1 + 11);
    EXPECT_TRUE(e.ctrl);
    e = waitEvent();
    ASSERT_EQ(e.kind, EventKind::Key);
    EXPECT_EQ(e.window, MainWindowId);
    EXPECT_EQ(e.key, KeyBackspace);
    EXPECT_TRUE(e.shift);

    // The user closes the tool window: it is hidden and the program hears of it.
    sim::closeToolWindowByUser("library");
    e = waitEvent();
    EXPECT_EQ(e.kind, EventKind::ToolWindowHidden);
    EXPECT_EQ(e.window, library);
    EXPECT_FALSE(toolWindowShown(library));
    e = waitEvent();  // the space for the hidden window is dropped; the main window's ']' comes
    ASSERT_EQ(e.kind, EventKind::Key);
    EXPECT_EQ(e.window, MainWindowId);
    EXPECT_EQ(e.key, ']');
    EXPECT_EQ(tickCount(), 300u);

    // Shown again it keeps its number; hiding it by the program is written too.
    EXPECT_EQ(openToolWindow("library", "Library", 60, 50), library);
    EXPECT_EQ(openToolWindow("library", "Library", 60, 50), library);  // already shown: no line
    hideToolWindow(library);
    hideToolWindow(library);
    EXPECT_EQ(Out.str(), "0 caption \"main\"\n0 zoom 200 200 160\n150 window library open 60 50\n200 window library close\n"
                         "300 window library open 60 50\n300 window library close\n");
}

TEST_F(ToolWindowTest, TextAnswersAreTakenInTurnWithTheFileAnswers) {
    load("answer text \"Pad \\\"warm\\\"\"\nanswer file \"a.prg\"\nanswer text \"x\"\nanswer text \"\"\n");
    std::string answer = "before";
    EXPECT_TRUE(askText("Name", "The program's name:", "Old \"one\"", answer));
    EXPECT_EQ(answer, "Pad \"warm\"");
    // A file answer is no text: the input is cancelled and the answer untouched.
    answer = "kept";
    EXPECT_FALSE(askText("Name", "prompt", "", answer));
    EXPECT_EQ(answer, "kept");
    // A text answer is no file: the file dialog is cancelled.
    EXPECT_EQ(fileDialog(FileDialogKind::Open, "Open", "/f", "*.prg").outcome, DialogOutcome::Cancelled);
    EXPECT_TRUE(askText("Rename", "p", "y", answer));  // an empty text is an answer too
    EXPECT_EQ(answer, "");
    EXPECT_FALSE(askText("Rename", "p", "z", answer));  // nothing queued: cancelled
    EXPECT_EQ(Out.str(), "0 dialog text \"Name\" \"Old \\\"one\\\"\" -> \"Pad \\\"warm\\\"\"\n"
                         "0 dialog text \"Name\" \"\" -> cancel\n"
                         "0 dialog open \"Open\" \"/f\" -> cancel\n"
                         "0 dialog text \"Rename\" \"y\" -> \"\"\n"
                         "0 dialog text \"Rename\" \"z\" -> cancel\n");
}

TEST_F(ToolWindowTest, SnapshotOfAToolWindowIsItsCanvasAtTheZoom) {
    ASSERT_TRUE(openMainWindow(0, 0, 20, 10, "main"));
    const int w = openToolWindow("library", "Library", 3, 2);
    Canvas& c = toolWindowCanvas(w);
    c.clear(Rgb{0, 0, 255});
    c.setPixel(2, 1, Rgb{255, 0, 0});  // asymmetric: a flip or swap shows
    presentToolWindow(w);
    setWindowZoom(150);
    load("wait 10\nsnapshot \"tool.png\" library\nsnapshot \"main.png\"\nsnapshot \"none.png\" other\n");
    sleepMilliseconds(20);
    ASSERT_EQ(SnapshotFailures.size(), 1u);
    EXPECT_NE(SnapshotFailures[0].find("other"), std::string::npos) << SnapshotFailures[0];
    Canvas read;
    std::string error;
    ASSERT_TRUE(readPng(sim::home() + "/tool.png", read, &error)) << error;
    ASSERT_EQ(read.width(), 5);  // 3 pixels at 150 %: 2, 1, 2
    ASSERT_EQ(read.height(), 3);
    EXPECT_EQ(read.pixel(4, 2), (Rgb{255, 0, 0}));
    EXPECT_EQ(read.pixel(3, 2), (Rgb{255, 0, 0}));
    EXPECT_EQ(read.pixel(2, 2), (Rgb{0, 0, 255}));
    EXPECT_EQ(read.pixel(4, 1), (Rgb{0, 0, 255}));
    ASSERT_TRUE(readPng(sim::home() + "/main.png", read, &error)) << error;
    EXPECT_EQ(read.width(), 30);
    // Hidden, and shown again: the Canvas kept its pixels.
    hideToolWindow(w);
    EXPECT_EQ(openToolWindow("library", "Library", 3, 2), w);
    EXPECT_EQ(toolWindowCanvas(w).pixel(2, 1), (Rgb{255, 0, 0}));
    EXPECT_FALSE(ktsim::loadScript("window Library\n", sim::home(), nullptr, nullptr).ok);
    EXPECT_FALSE(ktsim::loadScript("key f13\n", sim::home(), nullptr, nullptr).ok);
}

}  // namespace
