// learn.h - MIDI learn: a controller of a hardware control surface bound to a pot.
//
// dispatchLearnCommand(id): runs 2302 (MIDI Learn) and 2303 (Forget Learned Controls); false
//   for any other identifier.
// takeLearnClick(): every pass while a mouse button is held on the panel (MouseX/MouseY,
//   PassMouseButtons, PrevPassMouseButtons of potedit.h tell where and since when): true
//   while learning takes this press, from its first pass to its release, to pick its pot (the
//   pass then leaves the pots alone, so the click moves nothing).
// takeLearnedControl(e): a MIDI input event in the command loop: true when learning or a
//   binding took it (it is then not passed through).
#pragma once

#include "platform/events.h"

constexpr int CommandMidiLearn = 2302;
constexpr int CommandForgetLearned = 2303;

void resetLearnState();
bool dispatchLearnCommand(int id);
bool takeLearnClick();
bool takeLearnedControl(const Event& e);
