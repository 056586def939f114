// learn.h - MIDI learn: a controller of a hardware control surface bound to a pot.
//
// Learning (2302, check mark on while it lasts): every press on a pot while learning picks
// that pot as the target and moves nothing; the next control change on the input (any
// channel) once a target is picked binds its channel and controller to the target, ends
// learning (check mark off) and keeps the binding in Options.learn and the options file. A
// binding for the same channel and controller replaces the old one. The NRPN/RPN
// controllers (learnableController) are refused: learning goes on and they pass through.
// The message that is bound moves nothing. Learning stays on across dialogs and device
// switches; what arrives while the input is held quiet (midiInputHeld, after a device
// switch, a dialog or a write) is neither learnt nor applied, as it is not passed through.
//
// A bound controller's value v moves its pot to learnedValue(v, min, max) as one step of a
// run (movePotInRun: sent at once with the thinning rule, consecutive moves of one pot by a
// controller merged into one change); its message is not passed through. Nothing moves while
// a press on the panel is under way (GestureOpen): the message is then dropped.
//
// Globals:
//   Learning          learning is on (check mark 2302)
//   LearnTarget       the parameter picked while learning (-1: none yet)
//   LearnClickHeld    the press under way was taken by learning, until its release
//
// dispatchLearnCommand(id): runs 2302 (MIDI Learn on / off) and 2303 (Forget Learned
//   Controls: every binding dropped, the options file written); false for any other id.
// takeLearnClick(): every pass while a mouse button is held on the panel (MouseX/MouseY,
//   PassMouseButtons, PrevPassMouseButtons of potedit.h tell where and since when): true
//   while learning takes this press, from its first pass to its release, to pick its pot (the
//   pass then leaves the pots alone, so the click moves nothing).
// takeLearnedControl(e): a MIDI input event in the command loop: true when learning or a
//   binding took it (it is then not passed through).
// learnedValue(v, min, max): min + v * (max - min) / 127 rounded half to even, exactly.
// roundedQuotient(num, den): num / den rounded to the nearest integer, halves to even
//   (den > 0).
#pragma once

#include <cstdint>

#include "platform/events.h"

constexpr int CommandMidiLearn = 2302;
constexpr int CommandForgetLearned = 2303;

extern bool Learning;        // learning is on
extern int LearnTarget;      // the parameter picked while learning (-1: none)
extern bool LearnClickHeld;  // the press under way was taken by learning

void resetLearnState();
bool dispatchLearnCommand(int id);
bool takeLearnClick();
bool takeLearnedControl(const Event& e);
int learnedValue(int v, int min, int max);
int64_t roundedQuotient(int64_t num, int64_t den);
