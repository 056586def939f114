#include "editor/program/morph.h"

#include <algorithm>

#include "editor/declaration/declaration.h"
#include "editor/program/history.h"
#include "editor/program/locks.h"
#include "platform/window.h"

bool Morphing = false;
ProgramSnapshot MorphFrom;
ProgramSnapshot MorphTo;
int MorphPosition = 0;

namespace {

bool sameShape(const ProgramSnapshot& a, const ProgramSnapshot& b) {
    return a.values.size() == b.values.size() && a.values.size() > size_t(FirstEffectParameter + EffectParameterCount - 1);
}

bool effectParameter(int j) { return j >= FirstEffectParameter && j < FirstEffectParameter + EffectParameterCount; }

}  // namespace

void resetMorphState() {
    Morphing = false;
    MorphFrom = ProgramSnapshot{};
    MorphTo = ProgramSnapshot{};
    MorphPosition = 0;
}

ProgramSnapshot morphedState(const ProgramSnapshot& a, const ProgramSnapshot& b, int m) {
    ProgramSnapshot s = a;
    if (!sameShape(a, b)) return s;
    m = std::clamp(m, 0, MorphPositionMax);
    const bool typesDiffer = a.values[EffectTypeParameter] != b.values[EffectTypeParameter];
    // With different types the effect field goes over whole: to B's type and values from the
    // switch, or stays A's when the type may not move.
    const bool takeB = typesDiffer && !parameterLocked(EffectTypeParameter) && m >= MorphTypeSwitch;
    if (takeB) s.effectType = b.effectType;
    for (size_t i = 0; i < s.values.size(); ++i) {
        const int j = static_cast<int>(i);
        // The 14 belong to their type: when the type goes over, they all go with it (a value
        // kept from A's type would stand in another type's range).
        if (typesDiffer && effectParameter(j)) {
            if (takeB) s.values[i] = b.values[i];
            continue;
        }
        if (parameterLocked(j)) continue;
        if (j == EffectTypeParameter) {
            if (takeB) s.values[i] = b.values[i];
            continue;
        }
        s.values[i] = static_cast<int16_t>(a.values[i] + roundedQuotient((int64_t(b.values[i]) - a.values[i]) * m, MorphPositionMax));
    }
    return s;
}

bool morphChangesSomething(const ProgramSnapshot& a, const ProgramSnapshot& b) {
    const ProgramSnapshot end = morphedState(a, b, MorphPositionMax);
    return end.values != a.values || end.effectType != a.effectType;
}

bool beginMorph() {
    if (Morphing) return false;
    const ProgramSnapshot from = currentState();
    if (!morphChangesSomething(from, CompareReference)) return false;
    Morphing = true;
    MorphFrom = from;
    MorphTo = CompareReference;
    MorphPosition = 0;
    checkMenuItem(CommandMorph, true);
    return true;
}

void endMorph() {
    if (!Morphing) return;
    Morphing = false;
    checkMenuItem(CommandMorph, false);
    const ProgramSnapshot from = MorphFrom;
    MorphFrom = ProgramSnapshot{};
    MorphTo = ProgramSnapshot{};
    MorphPosition = 0;
    recordChange(from);
}
