#include "editor/panel/potedit.h"

#include <algorithm>
#include <cmath>

#include "editor/declaration/declaration.h"
#include "editor/panel/pots.h"
#include "editor/panel/layout.h"
#include "editor/program/program.h"
#include "platform/clock.h"
#include "platform/input.h"

int16_t MouseX = 0, MouseY = 0;
int16_t PassMouseButtons = 0;
int16_t PrevPassMouseButtons = 0;
bool RepeatStarted = false;

namespace {

// How long the step-button wait sleeps between looks at the live button state: short enough
// that a release ends the wait at once, long enough that the wait costs no processor time.
constexpr uint32_t StepWaitSliceMs = 5;

int roundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

bool inArea(int dx, int dy, int left, int right, int top, int bottom) {
    return dx >= left && dx <= right && dy >= top && dy <= bottom;
}

// Takes a new value unless it changes nothing: the same value, or pushing past an end the
// value already sits at.
bool takeNewValue(int newValue, int16_t min, int16_t max, int16_t& value) {
    if (newValue == value) return false;
    if (value == max && newValue >= max) return false;
    if (value == min && newValue <= min) return false;
    value = static_cast<int16_t>(std::clamp(newValue, -32768, 32767));
    return true;
}

}  // namespace

void resetPotEditState() {
    MouseX = MouseY = 0;
    PassMouseButtons = PrevPassMouseButtons = 0;
    RepeatStarted = false;
}

void waitStepRepeat() {
    const uint32_t t0 = tickCount();
    const int32_t limit = RepeatStarted ? RepeatInterval : RepeatDelay;
    while (mouseButtons() != 0) {
        const int32_t elapsed = tickDiff(tickCount(), t0);
        if (elapsed > limit) break;
        sleepMilliseconds(std::min<uint32_t>(StepWaitSliceMs, static_cast<uint32_t>(limit - elapsed) + 1));
    }
    RepeatStarted = true;
}

void handlePotMouse(int x, int y, int16_t min, int16_t max, int16_t& value) {
    // A pot without a range cannot change (the declaration refuses such pots anyway).
    if (min >= max) return;
    const int dx = MouseX - x, dy = MouseY - y;
    const int st = SliderTravel;
    const bool inTrack = inArea(dx, dy, 0, 35, 18, st + 36);
    if (PassMouseButtons == 1) {
        if (inTrack) {
            const int newValue = min + roundHalfEven(double(st + 27 - dy) * (max - min) / st);
            if (takeNewValue(newValue, min, max, value)) drawPotKnob(x, y, min, max, value);
        }
        if (inArea(dx, dy, 9, 26, 1, 16) && value < max) {
            ++value;
            drawPotKnob(x, y, min, max, value);
            waitStepRepeat();
        }
        if (inArea(dx, dy, 9, 26, st + 38, st + 53) && value > min) {
            --value;
            drawPotKnob(x, y, min, max, value);
            waitStepRepeat();
        }
    } else if (PassMouseButtons == 2 && inTrack) {
        const int centre = roundHalfEven((double(min) + double(max)) / 2.0);
        if (takeNewValue(centre, min, max, value)) drawPotKnob(x, y, min, max, value);
    }
}

void pollPots() {
    int j = 0;
    for (int f = 0; f < FieldCount; ++f) {
        for (int p = 0; p < FieldPotCount[f]; ++p, ++j) {
            int16_t v = ProgramValues[j];
            handlePotMouse(FieldX[f] + FieldStep[f] * p, FieldY[f], PotMin[f][p], PotMax[f][p], v);
            setParameterValue(j, v);
            if (j == EffectTypeParameter && v != CurrentEffectType) selectEffectType(v);
        }
    }
}
