#include "editor/shell/zoom.h"

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

void appendViewMenu(MenuHandle bar) {
    const MenuHandle view = createPopupMenu();
    appendMenuItem(view, CommandZoomIn, "Zoom &In", "Ctrl+Plus");
    appendMenuItem(view, CommandZoomOut, "Zoom &Out", "Ctrl+Minus");
    appendMenuItem(view, CommandActualSize, "&Actual Size", "Ctrl+0");
    appendMenuPopup(bar, view, "&View");
}

void updateViewMenu() {
    const int current = windowZoom();
    enableMenuItem(CommandZoomIn, nextLargerLevel(current) != 0);
    enableMenuItem(CommandZoomOut, current > 100);
    enableMenuItem(CommandActualSize, current != 100);
}

void fitZoomToScreen() {
    const int current = windowZoom();
    if (!levelFits(current)) {
        // The user's choice stays in the options file: on the larger screen it is back.
        setWindowZoom(largestSmallerLevel(current));
    }
    updateViewMenu();
}

int zoomCommandForKey(const Event& e) {
    if (e.kind != EventKind::Key || !e.ctrl) return 0;
    if (e.key == '+' || e.key == '=') return CommandZoomIn;
    if (e.key == '-') return CommandZoomOut;
    if (e.key == '0') return CommandActualSize;
    return 0;
}

bool dispatchZoomCommand(int id) {
    const int current = windowZoom();
    int level = current;
    switch (id) {
    case CommandZoomIn:
        if (const int larger = nextLargerLevel(current)) level = larger;
        break;
    case CommandZoomOut: level = largestSmallerLevel(current); break;
    case CommandActualSize: level = 100; break;
    default: return false;
    }
    changeZoom(level);
    return true;
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
