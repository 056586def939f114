// fontsource.h - the readable source of the editor's bitmap fonts and its translation into
// the binary font files (CHR4.BIN, CHR6.BIN).
//
// A binary font holds 256 glyphs for codes 0..255 in code order, one byte per pixel row, top
// row first; bit 7 is the leftmost pixel and a set bit is ink. A cell narrower than 8 pixels
// uses the high bits only and leaves the low bits 0.
//
// The source is text. Blank lines are ignored. A line that is a lone "#" or starts with "# " is
// a comment. A glyph is a line "glyph CODE" (CODE in decimal, 0..255; anything after the code
// is a comment) followed directly by exactly cellHeight rows of exactly cellWidth characters,
// "#" for ink and "." for background. Leading and trailing blanks of a line are ignored.
// Codes without a glyph are blank.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Parses `text` for a font of cellWidth x cellHeight pixels (width 1..8, height 1..64) and fills
// `bytes` with the binary font (256 * cellHeight bytes). On a fault returns false, leaves
// `bytes` empty and sets `error` to "line N: reason".
bool parseFontSource(const std::string& text, int cellWidth, int cellHeight, std::vector<uint8_t>& bytes,
                     std::string& error);
