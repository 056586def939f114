#include "editor/panel/potedit.h"

#include <algorithm>

#include "editor/declaration/declaration.h"
#include "editor/panel/pots.h"
#include "editor/panel/layout.h"
#include "editor/program/morph.h"
#include "editor/program/program.h"
#include "platform/clock.h"
#include "platform/input.h"

int16_t MouseX = 0, MouseY = 0;
int16_t PassMouseButtons = 0;
int16_t PrevPassMouseButtons = 0;
bool RepeatStarted = false;
bool PassShift = false;
DragAnchor Anchor;

namespace {

// How long the step-button wait sleeps between looks at the live button state: short enough
// that a release ends the wait at once, long enough that the wait costs no processor time.
constexpr uint32_t StepWaitSliceMs = 5;

bool inArea(int dx, int dy, int left, int right, int top, int bottom) {
    return dx >= left && dx <= right && dy >= top && dy <= bottom;
}

// A pot's mouse areas, relative to its origin (the table at the top of potedit.h).
bool inTrack(int dx, int dy) { return inArea(dx, dy, 0, 35, 18, SliderTravel + 36); }
bool inUpStep(int dx, int dy) { return inArea(dx, dy, 9, 26, 1, 16); }
bool inDownStep(int dx, int dy) { return inArea(dx, dy, 9, 26, SliderTravel + 38, SliderTravel + 53); }

// Takes a new value unless it changes nothing: the same value, or pushing past an end the
// value already sits at.
bool takeNewValue(int newValue, int16_t min, int16_t max, int16_t& value) {
    if (newValue == value) return false;
    if (value == max && newValue >= max) return false;
    if (value == min && newValue <= min) return false;
    value = static_cast<int16_t>(std::clamp(newValue, -32768, 32767));
    return true;
}

// The fine drag's pixels a step, for pots of at least SliderTravel steps.
constexpr int FinePixelsPerStep = 4;

// The value a drag from the Anchor gives pot (x, y), in the track, this pass; a new anchor
// (Shift went down or up, another pot) gives the value as it is.
int anchoredDragValue(int x, int y, int16_t min, int16_t max, int16_t value) {
    const bool fine = PassShift;
    if (!Anchor.taken || Anchor.potX != x || Anchor.potY != y || Anchor.fine != fine) {
        Anchor = DragAnchor{true, x, y, value, MouseY, fine};
        return value;
    }
    const int64_t range = int64_t(max) - min;
    const int64_t moved = int64_t(Anchor.mouseY) - MouseY;  // up is positive
    const int64_t st = std::max<int64_t>(SliderTravel, 1);
    const int64_t steps = fine ? moved * range / (FinePixelsPerStep * std::max(st, range))  // truncated
                               : roundedQuotient(moved * range, st);
    const int64_t target = Anchor.value + steps;
    if (target >= min && target <= max) return static_cast<int>(target);
    const int end = target > max ? max : min;
    Anchor.value = end;  // the way back starts at once
    Anchor.mouseY = MouseY;
    return end;
}

}  // namespace

void resetPotEditState() {
    MouseX = MouseY = 0;
    PassMouseButtons = PrevPassMouseButtons = 0;
    RepeatStarted = false;
    PassShift = false;
    Anchor = DragAnchor{};
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
    const bool onTrack = inTrack(dx, dy);
    if (PassMouseButtons == 1) {
        if (onTrack) {
            const int newValue = PassShift || Anchor.taken
                                     ? anchoredDragValue(x, y, min, max, value)
                                     : min + static_cast<int>(roundedQuotient(int64_t(st + 27 - dy) * (max - min), st));
            if (takeNewValue(newValue, min, max, value)) drawPotKnob(x, y, min, max, value);
        }
        if (inUpStep(dx, dy) && value < max) {
            ++value;
            drawPotKnob(x, y, min, max, value);
            waitStepRepeat();
        }
        if (inDownStep(dx, dy) && value > min) {
            --value;
            drawPotKnob(x, y, min, max, value);
            waitStepRepeat();
        }
    } else if (PassMouseButtons == 2 && onTrack) {
        const int centre = static_cast<int>(roundedQuotient(int64_t(min) + max, 2));
        if (takeNewValue(centre, min, max, value)) drawPotKnob(x, y, min, max, value);
    }
}

void pollPots() {
    int j = 0;
    for (int f = 0; f < FieldCount; ++f) {
        for (int p = 0; p < FieldPotCount[f]; ++p, ++j) {
            int16_t v = ProgramValues[j];
            handlePotMouse(FieldX[f] + FieldStep[f] * p, FieldY[f], PotMin[f][p], PotMax[f][p], v);
            if (v != ProgramValues[j]) endMorph();  // what Morph shows stays, as its own change
            setParameterValue(j, v);
            if (j == EffectTypeParameter && v != CurrentEffectType) selectEffectType(v);
        }
    }
}

namespace {

// The pot whose area (relative to its origin) holds (x, y).
template <typename Inside>
bool findPot(int x, int y, int& index, Inside inside) {
    int j = 0;
    for (int f = 0; f < FieldCount; ++f) {
        for (int p = 0; p < FieldPotCount[f]; ++p, ++j) {
            if (inside(x - (FieldX[f] + FieldStep[f] * p), y - FieldY[f])) {
                index = j;
                return true;
            }
        }
    }
    return false;
}

}  // namespace

bool potTrackAt(int x, int y, int& index) { return findPot(x, y, index, inTrack); }

bool potAt(int x, int y, int& index) {
    return findPot(x, y, index, [](int dx, int dy) {
        return inTrack(dx, dy) || inUpStep(dx, dy) || inDownStep(dx, dy);
    });
}

bool movePotTo(int index, int value) {
    int f = 0, p = 0;
    if (!parameterPot(index, f, p) || index >= static_cast<int>(ProgramValues.size())) return false;
    const int16_t min = PotMin[f][p], max = PotMax[f][p];
    if (min >= max) return false;
    int16_t v = static_cast<int16_t>(std::clamp(value, int(min), int(max)));
    if (v == ProgramValues[index]) return false;
    endMorph();  // what Morph shows stays, as its own change
    setParameterValue(index, v);
    drawPotKnob(FieldX[f] + FieldStep[f] * p, FieldY[f], min, max, v);
    if (index == EffectTypeParameter && v != CurrentEffectType) selectEffectType(v);
    return true;
}

int declaredDefault(int index) {
    int f = 0, p = 0;
    if (!parameterPot(index, f, p)) return 0;
    return std::clamp(int(PotDefault[f][p]), int(PotMin[f][p]), int(std::max(PotMin[f][p], PotMax[f][p])));
}
