// globals.h - the shell's own state: whether the main window is minimised. The editor's
// identity and folders are in editor/declaration/identity.h (included here for the shell's
// users), the palette in editor/panel/palette.h, the pass's mouse state in
// editor/panel/potedit.h. resetShellState() gives the shell's state its initial value.
#pragma once

#include "editor/declaration/identity.h"

extern bool WindowMinimised;  // set while the main window is minimised

void resetShellState();
