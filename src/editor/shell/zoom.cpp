#include "editor/shell/zoom.h"

#include "editor/shell/commands.h"
#include "editor/shell/settings.h"
#include "platform/canvas.h"
#include "platform/input.h"
#include "platform/zoomscale.h"

namespace {

bool levelFits(int level) {
    if (level == 100) return true;
    int width = 0, height = 0;
    clientAreaLimit(width, height);
    const Canvas& panel = mainCanvas();
    return zoomedLength(panel.width(), level) <= width && zoomedLength(panel.height(), level) <= height;
}

bool isLevel(int level) {
    for (int l : ZoomLevels) {
        if (l == level) return true;
    }
    return false;
}

// The level Zoom In would go to: the next larger one that fits; 0 when none does.
int nextLargerLevel(int current) {
    for (int l : ZoomLevels) {
        if (l > current && levelFits(l)) return l;
    }
    return 0;
}

// The level a smaller screen or Zoom Out goes to: the largest smaller one that fits; 100 when
// none does.
int largestSmallerLevel(int current) {
    int level = 100;
    for (int l : ZoomLevels) {
        if (l < current && levelFits(l)) level = l;
    }
    return level;
}

void changeZoom(int level) {
    if (level == windowZoom()) return;
    setWindowZoom(level);
    Options.zoom = level;
    saveOptions(true);
    updateViewMenu();
}

}  // namespace

void zoomIn() {
    const int current = windowZoom();
    const int larger = nextLargerLevel(current);
    changeZoom(larger != 0 ? larger : current);
}

void zoomOut() { changeZoom(largestSmallerLevel(windowZoom())); }

void actualSize() { changeZoom(100); }

bool canZoomIn() { return nextLargerLevel(windowZoom()) != 0; }

bool canZoomOut() { return windowZoom() > 100; }

bool canActualSize() { return windowZoom() != 100; }

void updateViewMenu() { updateMenuGreying(CommandMenu::View); }

void fitZoomToScreen() {
    const int current = windowZoom();
    if (!levelFits(current)) {
        // The user's choice stays in the options file: on the larger screen it is back.
        setWindowZoom(largestSmallerLevel(current));
    }
    updateViewMenu();
}

int startZoomLevel(int kept, int dpi) {
    if (isLevel(kept) && levelFits(kept)) return kept;
    int level = 100;
    for (int l : ZoomLevels) {
        if (levelFits(l) && l * 96 <= dpi * 100) level = l;
    }
    return level;
}

void applyStartZoom() { setWindowZoom(startZoomLevel(Options.zoom, screenDpi())); }
