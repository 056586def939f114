// morphcommands.h - the shell's side of Morph (2520 in the "&Sound" menu): the item, its
// keys and its greying. The rule is editor/program/morph.h, moving on the panel
// editor/panel/morphing.h.
//
// morphCommand(): Morph on (A: the panel's state, B: the compare reference, m = 0) or off
//   (what is shown stays, as one change from A); nothing while the item is greyed.
// canMorph(): the item is usable: Morph is on, or going on would show something else
//   somewhere (the reference differs from the panel in an unlocked parameter or the effect
//   type). Without it the item is greyed.
// morphing(): Morph is on (the item's check mark).
// serveMorphKey(e): Ctrl+Right / Ctrl+Left move m by MorphKeyStep, with Shift by 1, stopping at
//   0 and MorphPositionMax; true when e is one of these keys (taken also when it moves
//   nothing: Morph off, or m at the end).
// updateMorphItem(): the item greyed or made usable as canMorph says (each pass of the
//   command loop: any change of the panel, the reference or the locks may change it).
// Owns no globals.
#pragma once

#include "platform/events.h"

constexpr int MorphKeyStep = 8;

void morphCommand();
bool canMorph();
bool morphing();
bool serveMorphKey(const Event& e);
void updateMorphItem();
