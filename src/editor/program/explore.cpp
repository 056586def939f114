#include "editor/program/explore.h"

#include <algorithm>

#include "editor/declaration/declaration.h"

uint64_t RandomState = 0;

namespace {

bool isLocked(const std::vector<bool>& locked, size_t j) { return j < locked.size() && locked[j]; }

int validType(int type) { return std::clamp(type, 0, EffectTypeCount - 1); }

// Parameter j's range under `type`; a parameter the ranges do not cover cannot move.
ParameterRange rangeOf(const ProgramRanges& ranges, int type, size_t j, int16_t value) {
    const std::vector<ParameterRange>& r = ranges[static_cast<size_t>(validType(type))];
    if (j < r.size() && r[j].min <= r[j].max) return r[j];
    return {value, value};
}

int16_t clampInto(int64_t v, const ParameterRange& r) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, r.min, r.max));
}

bool hasEffectParameters(const ProgramSnapshot& s) {
    return static_cast<int>(s.values.size()) >= FirstEffectParameter + EffectParameterCount;
}

int effectTypeOf(const ProgramSnapshot& s) { return validType(s.values[EffectTypeParameter]); }

// The effect type of `s` becomes `type`, as turning the type pot makes it: the 14 values
// filed under the old type, the new type's recalled (for the unlocked ones; `recalled`
// gives them), every one clamped into the new type's range.
void switchEffectType(ProgramSnapshot& s, int type, const std::vector<int16_t>& recalled, const ProgramRanges& ranges,
                      const std::vector<bool>& locked) {
    const int old = effectTypeOf(s);
    for (int k = 0; k < EffectParameterCount; ++k) {
        s.effectStore[static_cast<size_t>(old * EffectParameterCount + k)] =
            s.values[static_cast<size_t>(FirstEffectParameter + k)];
    }
    s.values[EffectTypeParameter] = static_cast<int16_t>(type);
    s.effectType = static_cast<uint8_t>(type);
    for (int k = 0; k < EffectParameterCount; ++k) {
        const size_t j = static_cast<size_t>(FirstEffectParameter + k);
        const int16_t v = isLocked(locked, j) ? s.values[j] : recalled[static_cast<size_t>(k)];
        s.values[j] = clampInto(v, rangeOf(ranges, type, j, v));
    }
}

}  // namespace

void resetExploreState() { RandomState = 0; }

void seedRandom(uint64_t seed) { RandomState = seed; }

uint64_t nextRandom() {
    RandomState += 0x9E3779B97F4A7C15ULL;
    uint64_t z = RandomState;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int64_t randomWhole(int64_t min, int64_t max) {
    if (max <= min) return min;
    const uint64_t span = static_cast<uint64_t>(max) - static_cast<uint64_t>(min) + 1;
    if (span == 0) return static_cast<int64_t>(nextRandom());  // the whole 64-bit range
    const uint64_t threshold = (0 - span) % span;              // 2^64 mod span
    uint64_t x = nextRandom();
    while (x < threshold) x = nextRandom();
    return static_cast<int64_t>(static_cast<uint64_t>(min) + x % span);
}

int64_t randomUnitNumerator() { return 2 * randomWhole(0, UnitDenominator) - UnitDenominator; }

ProgramSnapshot randomisedProgram(const ProgramSnapshot& s, int percent, const ProgramRanges& ranges,
                                  const std::vector<bool>& locked) {
    ProgramSnapshot out = s;
    const bool effects = hasEffectParameters(out);
    int type = effects ? effectTypeOf(out) : 0;
    for (size_t j = 0; j < out.values.size(); ++j) {
        if (isLocked(locked, j)) continue;
        const int16_t v = out.values[j];
        const ParameterRange r = rangeOf(ranges, type, j, v);
        int64_t next = 0;
        if (percent <= 0) {
            next = randomWhole(r.min, r.max);
        } else {
            const int64_t n = randomUnitNumerator();
            next = v + roundedQuotient(n * percent * (int64_t{r.max} - r.min), UnitDenominator * 100);
        }
        out.values[j] = clampInto(next, r);
        if (effects && static_cast<int>(j) == EffectTypeParameter && validType(out.values[j]) != type) {
            const int newType = validType(out.values[j]);
            std::vector<int16_t> recalled(EffectParameterCount);
            for (int k = 0; k < EffectParameterCount; ++k) {
                recalled[static_cast<size_t>(k)] =
                    out.effectStore[static_cast<size_t>(newType * EffectParameterCount + k)];
            }
            out.values[j] = static_cast<int16_t>(type);  // filed under the type it had
            switchEffectType(out, newType, recalled, ranges, locked);
            type = newType;
        }
    }
    return out;
}

ProgramSnapshot blendedProgram(const ProgramSnapshot& s, const ProgramSnapshot& reference, int percent,
                               const ProgramRanges& ranges, const std::vector<bool>& locked) {
    ProgramSnapshot out = s;
    const size_t n = std::min(out.values.size(), reference.values.size());
    const bool effects = hasEffectParameters(out) && hasEffectParameters(reference);
    const bool typesDiffer = effects && effectTypeOf(out) != effectTypeOf(reference);
    for (size_t j = 0; j < n; ++j) {
        if (isLocked(locked, j)) continue;
        const int i = static_cast<int>(j);
        if (typesDiffer && i >= EffectTypeParameter && i < FirstEffectParameter + EffectParameterCount) continue;
        const int64_t v = out.values[j], b = reference.values[j];
        out.values[j] = static_cast<int16_t>(v + roundedQuotient((b - v) * percent, 100));
    }
    if (typesDiffer && !isLocked(locked, EffectTypeParameter) && percent >= 50) {
        std::vector<int16_t> theirs(EffectParameterCount);
        for (int k = 0; k < EffectParameterCount; ++k) {
            theirs[static_cast<size_t>(k)] = reference.values[static_cast<size_t>(FirstEffectParameter + k)];
        }
        switchEffectType(out, effectTypeOf(reference), theirs, ranges, locked);
    }
    return out;
}
