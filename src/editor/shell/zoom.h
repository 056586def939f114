// zoom.h - the editor's zoom for screens of high resolution: the "&View" menu's zoom items
// (shared/zoom/zoomlevels.h: Zoom In 2201, Zoom Out 2202, Actual Size 2203 with their keys),
// the level at start-up and the level kept in the options file.
//
// The level in force is the main window's own (windowZoom); the rules of the levels (which
// fit, where each item goes, the first-start rule) are shared/zoom/zoomlevels.h, as ktboot
// has them too. This part keeps no state.
//
// The items and their greying are rows of the command table (commands.h).
//
// zoomIn() / zoomOut() / actualSize(): go where the item goes. A change is kept in the
//   options file (a level that stays the same is no change).
// canZoomIn() / canZoomOut() / canActualSize(): the item would change something.
// updateViewMenu(): greys what would do nothing (the View rows' greying).
// fitZoomToScreen(): after the screen changed (the display-change message): a level that no
//   longer fits gives way to the largest smaller one that does, until the next start or Zoom
//   In (the options file keeps the level the user chose); the menu follows the screen.
// applyStartZoom(): after the main window opened and the options were read: shows the panel
//   at startZoomLevel(Options.zoom, screenDpi()). The options file is not changed by it.
#pragma once

#include "shared/zoom/zoomlevels.h"

void zoomIn();
void zoomOut();
void actualSize();
bool canZoomIn();
bool canZoomOut();
bool canActualSize();
void updateViewMenu();
void fitZoomToScreen();
void applyStartZoom();
