// morph.h - Morph: a walk from the program on the panel (A, set aside when Morph goes on)
// to the compare reference (B) in 128 positions, and the state it leaves behind.
//
// At position m (0..127) every unlocked parameter is A + roundedQuotient((B - A) * m, 127).
// When A and B have different effect types, the effect type and its 14 parameters are A's
// while m < MorphTypeSwitch and B's from there on (with equal types the 14 morph like the
// others). A locked effect type stays A's, and then so do its 14 parameters: B's values
// belong to another type's ranges and mean nothing on A's. When the type does go over, its 14
// go over whole, locked ones too (a value kept from A would stand in another type's range).
// The effect store and the name are A's throughout. Any other locked parameter never moves.
//
// Globals:
//   Morphing       Morph is on (check mark 2520)
//   MorphFrom      A: the state set aside when Morph went on
//   MorphTo        B: the compare reference when Morph went on
//   MorphPosition  m, 0..127
//
// morphedState(a, b, m): the state at m (m clamped into 0..127); pure. States of different
//   sizes (no reference yet) give a.
// morphChangesSomething(a, b): some position other than 0 shows something else than a (an
//   unlocked parameter or the effect type differs); Morph is greyed without it.
// beginMorph(): Morph on from the current state toward CompareReference at m = 0 (check mark
//   on); false (nothing changes) when Morph is on already or morphChangesSomething is false.
//   What is shown does not change (m = 0 is A).
// endMorph(): Morph off: what is shown stays, as one change from A (recordChange), check mark
//   off. Nothing when Morph is off. Everything that takes the panel's program elsewhere (a
//   load, a step, compare, undo and redo, init, a pot edit, a dialog) calls it first.
#pragma once

#include "editor/program/program.h"

constexpr int CommandMorph = 2520;
constexpr int MorphPositionMax = 127;
constexpr int MorphTypeSwitch = 64;

extern bool Morphing;              // Morph is on
extern ProgramSnapshot MorphFrom;  // A: the state set aside when Morph went on
extern ProgramSnapshot MorphTo;    // B: the compare reference when Morph went on
extern int MorphPosition;          // m, 0..127

void resetMorphState();
ProgramSnapshot morphedState(const ProgramSnapshot& a, const ProgramSnapshot& b, int m);
bool morphChangesSomething(const ProgramSnapshot& a, const ProgramSnapshot& b);
bool beginMorph();
void endMorph();
