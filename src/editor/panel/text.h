// text.h - the panel's two bitmap fonts and the texts drawn with them.
//
// Globals:
//   SmallFont  1536 bytes from StartDirectory/CHR4.BIN: 256 glyphs of 6 x 6 (6 bytes each)
//   LargeFont  2048 bytes from StartDirectory/CHR6.BIN: 256 glyphs of 8 x 8 (8 bytes each)
//   Each byte is a pixel row, top row first, bit 7 the leftmost pixel (the small font uses
//   bits 7..2). Both buffers are filled with the byte 32 before a file is loaded into them; a
//   shorter file leaves the rest at 32, a longer one is cut.
//   SmallFontLoaded, LargeFontLoaded  false when the file was missing or unreadable: that
//   font's texts are then drawn with the Canvas's built-in font, so the editor still works.
//
// loadFonts(): loads both files; a missing or unreadable one is reported in a message window
//   naming the file (and the reason), then start-up goes on.
// drawSmallText(x, y, ink, background, text): every character paints its whole 6 x 6 cell
//   (ink where the bit is set, background elsewhere) with its top row at y - 4, advancing 6.
// drawSmallTextOn(canvas, ...): drawSmallText into another Canvas (a tool window's).
// drawLargeText: the same with 8 x 8 cells, top row at y - 6, advancing 8.
// drawPotCaption(x, y, text): one caption line of the pot at (x, y): small font, white on
//   blue, centred on x + 19 (drawn at x + 19 - 3n), at y + SliderTravel + 63.
// All other drawing goes into the main window's Canvas.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas.h"

extern std::vector<uint8_t> SmallFont;
extern std::vector<uint8_t> LargeFont;
extern bool SmallFontLoaded;
extern bool LargeFontLoaded;

void resetTextState();
void loadFonts();
void drawSmallText(int x, int y, Rgb ink, Rgb background, const std::string& text);
void drawSmallTextOn(Canvas& canvas, int x, int y, Rgb ink, Rgb background, const std::string& text);
void drawLargeText(int x, int y, Rgb ink, Rgb background, const std::string& text);
void drawPotCaption(int x, int y, const std::string& text);
