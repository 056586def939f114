#include "editor/shell/zoom.h"

#include "editor/shell/commands.h"
#include "editor/shell/settings.h"
#include "platform/input.h"
#include "platform/window.h"

namespace {

void changeZoom(int level) {
    if (level == windowZoom()) return;
    setWindowZoom(level);
    Options.zoom = level;
    saveOptions(true);
    updateViewMenu();
}

}  // namespace

void zoomIn() { changeZoom(zoomCommandLevel(CommandZoomIn)); }

void zoomOut() { changeZoom(zoomCommandLevel(CommandZoomOut)); }

void actualSize() { changeZoom(zoomCommandLevel(CommandActualSize)); }

bool canZoomIn() { return zoomCommandUsable(CommandZoomIn); }

bool canZoomOut() { return zoomCommandUsable(CommandZoomOut); }

bool canActualSize() { return zoomCommandUsable(CommandActualSize); }

void updateViewMenu() { updateMenuGreying(CommandMenu::View); }

void fitZoomToScreen() {
    // The user's choice stays in the options file: on the larger screen it is back.
    setWindowZoom(fittingZoomLevel());
    updateViewMenu();
}

void applyStartZoom() { setWindowZoom(startZoomLevel(Options.zoom, screenDpi())); }
