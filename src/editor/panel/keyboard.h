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
// silenceKeyboard(): switches off a sounding note, the mouse's and every computer key's (whose
//   later releases then send nothing); done before the output is closed or switched, so no
//   note is ever left hanging.
//
// The computer keyboard plays too. Globals: KeyNoteBase, the note of `z` (48 at start; `[`
// and `]` move it an octave, within 0..108), and KeyNotesDown, per note key the note its
// press started (-1: the key is not down, or its note was already switched off).
//
// serveKeyNotes(e, playing): called on every command-loop pass with playing true while the
//   main window is in front and not minimised, and the pass ran no command (a command may
//   open a dialog or message, whose own loop takes the keys' releases). Without Ctrl, a Key press for the main window of
//   `z s x d c v g b h n j m ,` plays semitones 0..12, of `q 2 w 3 e r 5 t 6 y 7 u i`
//   semitones 12..24 above KeyNoteBase (90 NN 64 on channel 1; a note above 127 is not sent,
//   its key still counts as down); letters count in either case. Its KeyUp sends 80 NN 00 for
//   the note the press started. A repeated press, or a press of a key already down, sends
//   nothing. `[` and `]` (pressed, not repeated) move KeyNoteBase. With playing false every
//   sounding key note is switched off at once and its key forgotten.
#pragma once

#include <cstdint>

struct Event;

extern int16_t KeyboardLeft, KeyboardBottom, WhiteKeyWidth, WhiteKeyHeight, KeyboardOctaves, WhiteKeyCount,
    BlackKeyWidth, BlackKeyHeight, KeyboardLowestNote;
extern int16_t SoundingNote;
extern int16_t KeyNoteBase;
constexpr int KeyNoteKeys = 26;
extern int16_t KeyNotesDown[KeyNoteKeys];

// The geometry's initial values (KeyboardBottom 0 until initKeyboard), no note sounding, no
// note key down, KeyNoteBase 48.
void resetKeyboardState();
void initKeyboard();
void drawKeyboard();
void handleKeyboardMouse(int x, int y, int buttons, int previousButtons);
void silenceKeyboard();
void serveKeyNotes(const Event& e, bool playing);
