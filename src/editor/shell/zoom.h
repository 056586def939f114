// zoom.h - the window's zoom for screens of high resolution: the "&View" menu (Zoom In 2201,
// Zoom Out 2202, Actual Size 2203, keys Ctrl+Plus, Ctrl+Minus, Ctrl+0), the level at start-up
// and the level kept in the options file.
//
// The level in force is the main window's own (windowZoom); this part keeps no state. A level
// "fits" when the panel at that level fits the client area the screen allows
// (clientAreaLimit); 100 % always fits, also on a screen smaller than the panel.
//
// The items, their keys (Ctrl+Plus also as Ctrl+=, the plus key unshifted) and their greying
// are rows of the command table (commands.h).
//
// zoomIn() / zoomOut() / actualSize(): Zoom In and Out step to the next larger / smaller level
//   that fits; Actual Size goes back to 100 %. A change is kept in the options file (a level
//   that stays the same is no change).
// canZoomIn() / canZoomOut() / canActualSize(): the item would change something: a larger
//   level fits; the level is above 100 %.
// updateViewMenu(): greys what would do nothing (the View rows' greying).
// fitZoomToScreen(): after the screen changed (the display-change message): a level that no
//   longer fits gives way to the largest smaller one that does, until the next start or Zoom
//   In (the options file keeps the level the user chose); the menu follows the screen.
// startZoomLevel(kept, dpi): the level to start with: `kept` (the options file's, 0: none) if
//   it fits, else the largest level that fits and is at most dpi / 96 x 100 %.
// applyStartZoom(): after the main window opened and the options were read: shows the panel
//   at startZoomLevel(Options.zoom, screenDpi()). The options file is not changed by it.
#pragma once

constexpr int CommandZoomIn = 2201;
constexpr int CommandZoomOut = 2202;
constexpr int CommandActualSize = 2203;

void zoomIn();
void zoomOut();
void actualSize();
bool canZoomIn();
bool canZoomOut();
bool canActualSize();
void updateViewMenu();
void fitZoomToScreen();
int startZoomLevel(int kept, int dpi);
void applyStartZoom();
