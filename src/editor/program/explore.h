// explore.h - exploring sounds: the editor's random generator and the rules of Randomise and
// Blend toward Compare, as functions from one program state to another. Nothing here draws,
// sends or records: the shell applies the state a rule gives as a load applies (one change).
//
// The generator is splitmix64 (a 64-bit state moved on by 0x9E3779B97F4A7C15 per draw, then
// mixed), written out here so that one seed gives the same numbers on every system and with
// every standard library. It is seeded once, at start-up, from the platform's randomSeed().
//
// Globals:
//   RandomState   the generator's state (seedRandom sets it; every draw moves it on)
//
// seedRandom(seed): the generator starts again from seed.
// nextRandom(): the next 64-bit number.
// randomWhole(min, max): a whole number on [min, max], every one equally likely (max < min:
//   min). Exactly: with span = max - min + 1, draws x below 2^64 mod span are thrown away
//   (fewer than span in 2^64 of them, so a second draw is almost never needed) and the
//   result is min + x mod span.
// randomUnitNumerator(): u on [-1, 1] as the numerator of u = n / UnitDenominator: n = 2k - D
//   with k = randomWhole(0, D) and D = UnitDenominator (2^24), so u takes the 2^24 + 1 values
//   -1, -1 + 2/D, ..., 1, each equally likely, and every product with u stays exact.
//
// ParameterRange, ProgramRanges: each parameter's [min, max] under one effect type (the
//   effect parameters 90..103 differ between the types; the panel layer builds them).
// randomisedProgram(s, percent, ranges, locked): Randomise. percent 5, 10, 25 or 50: every
//   unlocked parameter with value v on [min, max] becomes
//     v + roundedQuotient(n * percent * (max - min), UnitDenominator * 100)
//   with n = randomUnitNumerator(), clamped into [min, max]; percent 0 (Randomise All):
//   randomWhole(min, max). One draw per unlocked parameter, in parameter order, so one seed
//   gives one stream. The effect type comes before its parameters: when it is unlocked and
//   changes, the 14 effect values are filed under the old type in the state's effect store
//   and the new type's are recalled from it (as turning the type pot does), each clamped into
//   the new type's range, and the effect parameters are then randomised within the new
//   type's ranges. A locked effect parameter keeps its value across such a switch (clamped
//   into the new range, the only value the pot can show).
// blendedProgram(s, reference, percent, ranges, locked): Blend toward Compare (percent 25, 50,
//   75): every unlocked parameter v becomes v + roundedQuotient((b - v) * percent, 100), b the
//   reference's value. When the effect types differ the effect type and its 14 parameters
//   do not blend: with the type unlocked and percent >= 50 the type and the unlocked effect
//   parameters become the reference's (the panel's effect values filed under the old type,
//   locked ones clamped into the new ranges); otherwise the 14 stay as they are.
// Locks are passed in as one flag per parameter index (LockedParameters of locks.h); an index
// beyond the flags is unlocked.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "editor/program/program.h"

constexpr int64_t UnitDenominator = int64_t{1} << 24;

struct ParameterRange {
    int16_t min = 0;
    int16_t max = 0;
};
using ProgramRanges = std::array<std::vector<ParameterRange>, EffectTypeCount>;  // [type][parameter]

extern uint64_t RandomState;  // the generator's state

void resetExploreState();
void seedRandom(uint64_t seed);
uint64_t nextRandom();
int64_t randomWhole(int64_t min, int64_t max);
int64_t randomUnitNumerator();

ProgramSnapshot randomisedProgram(const ProgramSnapshot& s, int percent, const ProgramRanges& ranges,
                                  const std::vector<bool>& locked);
ProgramSnapshot blendedProgram(const ProgramSnapshot& s, const ProgramSnapshot& reference, int percent,
                               const ProgramRanges& ranges, const std::vector<bool>& locked);
