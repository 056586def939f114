// morphing.h - Morph on the panel: turning it on and moving its position (the rule and its
// state are editor/program/morph.h).
//
// startMorph(): Morph on (beginMorph) and `morph 0` announced; A is shown already, so nothing
//   is sent. False when Morph is on already or would change nothing (the item is greyed).
// moveMorphTo(m): while Morph is on, m clamped into 0..MorphPositionMax; when it differs from
//   MorphPosition the state at m is applied as a load applies (applyProgramState: the effect
//   tables, the panel drawn, the changed parameters between edit-begin and edit-end) without
//   recording a change, and `morph M` is announced (MorphMoved). False when nothing moved
//   (Morph off, or m is the position already): nothing is sent or announced.
// Owns no globals.
#pragma once

bool startMorph();
bool moveMorphTo(int m);
