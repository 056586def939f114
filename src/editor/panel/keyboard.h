// keyboard.h - the on-screen keyboard along the bottom of the panel: 23 white keys (three
// octaves and two keys) from note 24, left edge x = 10, lower edge WindowHeight - 50, white
// keys 23 x 90, black keys 14 x 60 at the offsets 16, 41, 85, 109, 135 of each whole octave.
// A left click plays the key on MIDI channel 1 (note on velocity 100); sliding with the
// button held plays the keys one after another; releasing ends the note (note off, 0).
//
// Globals: the geometry below (set by initKeyboard) and SoundingNote, the note switched on and
// not yet off (0: none).
//
// handleKeyboardMouse(x, y, buttons, previous): called on every panel pass. With the left
//   button alone inside the keys (12 <= x <= 536, between the keys' upper and lower edge) the
//   key under the pointer sounds; a black key wins in its upper 60 rows (the partial last
//   octave is tested too, although it has no black keys drawn). When no button is held any
//   more, a sounding note is switched off, whatever the buttons were before.
// silenceKeyboard(): switches off a sounding note; done before the output is closed or
//   switched, so no note is ever left hanging.
#pragma once

#include <cstdint>

extern int16_t KeyboardLeft, KeyboardBottom, WhiteKeyWidth, WhiteKeyHeight, KeyboardOctaves, WhiteKeyCount,
    BlackKeyWidth, BlackKeyHeight, KeyboardLowestNote;
extern int16_t SoundingNote;

// The geometry's initial values (KeyboardBottom 0 until initKeyboard), no note sounding.
void resetKeyboardState();
void initKeyboard();
void drawKeyboard();
void handleKeyboardMouse(int x, int y, int buttons, int previousButtons);
void silenceKeyboard();
