// The status line of a running editor on the simulated machine: where the strip lies, what
// its right part shows and for how long, and that a result goes away on time by itself.
#include "editor_fixture.h"

#include "editor/declaration/declaration.h"
#include "editor/panel/statusline.h"
#include "platform/window.h"

namespace {

class StatusLineTest : public EditorFixture {
protected:
    // The pixels of the strip's right half that are not its background: the right part's text.
    static int inkInRightHalf() {
        const Canvas& c = mainCanvas();
        int ink = 0;
        for (int y = WindowHeight + 2; y < WindowHeight + StatusStripHeight; ++y) {
            for (int x = c.width() / 2; x < c.width(); ++x) ink += c.pixel(x, y) != ColourBlack ? 1 : 0;
        }
        return ink;
    }
};

TEST_F(StatusLineTest, AResultShowsForFiveSecondsThenGoesWithNothingElseHappening) {
    copyShippedData();
    makeProgramFolder();
    sim::queueDialogAnswer({DialogOutcome::Chosen, path("progs/05 Kept.prg")});
    Event save;
    save.kind = EventKind::Command;
    save.command = CommandSaveProgram;
    sim::scheduleEvent(1000, save);

    // What the strip shows on its right, and whether its pixels say so, at chosen moments.
    std::vector<std::string> right;
    std::vector<bool> inked;
    auto look = [&](uint64_t at) {
        sim::schedule(at, [&] {
            right.push_back(StatusShown[2]);
            inked.push_back(inkInRightHalf() > 0);
        });
    };
    look(1500);
    look(5990);
    look(6010);  // no event between the save and here but the wake the result asked for
    sim::schedule(6500, [] { sim::setMouse(73, 245, 0); });  // over the filter cutoff
    look(6600);
    sim::schedule(6700, [] { sim::setMouse(4, 4, 0); });  // over no pot
    look(6800);
    Event close;
    close.kind = EventKind::CloseRequested;
    sim::scheduleEvent(7000, close);
    sim::setScriptEnd(7000);

    int canvasHeight = 0, shownHeight = 0;
    sim::schedule(1200, [&] {
        canvasHeight = mainCanvas().height();
        Canvas shown;
        sim::shownMainWindow(shown);
        shownHeight = shown.height();
    });
    ASSERT_TRUE(runs([] { ktprogMain(); }));

    // The client area is the declared panel and the strip; a snapshot shows the panel only.
    EXPECT_EQ(canvasHeight, WindowHeight + StatusStripHeight);
    EXPECT_EQ(shownHeight, WindowHeight);
    ASSERT_EQ(right.size(), 5u);
    EXPECT_EQ(right[0], "Saved 05 Kept");
    EXPECT_EQ(right[1], "Saved 05 Kept");
    EXPECT_EQ(right[2], "");
    EXPECT_EQ(right[3].substr(0, 6), "CUTOFF");
    EXPECT_NE(right[3].find(" = "), std::string::npos);
    EXPECT_EQ(right[4], "");
    EXPECT_EQ(inked, (std::vector<bool>{true, true, false, true, false}));
}

}  // namespace
