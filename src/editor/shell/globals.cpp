#include "editor/shell/globals.h"

bool WindowMinimised = false;

void resetShellState() { WindowMinimised = false; }
