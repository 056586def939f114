// learn.h - the shell's side of MIDI learn: its two menu items and what a binding means to
// the menu and the options file. Learning itself, the click that picks the pot and the
// learned controllers are the panel's (editor/panel/potinput.h).
//
// dispatchLearnCommand(id): runs 2302 (MIDI Learn on / off, its check mark following) and
//   2303 (Forget Learned Controls: every binding dropped, the options file written); false
//   for any other id.
// serveLearnedControl(e): a MIDI input event in the command loop: true when learning or a
//   binding took it (it is then not passed through); a new binding ends learning (check mark
//   off) and is kept in the options file.
// Owns no globals.
#pragma once

#include "platform/events.h"

constexpr int CommandMidiLearn = 2302;
constexpr int CommandForgetLearned = 2303;

bool dispatchLearnCommand(int id);
bool serveLearnedControl(const Event& e);
