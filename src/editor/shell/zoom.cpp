#include "editor/shell/zoom.h"

// Not built yet.
void resetZoomState() {}
void appendViewMenu(MenuHandle) {}
bool dispatchZoomCommand(int) { return false; }
void applyStartZoom() {}
