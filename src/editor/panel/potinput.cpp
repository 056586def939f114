#include "editor/panel/potinput.h"

#include <limits>
#include <string>

#include "editor/declaration/declaration.h"
#include "editor/panel/keyboard.h"
#include "editor/panel/layout.h"
#include "editor/panel/morphing.h"
#include "editor/panel/potedit.h"
#include "editor/preset/parameters.h"
#include "editor/program/locks.h"
#include "editor/program/morph.h"
#include "editor/program/program.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/input.h"
#include "platform/midi.h"
#include "shared/midi/devices.h"
#include "shared/midi/nrpn.h"
#include "shared/message/message.h"

bool LockingParameters = false;
bool LockClickHeld = false;
ProgramSnapshot GestureBefore;
bool GestureOpen = false;
bool DoubleClickHeld = false;
bool Learning = false;
int LearnTarget = -1;
bool LearnClickHeld = false;
std::vector<LearnBinding> LearnBindings;

namespace {

constexpr int StepsWithShift = 10;

// The runs of learned moves are told apart from the wheel's runs on the same pot (whose key
// is the parameter itself).
constexpr int LearnedRunKeyBase = 10000;

constexpr uint8_t ControlChangeStatus = 0xB0;

// A typed value is a change of its own: it never joins a run of the wheel or the keys.
constexpr int NoRun = -1;

// Enter over pot j (field f, pot p): the value typed in the dialog "Value", as one change
// sent at once; an answer outside the pot's range is said and changes nothing.
void typePotValue(int j, int f, int p) {
    endMorph();         // a dialog ends Morph
    silenceKeyboard();  // and the notes of keys whose releases its own loop will take
    const int min = PotMin[f][p], max = PotMax[f][p];
    std::string answer;
    if (!askText("Value", typedValuePrompt(j), std::to_string(ProgramValues[j]), answer)) return;
    int value = 0;
    if (!readTypedValue(answer, min, max, value)) {
        showMessage(" Value must be " + std::to_string(min) + " to " + std::to_string(max) + "!", "");
        return;
    }
    movePotInRun(j, value, NoRun);
}

// After a pot moved outside a drag: its NRPN (and, after an effect-type switch, the effect
// parameters with the closing edit-end) go out at once.
void sendPotChange() {
    sendChangedParameters();
    closeEditBracket();
}

void beginGesture() {
    GestureBefore = currentState();
    GestureOpen = true;
    DoubleClickHeld = false;
}

void endGesture() {
    if (GestureOpen) recordChange(GestureBefore);
    GestureOpen = false;
    DoubleClickHeld = false;
}

// Every pass while a button is held: true while learning takes this press, from its first
// pass to its release, to pick its pot (the pass then leaves the pots alone).
bool takeLearnClick() {
    if (PrevPassMouseButtons == 0) LearnClickHeld = false;  // a new press
    if (LearnClickHeld) return true;
    int j = 0;
    if (!Learning || PrevPassMouseButtons != 0 || !potAt(MouseX, MouseY, j)) return false;
    LearnTarget = j;  // a later press on a pot, while still learning, picks again
    LearnClickHeld = true;
    return true;
}

// Every pass while a button is held: true while Lock Parameters takes this press, from its
// first pass to its release; its first pass toggles the lock of the pot under a left press.
bool takeLockClick() {
    if (PrevPassMouseButtons == 0) LockClickHeld = false;  // a new press
    if (LockClickHeld) return true;
    int j = 0;
    if (!LockingParameters || PrevPassMouseButtons != 0 || PassMouseButtons != 1 || !potAt(MouseX, MouseY, j)) {
        return false;
    }
    setParameterLocked(j, !parameterLocked(j));
    PanelRefreshRequest = true;  // the marks follow
    LockClickHeld = true;
    return true;
}

// The second press of a left double click on a pot's track sets its default; true when it
// did (the pass then leaves the pots alone until the release).
bool takeDoubleClick(const Event& e) {
    if (DoubleClickHeld) return true;
    if (e.kind != EventKind::MouseButton || !e.doubleClick || PassMouseButtons != 1) return false;
    int j = 0;
    if (!potTrackAt(MouseX, MouseY, j)) return false;
    movePotTo(j, declaredDefault(j));
    DoubleClickHeld = true;
    return true;
}

// A Wheel or Key event on the pot under the mouse, no button held.
void moveHoveredPot(const Event& e) {
    if (e.kind != EventKind::Wheel && e.kind != EventKind::Key) return;
    if (e.kind == EventKind::Key && e.ctrl) return;
    int x = e.x, y = e.y;
    if (e.kind == EventKind::Key) mousePosition(x, y);
    int j = 0, f = 0, p = 0;
    if (!potAt(x, y, j) || !parameterPot(j, f, p) || j >= static_cast<int>(ProgramValues.size())) return;
    if (e.kind == EventKind::Key && e.key == KeyEnter) {
        typePotValue(j, f, p);
        return;
    }
    const int value = ProgramValues[j];
    int target = value;
    if (e.kind == EventKind::Wheel) {
        target = value + e.notches * (e.shift ? StepsWithShift : 1);
    } else {
        switch (e.key) {
        case KeyUp: target = value + 1; break;
        case KeyDown: target = value - 1; break;
        case KeyPageUp: target = value + StepsWithShift; break;
        case KeyPageDown: target = value - StepsWithShift; break;
        case KeyHome: target = PotMin[f][p]; break;
        case KeyEnd: target = PotMax[f][p]; break;
        default: return;
        }
    }
    movePotInRun(j, target, j);
}

}  // namespace

void resetPotInputState() {
    LockingParameters = false;
    LockClickHeld = false;
    GestureBefore = ProgramSnapshot{};
    GestureOpen = false;
    DoubleClickHeld = false;
    Learning = false;
    LearnTarget = -1;
    LearnClickHeld = false;
    LearnBindings.clear();
}

void servePotInput(const Event& e) {
    int x = 0, y = 0;
    mousePosition(x, y);
    MouseX = static_cast<int16_t>(x);
    MouseY = static_cast<int16_t>(y);
    PassMouseButtons = static_cast<int16_t>(mouseButtons());
    PassShift = PassMouseButtons != 0 && shiftHeld();
    if (PassMouseButtons != 0) {
        if (PrevPassMouseButtons == 0) {
            RepeatStarted = false;
            Anchor = DragAnchor{};
            beginGesture();
        }
        const bool picked = takeLearnClick();  // MIDI learn picks its pot with this press
        if (!picked && !takeLockClick() && !takeDoubleClick(e)) pollPots();
    }
    handleKeyboardMouse(MouseX, MouseY, PassMouseButtons, PrevPassMouseButtons);
    if (PassMouseButtons != 0) sendChangedParameters();
    closeEditBracket();
    if (PassMouseButtons == 0) {
        if (PrevPassMouseButtons != 0) endGesture();
        moveHoveredPot(e);
    }
    PrevPassMouseButtons = PassMouseButtons;
}

bool movePotInRun(int index, int value, int runKey) {
    const ProgramSnapshot before = currentState();
    if (!movePotTo(index, value)) return false;
    sendPotChange();
    recordChange(before, runKey, tickCount());
    return true;
}

std::string typedValuePrompt(int j) {
    int f = 0, p = 0;
    if (!parameterPot(j, f, p)) return "";
    const std::string text = parameterText(j);
    return (text.empty() ? "" : text + " ") + "(" + std::to_string(PotMin[f][p]) + ".." +
           std::to_string(PotMax[f][p]) + "):";
}

bool readTypedValue(const std::string& answer, int min, int max, int& value) {
    if (answer.size() > MaxTypedValueLength) return false;
    const size_t first = answer.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    const size_t last = answer.find_last_not_of(" \t");
    size_t i = first;
    const bool negative = answer[i] == '-';
    if (answer[i] == '+' || answer[i] == '-') ++i;
    if (i > last) return false;  // a sign alone
    int64_t magnitude = 0;
    for (; i <= last; ++i) {
        const char c = answer[i];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > std::numeric_limits<int>::max()) return false;  // outside any range
    }
    const int64_t v = negative ? -magnitude : magnitude;
    if (v < min || v > max) return false;
    value = static_cast<int>(v);
    return true;
}

void setLearning(bool on) {
    Learning = on;
    LearnTarget = -1;
}

int learnedValue(int v, int min, int max) {
    return min + static_cast<int>(roundedQuotient(int64_t(v) * (int64_t(max) - min), 127));
}

bool putLearnBinding(std::vector<LearnBinding>& list, const LearnBinding& b, BindingPolicy policy) {
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->channel != b.channel || it->controller != b.controller) continue;
        if (policy == BindingPolicy::KeepFirst) return false;
        list.erase(it);
        break;
    }
    list.push_back(b);
    return true;
}

namespace {

// A control change on the input that is neither held quiet nor refused: its channel (1..16),
// controller and value.
bool controlChange(const Event& e, int& channel, int& controller, int& value) {
    if (e.kind != EventKind::MidiShort) return false;
    uint8_t bytes[3];
    unpackMidiShort(e.midiWord, bytes);
    if ((bytes[0] & 0xF0) != ControlChangeStatus) return false;
    // Held quiet: what a reopened device shakes loose is neither learnt nor applied.
    if (midiInputHeld()) return false;
    channel = (bytes[0] & 0x0F) + 1;
    controller = bytes[1] & 0x7F;
    value = bytes[2] & 0x7F;
    return true;
}

}  // namespace

bool learnedMove(const Event& e, LearnedMove& move) {
    int channel = 0, controller = 0, value = 0;
    if (!controlChange(e, channel, controller, value)) return false;
    if (Learning && (LearnTarget >= 0 || Morphing)) return false;  // the next one is learnt, not applied
    for (const LearnBinding& b : LearnBindings) {
        if (b.channel != channel || b.controller != controller) continue;
        move = {b.parameter, value};
        return true;
    }
    return false;
}

void applyLearnedMove(const LearnedMove& move) {
    // Nothing moves while a press on the panel is under way; the message is still taken.
    if (GestureOpen) return;
    if (move.parameter == MorphBindingParameter) {
        moveMorphTo(move.value);  // nothing while Morph is off
        return;
    }
    int f = 0, p = 0;
    const int j = move.parameter - 1;
    if (parameterPot(j, f, p)) movePotInRun(j, learnedValue(move.value, PotMin[f][p], PotMax[f][p]), LearnedRunKeyBase + j);
}

LearnedControl takeLearnedControl(const Event& e) {
    int channel = 0, controller = 0, value = 0;
    if (!controlChange(e, channel, controller, value)) return LearnedControl::NotTaken;
    // A pot picked while learning; with none, while Morph is on, the morph position.
    if (Learning && (LearnTarget >= 0 || Morphing)) {
        if (!learnableController(controller)) return LearnedControl::NotTaken;  // NRPN/RPN: refused, passed on
        const int parameter = LearnTarget >= 0 ? LearnTarget + 1 : MorphBindingParameter;
        setLearning(false);
        putLearnBinding(LearnBindings, {channel, controller, parameter}, BindingPolicy::Replace);
        return LearnedControl::Bound;
    }
    LearnedMove move;
    if (!learnedMove(e, move)) return LearnedControl::NotTaken;
    applyLearnedMove(move);
    return LearnedControl::Applied;
}
