// zoom.h - the window's zoom for screens of high resolution: the "&View" menu (Zoom In 2201,
// Zoom Out 2202, Actual Size 2203, keys Ctrl+Plus, Ctrl+Minus, Ctrl+0), the level at start-up
// and the level kept in the options file.
//
// appendViewMenu(bar): "&View" with its three items and their keys.
// dispatchZoomCommand(id): runs 2201..2203; false for any other identifier.
// applyStartZoom(): after the main window opened and the options were read: the level kept
//   (if it still fits the screen), else the first-start level.
#pragma once

#include "platform/window.h"

constexpr int CommandZoomIn = 2201;
constexpr int CommandZoomOut = 2202;
constexpr int CommandActualSize = 2203;

void resetZoomState();
void appendViewMenu(MenuHandle bar);
bool dispatchZoomCommand(int id);
void applyStartZoom();
