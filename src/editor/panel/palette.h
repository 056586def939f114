// palette.h - the colours every part of the panel is drawn with. Defined in palette.cpp;
// resetPaletteState() sets them (the editor never changes them afterwards).
#pragma once

#include "platform/canvas.h"

extern Rgb ColourWhite, ColourBlue, ColourBlack, ColourGrey150, ColourGrey80, ColourDarkRed;

void resetPaletteState();
