// learn.h - the shell's side of MIDI learn: its two menu items and what a binding means to
// the menu and the options file. Learning itself, the click that picks the pot and the
// learned controllers are the panel's (editor/panel/potinput.h).
//
// learnCommand(): MIDI Learn (2302) on / off, its check mark following.
// forgetLearnedCommand(): Forget Learned Controls (2303): asks " Forget every learned
//   control?" (" 1:Forget" / " 2:Keep"); Forget drops every binding and writes the options
//   file, Keep changes nothing. With no binding nothing is asked.
// serveLearnedControl(e): a MIDI input event in the command loop: true when learning or a
//   binding took it (it is then not passed through); a new binding ends learning (check mark
//   off) and is kept in the options file.
// Owns no globals.
#pragma once

#include "platform/events.h"

constexpr int CommandMidiLearn = 2302;
constexpr int CommandForgetLearned = 2303;

void learnCommand();
void forgetLearnedCommand();
bool serveLearnedControl(const Event& e);
