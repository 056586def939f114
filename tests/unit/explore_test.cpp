// The rules of Randomise and Blend toward Compare on whole program states, at the edges of the
// ranges (a range of one step, of 255, negative minima), with locks, and across a switch of the
// effect type; and the generator against the published splitmix64 stream.
#include "editor/program/explore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "editor/declaration/declaration.h"

namespace {

constexpr int Count = 104;

// Parameters 0..3 stand for the edges: max - min of 1, of 255, a range around zero, a range
// below zero. The effect parameters' ranges differ per type (type t: 0..10 * (t + 1), the
// last of them -5 * t .. 5).
ProgramRanges testRanges() {
    ProgramRanges ranges;
    for (int t = 0; t < EffectTypeCount; ++t) {
        std::vector<ParameterRange>& r = ranges[static_cast<size_t>(t)];
        r.assign(Count, ParameterRange{0, 127});
        r[0] = {0, 1};
        r[1] = {-128, 127};
        r[2] = {-64, 63};
        r[3] = {-20, -10};
        r[EffectTypeParameter] = {0, 3};
        for (int k = 0; k < EffectParameterCount; ++k) {
            r[static_cast<size_t>(FirstEffectParameter + k)] = {0, static_cast<int16_t>(10 * (t + 1))};
        }
        r[FirstEffectParameter + 13] = {static_cast<int16_t>(-5 * t), 5};
    }
    return ranges;
}

ProgramSnapshot testState(int type) {
    ProgramSnapshot s;
    s.values.assign(Count, 64);
    s.values[0] = 1;
    s.values[1] = 0;
    s.values[2] = -64;
    s.values[3] = -15;
    s.values[EffectTypeParameter] = static_cast<int16_t>(type);
    s.effectType = static_cast<uint8_t>(type);
    for (int k = 0; k < EffectParameterCount; ++k) s.values[static_cast<size_t>(FirstEffectParameter + k)] = 3;
    for (int i = 0; i < EffectStoreSize; ++i) s.effectStore[static_cast<size_t>(i)] = static_cast<int16_t>(100 + i);
    return s;
}

std::vector<bool> lockedOnly(std::initializer_list<int> indices) {
    std::vector<bool> locked(Count, false);
    for (int j : indices) locked[static_cast<size_t>(j)] = true;
    return locked;
}

// round-half-even(p / 100 * width), the farthest Randomise p % may move a parameter.
int bound(int percent, int width) { return static_cast<int>(roundedQuotient(int64_t{percent} * width, 100)); }

}  // namespace

TEST(ExploreGenerator, GivesThePublishedSplitmix64StreamAndEvenWholeNumbers) {
    seedRandom(0);
    EXPECT_EQ(nextRandom(), 0xE220A8397B1DCDAFULL);
    EXPECT_EQ(nextRandom(), 0x6E789E6AA1B965F4ULL);
    EXPECT_EQ(nextRandom(), 0x06C45D188009454FULL);

    // Every whole number of a range is drawn, none outside it, about equally often.
    struct Case {
        int64_t min, max;
    };
    for (Case c : {Case{0, 1}, Case{-128, 127}, Case{-20, -10}, Case{5, 5}}) {
        seedRandom(42);
        std::vector<int> seen(static_cast<size_t>(c.max - c.min + 1), 0);
        const int draws = 2000 * static_cast<int>(seen.size());
        for (int i = 0; i < draws; ++i) {
            const int64_t v = randomWhole(c.min, c.max);
            ASSERT_GE(v, c.min);
            ASSERT_LE(v, c.max);
            ++seen[static_cast<size_t>(v - c.min)];
        }
        for (int n : seen) EXPECT_NEAR(n, 2000, 250) << c.min << ".." << c.max;
    }
    // u on [-1, 1]: both ends are reachable numerators, nothing beyond.
    seedRandom(9);
    for (int i = 0; i < 10000; ++i) {
        const int64_t n = randomUnitNumerator();
        ASSERT_LE(std::llabs(n), UnitDenominator);
        ASSERT_EQ((n + UnitDenominator) % 2, 0);
    }
}

TEST(ExploreRules, RandomiseMovesEachUnlockedParameterWithinItsShareOfTheRange) {
    const ProgramRanges ranges = testRanges();
    const ProgramSnapshot start = testState(1);
    const std::vector<bool> locked = lockedOnly({EffectTypeParameter, 50});
    for (int percent : {5, 10, 25, 50}) {
        std::set<int> reached1;
        for (uint64_t seed = 1; seed <= 3000; ++seed) {
            seedRandom(seed);
            const ProgramSnapshot out = randomisedProgram(start, percent, ranges, locked);
            EXPECT_EQ(out.values[0], 1) << "a range of one step never moves: p % of 1 rounds to 0";
            for (int j = 1; j < Count; ++j) {
                const ParameterRange r = ranges[1][static_cast<size_t>(j)];
                const int v = out.values[static_cast<size_t>(j)], was = start.values[static_cast<size_t>(j)];
                ASSERT_GE(v, r.min) << j;
                ASSERT_LE(v, r.max) << j;
                ASSERT_LE(std::abs(v - was), bound(percent, r.max - r.min)) << j << " at " << percent << " %";
            }
            EXPECT_EQ(out.values[50], start.values[50]);
            EXPECT_EQ(out.values[EffectTypeParameter], 1);
            EXPECT_EQ(out.effectStore, start.effectStore);
            reached1.insert(out.values[1]);
        }
        // The width 255 is scaled by p %, not less: the moves reach the bound in both
        // directions (within the one step a half rounded up at exactly u = +-1 may add).
        const int b = bound(percent, 255);
        EXPECT_GE(-*reached1.begin(), b - 1) << percent;
        EXPECT_GE(*reached1.rbegin(), std::min(127, b - 1)) << percent;
    }
    // Randomise All: anywhere in the range, the ends included, negative minima too.
    std::set<int> reached3;
    for (uint64_t seed = 1; seed <= 500; ++seed) {
        seedRandom(seed);
        const ProgramSnapshot out = randomisedProgram(start, 0, ranges, locked);
        reached3.insert(out.values[3]);
        EXPECT_EQ(out.values[50], start.values[50]);
    }
    EXPECT_EQ(reached3, (std::set<int>{-20, -19, -18, -17, -16, -15, -14, -13, -12, -11, -10}));
}

TEST(ExploreRules, EverythingLockedChangesNothingAndDrawsNothing) {
    const ProgramSnapshot start = testState(2);
    seedRandom(5);
    for (int percent : {0, 5, 50}) {
        EXPECT_EQ(randomisedProgram(start, percent, testRanges(), std::vector<bool>(Count, true)), start);
    }
    EXPECT_EQ(RandomState, 5u);
    ProgramSnapshot other = testState(1);
    other.values[1] = 100;
    EXPECT_EQ(blendedProgram(start, other, 75, testRanges(), std::vector<bool>(Count, true)), start);
}

TEST(ExploreRules, RandomiseAcrossAnEffectTypeSwitchFilesAndRecallsTheEffectValues) {
    const ProgramRanges ranges = testRanges();
    const ProgramSnapshot start = testState(1);
    const int lockedEffect = FirstEffectParameter + 13;  // kept across the switch, clamped
    int switches = 0;
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        seedRandom(seed);
        const ProgramSnapshot out = randomisedProgram(start, 0, ranges, lockedOnly({lockedEffect}));
        const int type = out.values[EffectTypeParameter];
        ASSERT_EQ(out.effectType, type);
        if (type == 1) continue;
        ++switches;
        for (int k = 0; k < EffectParameterCount; ++k) {
            EXPECT_EQ(out.effectStore[static_cast<size_t>(EffectParameterCount + k)], 3) << "filed under type 1";
            const ParameterRange r = ranges[static_cast<size_t>(type)][static_cast<size_t>(FirstEffectParameter + k)];
            EXPECT_GE(out.values[static_cast<size_t>(FirstEffectParameter + k)], r.min);
            EXPECT_LE(out.values[static_cast<size_t>(FirstEffectParameter + k)], r.max);
        }
        EXPECT_EQ(out.values[static_cast<size_t>(lockedEffect)], 3);
    }
    EXPECT_GT(switches, 100);
}

TEST(ExploreRules, BlendRoundsHalvesToEvenAndSwitchesTheEffectTypeFromHalfway) {
    const ProgramRanges ranges = testRanges();
    ProgramSnapshot a = testState(1), b = testState(1);
    struct Case {
        int v, target, percent, expected;
    };
    const Case cases[] = {
        {0, 1, 50, 0},   {1, 4, 50, 3},  {-3, 0, 50, -1},   {0, -2, 25, 0},
        {0, -6, 25, -2}, {10, 0, 75, 2}, {-64, 63, 75, 31}, {5, 5, 50, 5},
    };
    for (const Case& c : cases) {
        a.values[1] = static_cast<int16_t>(c.v);
        b.values[1] = static_cast<int16_t>(c.target);
        EXPECT_EQ(blendedProgram(a, b, c.percent, ranges, {}).values[1], c.expected)
            << c.v << " toward " << c.target << " by " << c.percent << " %";
    }
    EXPECT_EQ(blendedProgram(a, b, 75, ranges, lockedOnly({1})).values[1], a.values[1]);

    // Equal types: the effect parameters blend like the others.
    b.values[FirstEffectParameter] = 7;
    EXPECT_EQ(blendedProgram(a, b, 50, ranges, {}).values[FirstEffectParameter], 5);

    // Different types: below 50 % the type and its 14 stay; from 50 % they are the reference's,
    // the panel's effect values filed under the old type; with the type locked they stay.
    ProgramSnapshot ref = testState(3);
    for (int k = 0; k < EffectParameterCount; ++k) ref.values[static_cast<size_t>(FirstEffectParameter + k)] = 20;
    ref.values[2] = 36;
    const ProgramSnapshot quarter = blendedProgram(a, ref, 25, ranges, {});
    EXPECT_EQ(quarter.values[2], -39);
    EXPECT_EQ(quarter.values[EffectTypeParameter], 1);
    EXPECT_EQ(quarter.values[FirstEffectParameter], 3);
    for (int percent : {50, 75}) {
        const ProgramSnapshot out = blendedProgram(a, ref, percent, ranges, {});
        EXPECT_EQ(out.values[EffectTypeParameter], 3);
        EXPECT_EQ(out.effectType, 3);
        EXPECT_EQ(out.values[FirstEffectParameter + 4], 20);
        EXPECT_EQ(out.effectStore[EffectParameterCount + 4], 3);
    }
    const ProgramSnapshot typeLocked = blendedProgram(a, ref, 75, ranges, lockedOnly({EffectTypeParameter}));
    EXPECT_EQ(typeLocked.values[EffectTypeParameter], 1);
    EXPECT_EQ(typeLocked.values[FirstEffectParameter + 4], 3);
    EXPECT_EQ(typeLocked.values[2], 11);
}
