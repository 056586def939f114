// zoomlevels.h - the zoom of a program's main window, as both programs offer it: which level
// fits the screen, where Zoom In, Zoom Out and Actual Size go, the level to start with, the
// "zoom" value of the options files, and the View menu's zoom items with their keys.
//
// The levels are ZoomLevels of platform/zoomscale.h. A level "fits" when the main window's
// Canvas at that level fits the client area the screen leaves a window at that level
// (clientAreaLimit); 100 % always fits, also on a screen smaller than the Canvas.
// Owns no globals: the level in force is the main window's (windowZoom); what a program keeps
// of it, and where, is the program's business.
//
// isZoomLevel(p): p is one of the levels.
// readZoomOption(text, level): the value of a "zoom = P" line: a whole decimal number that is
//   a level; false (level untouched) for anything else.
// zoomLevelFits(p): the main window at p fits the screen.
// zoomInLevel(): the next larger level that fits; 0 when none does.
// zoomOutLevel(): the largest smaller level that fits; 100 when none does (also at 100 %).
// fittingZoomLevel(): the level in force while it fits, else the largest smaller one that does
//   (after the screen shrank).
// startZoomLevel(kept, dpi): the level to start with: `kept` (a program's kept level, 0: none)
//   if it is a level and fits, else the largest level that fits and is at most
//   dpi / 96 x 100 %.
//
// The items: Zoom In (2201, Ctrl+Plus; Ctrl+= too, the plus key unshifted), Zoom Out (2202,
// Ctrl+Minus), Actual Size (2203, Ctrl+0); Shift may be held with each.
// isZoomCommand(id): id is one of the three items.
// zoomCommandLevel(id): the level the item goes to (the level in force when it has nothing to
//   do, and for an identifier that is no zoom item).
// zoomCommandUsable(id): the item would change the level.
// zoomCommandForKey(e): the item a Key event stands for, or 0.
// appendZoomItems(menu): the three items with their keys, in that order.
// greyZoomItems(): greys the items that would do nothing, makes the others usable.
#pragma once

#include <string>

#include "platform/events.h"
#include "platform/window.h"

constexpr int CommandZoomIn = 2201;
constexpr int CommandZoomOut = 2202;
constexpr int CommandActualSize = 2203;

struct ZoomItem {
    int id;
    const char* text;
    const char* keyText;  // what the menu shows beside the item
};

constexpr ZoomItem ZoomItems[] = {
    {CommandZoomIn, "Zoom &In", "Ctrl+Plus"},
    {CommandZoomOut, "Zoom &Out", "Ctrl+Minus"},
    {CommandActualSize, "&Actual Size", "Ctrl+0"},
};

bool isZoomLevel(int percent);
bool readZoomOption(const std::string& text, int& level);
bool zoomLevelFits(int percent);
int zoomInLevel();
int zoomOutLevel();
int fittingZoomLevel();
int startZoomLevel(int kept, int dpi);

bool isZoomCommand(int id);
int zoomCommandLevel(int id);
bool zoomCommandUsable(int id);
int zoomCommandForKey(const Event& e);
void appendZoomItems(MenuHandle menu);
void greyZoomItems();
