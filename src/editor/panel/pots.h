// pots.h - drawing the pots: a vertical slider with an up-step button above its track, a
// down-step button below it, a knob that shows the value by its height and carries it as a
// number, a title above and a caption below. The pieces are rendered once into small images;
// a whole pot is then three stamps and three texts, and a changed value repaints only the
// track and the knob.
//
// Geometry relative to a pot's origin (x, y), ST = SliderTravel: image columns 0..36, rows
// 0..ST+54; body columns 10..26; track rows 17..ST+37; the 19-row knob spans all 37 columns;
// knob top row for value v of range min..max:
//   knobTop = y + ST + 18 - (v - min) * ST / (max - min)   (floating point, halves to even)
// so max puts it at y + 18 and min at y + ST + 18. A pot whose min equals its max (refused by
// the declaration loader, but never a division by zero here) has its knob at the bottom.
//
// Globals: PotImage (37 x ST+55), KnobImage (37 x 19), TrackRowEven, TrackRowOdd (37 x 1),
// TrackBlock (37 x 16).
//
// clearWindow(colour): fills the main window's whole drawing area.
// preparePotImages(): renders the five images, leaves the window cleared to ColourBlue,
//   clears RepeatStarted and sets PrevPassMouseButtons to 0.
// drawPot(x, y, min, max, title, caption, value): clamps value into min..max (stored back),
//   stamps the pot and the knob, draws the knob number (number form, the Canvas's built-in
//   font, white on grey 80, at x + 19 - 4 * length, knobTop + 1), the title in the large font
//   centred on x + 19 at y - 5 unless it is exactly " ", and the caption (split at the first
//   "|" into two lines, the second 8 pixels lower).
// drawPotKnob(x, y, min, max, value): clamps and stores value, repaints only the track rows
//   the knob does not cover (in blocks of 16 where the texture allows), the knob and its number.
// drawLockMark(x, y): the mark of a locked pot: a dark red bar across the body above the
//   up-step arrow (rows 1..3, columns 12..24), which the knob never covers; drawing the pot
//   again takes it away.
#pragma once

#include <cstdint>
#include <string>

#include "platform/canvas.h"

extern Canvas PotImage, KnobImage, TrackRowEven, TrackRowOdd, TrackBlock;

// The images as before preparePotImages: empty.
void resetPotsState();
void clearWindow(Rgb colour);
void preparePotImages();
int knobTopRow(int y, int min, int max, int value);
void drawPot(int x, int y, int16_t min, int16_t max, const std::string& title, const std::string& caption,
             int16_t& value);
void drawPotKnob(int x, int y, int16_t min, int16_t max, int16_t& value);
void drawLockMark(int x, int y);
