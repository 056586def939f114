// potinput.h - every way a pot is moved, from the event the command loop hands down to the
// program (editor/program/) and the unit: the drag, the step buttons, the right-click centre,
// a double click on the track (the pot's default), the wheel and the keys on the pot under
// the mouse, and MIDI learn with its learned controllers. The "&Edit" menu is the shell's.
//
// The panel's share of a pass (servePotInput, only while the main window is in front): the
// mouse is read once into the pass's state of potedit.h (MouseX, MouseY, PassMouseButtons);
// while a button is held the pots follow it (pollPots; potedit.h) unless learning takes the
// press or it is a double click's second, the on-screen keyboard gets the mouse, and every
// changed parameter goes out at once (edit-end after an effect-type switch). With no button
// held, a Wheel event (one step a notch, ten with Shift) or a Key event (Up/Down one step,
// Page Up/Down ten, Home the minimum, End the maximum; not with Ctrl) moves the pot under the
// mouse. A press that changed a value is one change in the history at its release; a run of
// wheel notches or keys on one pot is one change (recordChange's merge rule).
//
// Typing a value: Enter (not with Ctrl, no button held) over a pot ends Morph and asks
// askText("Value", "TITLE CAPTION (MIN..MAX):", the value in decimal), TITLE CAPTION as
// potText of declaration.h. An answer readTypedValue takes sets the pot as one change of its
// own, sent at once (the effect type switches its tables as a drag does); any other answer
// gives the message " Value must be MIN to MAX!" and changes nothing; cancel changes nothing.
// Enter over no pot does nothing.
//
// MIDI learn (2302 in the shell's table): every press on a pot while learning picks that pot
// as the target and moves nothing; the next control change on the input (any channel) once a
// target is picked binds its channel and controller to the target (putLearnBinding, replacing
// an old binding of the same channel and controller) and ends learning. While Morph is on and
// no pot is picked, that control change is bound to the morph position instead (parameter
// MorphBindingParameter); its value then moves Morph to that position (moveMorphTo of
// morphing.h; nothing while Morph is off). The NRPN/RPN
// controllers (learnableController of shared/midi/nrpn.h) are refused: learning goes on and they pass through. The
// message that is bound moves nothing. What arrives while the input is held quiet
// (midiInputHeld) is neither learnt nor applied. A bound controller's value v moves its pot
// to learnedValue(v, min, max) as one step of a run (movePotInRun), consecutive moves of one
// pot by a controller merged into one change; nothing moves while a press on the panel is
// under way (GestureOpen): the message is then taken and dropped.
//
// Lock Parameters (2530 in the shell's table): while it is on, a left press on a pot toggles
// that pot's lock (editor/program/locks.h) instead of moving it, and nothing is sent or
// recorded; the panel is drawn again so the lock marks follow (drawn while it is on).
//
// Globals:
//   LockingParameters  Lock Parameters is on (check mark 2530): clicks lock and unlock pots
//   LockClickHeld    the press under way was taken by Lock Parameters, until its release
//   GestureBefore    the state when the panel's current button press began
//   GestureOpen      a press on the panel is under way
//   DoubleClickHeld  the press is the second of a double click: its default wins, the drag
//                    rule does not move the pot until the button is released
//   Learning         learning is on (check mark 2302)
//   LearnTarget      the parameter picked while learning (-1: none yet)
//   LearnClickHeld   the press under way was taken by learning, until its release
//   LearnBindings    the learned controllers (kept in KtProg.ini by the shell's settings)
//
// servePotInput(e): the panel's share of a command-loop pass, as above.
// takeLearnedControl(e): a MIDI input event in the command loop: what learning or a binding
//   made of it (NotTaken: it passes through as before).
// learnedMove(e, move): e is a message that a binding applies (a bound controller's, not the
//   one learning waits for, not held quiet): its target and value. Nothing is applied, so the
//   command loop can take a run of them and apply only the newest of each target.
// applyLearnedMove(move): what a binding's message does: the pot moved as one step of its
//   run, or Morph moved; nothing while a press on the panel is under way.
// setLearning(on): learning on or off (the target forgotten); the menu's mark is the shell's.
// movePotInRun(j, value, runKey): one step of a run on pot j outside a press: the pot moved
//   to value (clamped), sent at once, recorded as a change that joins the last one when that
//   was the same runKey (see recordChange). False when the value did not change.
// typedValuePrompt(j): the caption of parameter j's "Value" dialog, "TITLE CAPTION (MIN..MAX):"
//   as the pot shows them now ("(MIN..MAX):" for a pot without texts; "" for no parameter).
// readTypedValue(answer, min, max, value): a whole number within min..max: blanks (spaces,
//   tabs) around it, one sign and leading zeros allowed; nothing else, and no answer longer
//   than MaxTypedValueLength characters. False (value untouched) when refused.
// learnedValue(v, min, max): min + v * (max - min) / 127 rounded half to even, exactly.
// putLearnBinding(list, b, policy): the one binding per channel and controller: a new b is
//   added at the end; with one of its channel and controller in the list already, Replace
//   drops the old one first, KeepFirst leaves the list as it is (false: b not added).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "editor/program/history.h"
#include "platform/events.h"

// The longest answer a typed value is read from: any of the panel's numbers with blanks and
// leading zeros to spare; a longer one is refused unread.
constexpr size_t MaxTypedValueLength = 32;

// The parameter number of a binding to the morph position.
constexpr int MorphBindingParameter = 0;

struct LearnBinding {
    int channel = 1;     // 1..16
    int controller = 0;  // 0..127, learnable
    int parameter = 1;   // 1..ParameterCount; MorphBindingParameter: the morph position
};

// What a bound controller's message asks for: the binding's parameter and the value 0..127.
struct LearnedMove {
    int parameter = 1;
    int value = 0;
};

enum class LearnedControl { NotTaken, Applied, Bound };
enum class BindingPolicy { Replace, KeepFirst };

extern bool LockingParameters;                    // clicks on pots lock and unlock them
extern bool LockClickHeld;                        // the press under way was taken by Lock Parameters
extern ProgramSnapshot GestureBefore;             // the state when the current press began
extern bool GestureOpen;                          // a press on the panel is under way
extern bool DoubleClickHeld;                      // the press is a double click's second
extern bool Learning;                             // learning is on
extern int LearnTarget;                           // the parameter picked while learning (-1: none)
extern bool LearnClickHeld;                       // the press under way was taken by learning
extern std::vector<LearnBinding> LearnBindings;   // the learned controllers

void resetPotInputState();
void servePotInput(const Event& e);
LearnedControl takeLearnedControl(const Event& e);
bool learnedMove(const Event& e, LearnedMove& move);
void applyLearnedMove(const LearnedMove& move);
void setLearning(bool on);
bool movePotInRun(int index, int value, int runKey);
std::string typedValuePrompt(int j);
bool readTypedValue(const std::string& answer, int min, int max, int& value);
int learnedValue(int v, int min, int max);
bool putLearnBinding(std::vector<LearnBinding>& list, const LearnBinding& b, BindingPolicy policy);
