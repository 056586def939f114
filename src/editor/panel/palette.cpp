#include "editor/panel/palette.h"

Rgb ColourWhite, ColourBlue, ColourBlack, ColourGrey150, ColourGrey80, ColourDarkRed;

void resetPaletteState() {
    ColourWhite = {255, 255, 255};
    ColourBlue = {0, 0, 150};
    ColourBlack = {0, 0, 0};
    ColourGrey150 = {150, 150, 150};
    ColourGrey80 = {80, 80, 80};
    ColourDarkRed = {110, 0, 0};
}
