#include "editor/shell/learn.h"

#include "editor/declaration/declaration.h"
#include "editor/panel/potedit.h"
#include "editor/shell/editing.h"
#include "editor/shell/options.h"
#include "platform/window.h"
#include "shared/midi/devices.h"
#include "shared/midi/nrpn.h"

bool Learning = false;
int LearnTarget = -1;
bool LearnClickHeld = false;

namespace {

// The runs of learned moves are told apart from the wheel's runs on the same pot (whose key
// is the parameter itself).
constexpr int LearnedRunKeyBase = 10000;

constexpr uint8_t ControlChangeStatus = 0xB0;

void setLearning(bool on) {
    Learning = on;
    LearnTarget = -1;
    checkMenuItem(CommandMidiLearn, on);
}

void bind(int channel, int controller, int parameter) {
    for (auto it = Options.learn.begin(); it != Options.learn.end(); ++it) {
        if (it->channel == channel && it->controller == controller) {
            Options.learn.erase(it);
            break;
        }
    }
    Options.learn.push_back({channel, controller, parameter});
    saveOptions(true);
}

}  // namespace

void resetLearnState() {
    Learning = false;
    LearnTarget = -1;
    LearnClickHeld = false;
}

int64_t roundedQuotient(int64_t num, int64_t den) {
    int64_t q = num / den, r = num % den;
    if (r < 0) {  // toward minus infinity, so 0 <= r < den
        --q;
        r += den;
    }
    if (2 * r > den || (2 * r == den && q % 2 != 0)) ++q;
    return q;
}

int learnedValue(int v, int min, int max) {
    return min + static_cast<int>(roundedQuotient(int64_t(v) * (int64_t(max) - min), 127));
}

bool dispatchLearnCommand(int id) {
    if (id == CommandMidiLearn) {
        setLearning(!Learning);
        return true;
    }
    if (id == CommandForgetLearned) {
        Options.learn.clear();
        saveOptions(true);
        return true;
    }
    return false;
}

bool takeLearnClick() {
    if (PrevPassMouseButtons == 0) LearnClickHeld = false;  // a new press
    if (LearnClickHeld) return true;
    int j = 0;
    if (!Learning || PrevPassMouseButtons != 0 || !potAt(MouseX, MouseY, j)) return false;
    LearnTarget = j;  // a later press on a pot, while still learning, picks again
    LearnClickHeld = true;
    return true;
}

bool takeLearnedControl(const Event& e) {
    if (e.kind != EventKind::MidiShort) return false;
    const uint8_t status = static_cast<uint8_t>(e.midiWord & 0xFF);
    const int controller = static_cast<int>((e.midiWord >> 8) & 0x7F);
    const int value = static_cast<int>((e.midiWord >> 16) & 0x7F);
    if ((status & 0xF0) != ControlChangeStatus) return false;
    // Held quiet: what a reopened device shakes loose is neither learnt nor applied.
    if (midiInputHeld()) return false;
    const int channel = (status & 0x0F) + 1;

    if (Learning && LearnTarget >= 0) {
        if (!learnableController(controller)) return false;  // NRPN/RPN: refused, passed on
        const int parameter = LearnTarget + 1;
        setLearning(false);
        bind(channel, controller, parameter);
        return true;
    }
    for (const LearnBinding& b : Options.learn) {
        if (b.channel != channel || b.controller != controller) continue;
        int f = 0, p = 0;
        const int j = b.parameter - 1;
        // Nothing moves while a press on the panel is under way; the message is still taken.
        if (!GestureOpen && parameterPot(j, f, p)) {
            movePotInRun(j, learnedValue(value, PotMin[f][p], PotMax[f][p]), LearnedRunKeyBase + j);
        }
        return true;
    }
    return false;
}
