// The zoom level the editor starts with, on the simulated screen.
#include <gtest/gtest.h>

#include "editor/shell/zoom.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

namespace {

class ZoomStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset("/nowhere");
        ASSERT_TRUE(openMainWindow(0, 0, 1336, 722, ""));
    }
};

TEST_F(ZoomStartTest, FirstStartTakesTheLargestLevelThatFitsAndTheDpiAllows) {
    sim::setScreen(5000, 3000, false);  // room for 300 %
    EXPECT_EQ(startZoomLevel(0, 96), 100);
    EXPECT_EQ(startZoomLevel(0, 119), 100);
    EXPECT_EQ(startZoomLevel(0, 120), 125);
    EXPECT_EQ(startZoomLevel(0, 143), 125);
    EXPECT_EQ(startZoomLevel(0, 144), 150);
    EXPECT_EQ(startZoomLevel(0, 191), 150);
    EXPECT_EQ(startZoomLevel(0, 192), 200);
    EXPECT_EQ(startZoomLevel(0, 288), 300);
    EXPECT_EQ(startZoomLevel(0, 600), 300);
    sim::setScreen(2672, 1444, false);  // exactly 200 %
    EXPECT_EQ(startZoomLevel(0, 288), 200);
    sim::setScreen(2671, 1444, false);
    EXPECT_EQ(startZoomLevel(0, 288), 150);
    sim::setScreen(1920, 1080, false);  // the common laptop: 125 % (1670 x 903), not 150 % (2004 wide)
    EXPECT_EQ(startZoomLevel(0, 120), 125);
    EXPECT_EQ(startZoomLevel(0, 192), 125);
    EXPECT_EQ(startZoomLevel(150, 192), 125);
    EXPECT_EQ(startZoomLevel(0, 96), 100);
    sim::setScreen(1669, 1080, false);
    EXPECT_EQ(startZoomLevel(0, 120), 100);
    sim::setScreen(800, 600, false);  // smaller than the panel: 100 % all the same
    EXPECT_EQ(startZoomLevel(0, 192), 100);
}

TEST_F(ZoomStartTest, AKeptLevelCountsWhileItFitsWhateverTheDpi) {
    sim::setScreen(2800, 1600, false);
    EXPECT_EQ(startZoomLevel(200, 96), 200);
    EXPECT_EQ(startZoomLevel(100, 192), 100);
    EXPECT_EQ(startZoomLevel(300, 192), 200);  // no longer fits: the first-start rule
    EXPECT_EQ(startZoomLevel(300, 96), 100);
    EXPECT_EQ(startZoomLevel(125, 192), 125);
    EXPECT_EQ(startZoomLevel(175, 192), 200);  // not a level at all
}

// What each View item would do decides whether it is offered; a smaller screen takes the
// level down to what still fits, a larger one leaves it where it is.
TEST_F(ZoomStartTest, TheViewMenuOffersOnlyWhatTheScreenAllows) {
    sim::setScreen(2800, 1600, false);  // room for 200 %, not for 300 %
    setWindowZoom(100);
    updateViewMenu();
    EXPECT_TRUE(sim::menuItemIsEnabled(CommandZoomIn));
    EXPECT_FALSE(sim::menuItemIsEnabled(CommandZoomOut));
    EXPECT_FALSE(sim::menuItemIsEnabled(CommandActualSize));
    setWindowZoom(200);
    updateViewMenu();
    EXPECT_FALSE(sim::menuItemIsEnabled(CommandZoomIn));
    EXPECT_TRUE(sim::menuItemIsEnabled(CommandZoomOut));
    EXPECT_TRUE(sim::menuItemIsEnabled(CommandActualSize));

    sim::setScreen(2100, 1200, false);  // 150 % (2004 x 1083) still fits
    fitZoomToScreen();
    EXPECT_EQ(windowZoom(), 150);
    EXPECT_FALSE(sim::menuItemIsEnabled(CommandZoomIn));
    sim::setScreen(1920, 1080, false);  // 125 % is the largest that fits
    fitZoomToScreen();
    EXPECT_EQ(windowZoom(), 125);
    EXPECT_FALSE(sim::menuItemIsEnabled(CommandZoomIn));
    EXPECT_TRUE(sim::menuItemIsEnabled(CommandZoomOut));
    setWindowZoom(100);
    updateViewMenu();
    EXPECT_TRUE(sim::menuItemIsEnabled(CommandZoomIn));
    EXPECT_EQ(zoomCommandLevel(CommandZoomIn), 125);
    sim::setScreen(1000, 700, false);  // smaller than the panel: 100 % all the same
    fitZoomToScreen();
    EXPECT_EQ(windowZoom(), 100);
    EXPECT_FALSE(sim::menuItemIsEnabled(CommandZoomIn));
    sim::setScreen(5000, 3000, false);
    fitZoomToScreen();
    EXPECT_EQ(windowZoom(), 100);  // growing is no reason to zoom
    EXPECT_TRUE(sim::menuItemIsEnabled(CommandZoomIn));
}

}  // namespace
