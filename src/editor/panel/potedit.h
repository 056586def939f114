// potedit.h - changing pots with the mouse: dragging in a pot's track, clicking or holding
// its step buttons (with auto-repeat), centring it with a right click in its track.
//
// Mouse areas relative to a pot's origin, dx = mouse x - x, dy = mouse y - y, ST =
// SliderTravel, all bounds inclusive: track dx 0..35, dy 18..ST+36; up step dx 9..26,
// dy 1..16; down step dx 9..26, dy ST+38..ST+53.
//
// Globals:
//   MouseX, MouseY, PassMouseButtons  the mouse as the command loop read it once for this
//                  pass (client coordinates; buttons 0 none, 1 left, 2 right, 3 both). Every
//                  pot of a pass sees the same state, unlike the live mouseButtons() of
//                  platform/input.h, which a step-button wait looks at.
//   PassShift      a Shift key was held when the pass read the mouse (only read while a
//                  button is held)
//   PrevPassMouseButtons  PassMouseButtons of the previous pass
//   RepeatStarted  set after the first step-button wait of a press; cleared at every new
//                  press (by the command loop) and by preparePotImages.
//   Anchor         where the press's drag goes on from, once Shift was held in it (below);
//                  cleared at every new press (by the command loop).
//
// pollPots(): offers the pass's mouse state (MouseX, MouseY, PassMouseButtons) to every pot in parameter
//   order and stores the results in ProgramValues; a new effect type switches the effect
//   tables (selectEffectType).
//   A pot whose value changes while Morph is on ends Morph first (endMorph of
//   editor/program/morph.h: what it showed stays, as its own change); movePotTo the same.
// handlePotMouse(x, y, min, max, value): one pot's mouse handling; value changed in place.
//   Left button: drag value = min + round((ST + 27 - dy) * (max - min) / ST) (halves to even),
//   or one step up / down followed by waitStepRepeat. The fine drag: while Shift is held in
//   the track, the pot moves from where it is, one step for every four pixels the mouse
//   moved up (down) since the Anchor, and never faster than a quarter of the drag above
//   (pots of fewer than ST steps): value = anchor + trunc(moved * (max - min) / (4 *
//   max(ST, max - min))). Once Shift was held, the rest of the press goes on from the
//   Anchor too, at the drag's own speed when Shift is up: anchor + round(moved * (max -
//   min) / ST). The Anchor (the pot's value and the mouse's y) is taken, with no change, in
//   the first such pass on a pot's track, whenever Shift goes down or up, and when the
//   mouse comes to another pot's track; a value pushed past an end stops there and anchors
//   there, so the way back starts at once. A press without Shift drags as described. Right button in the track: the centre
//   round((min + max) / 2), halves to even. No change when the new value equals the old one,
//   or the value sits at max (min) and the new one is at or above max (at or below min). Any
//   other button state changes nothing.
// waitStepRepeat(): waits while a button is held, at most RepeatDelay ms after the first step
//   of a press and RepeatInterval ms after later ones; sleeps between looks at the live
//   button state; sets RepeatStarted.
// potAt(x, y, j): true when (x, y) lies in the mouse area of a pot (track, knob or a step
//   button), with j its parameter. potTrackAt(x, y, j): the same for the track alone.
// movePotTo(j, value): the value clamped into the pot's range becomes parameter j's value;
//   the knob is redrawn, a new effect type switches the effect tables (selectEffectType,
//   which opens the edit bracket). False when the value does not change (a pot without a
//   range never changes). Sending is the caller's: sendChangedParameters, then the edit-end
//   when the bracket is open.
// declaredDefault(j): the default declared for parameter j's pot, clamped into its range now.
#pragma once

#include <cstdint>

extern int16_t MouseX, MouseY;        // the mouse of this pass, client coordinates
extern int16_t PassMouseButtons;      // the buttons of this pass: 0 none, 1 left, 2 right, 3 both
extern int16_t PrevPassMouseButtons;  // PassMouseButtons of the previous pass
extern bool RepeatStarted;            // the press's first step-button wait is over
extern bool PassShift;                // Shift was held when this pass read the mouse

// Where a drag that had Shift in it goes on from: the pot (its origin), its value and the
// mouse's y then, and whether Shift was held (the fine speed).
struct DragAnchor {
    bool taken = false;  // Shift was held in this press: the drag goes on from here
    int potX = 0, potY = 0;
    int value = 0;
    int mouseY = 0;
    bool fine = false;
};
extern DragAnchor Anchor;             // the press's anchor, once Shift was held in it

void resetPotEditState();
void pollPots();
void handlePotMouse(int x, int y, int16_t min, int16_t max, int16_t& value);
void waitStepRepeat();
bool potAt(int x, int y, int& index);
bool potTrackAt(int x, int y, int& index);
bool movePotTo(int index, int value);
int declaredDefault(int index);
