// Morph: the rule at each position (locks, the effect-type switch at 64), and the switch as
// the unit receives it in a whole editor run with the effect type unlocked.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "editor/declaration/declaration.h"
#include "editor/program/locks.h"
#include "editor/program/morph.h"
#include "editor/shell/shell.h"
#include "editor_fixture.h"
#include "ktsim/script.h"
#include "unit/unit.h"

namespace {

// Two states of 104 parameters: a at 100, b at 0, except the effect type and its 14.
struct Pair {
    ProgramSnapshot a, b;
    Pair(int typeA, int typeB) {
        a.values.assign(104, 100);
        b.values.assign(104, 0);
        a.values[EffectTypeParameter] = static_cast<int16_t>(typeA);
        b.values[EffectTypeParameter] = static_cast<int16_t>(typeB);
        a.effectType = static_cast<uint8_t>(typeA);
        b.effectType = static_cast<uint8_t>(typeB);
        a.name = "A";
        b.name = "B";
    }
};

class MorphRuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetEditorState();
        ParameterCount = 104;  // the locks of a full panel
        resetLocksState();     // the effect type locked, nothing else
    }
    void TearDown() override { resetEditorState(); }
};

}  // namespace

TEST_F(MorphRuleTest, UnlockedParametersWalkFromAToBAndLockedOnesStay) {
    Pair p(1, 1);
    p.a.values[FirstEffectParameter] = 10;
    p.b.values[FirstEffectParameter] = 20;
    setParameterLocked(3, true);
    // 100 + round(-100 m / 127): m 1 -> 99, 63 -> 50 (49.6), 64 -> 50 (49.6), 126 -> 1 (0.8).
    const std::pair<int, int> expected[] = {{0, 100}, {1, 99}, {63, 50}, {64, 50}, {126, 1}, {127, 0}, {200, 0}, {-5, 100}};
    for (const auto& [m, value] : expected) {
        const ProgramSnapshot s = morphedState(p.a, p.b, m);
        EXPECT_EQ(s.values[0], value) << "m " << m;
        EXPECT_EQ(s.values[3], 100) << "locked, m " << m;
        EXPECT_EQ(s.name, "A");
    }
    // Equal types: the effect parameters morph like the others (10 + round(10 * 64 / 127) = 15).
    EXPECT_EQ(morphedState(p.a, p.b, 64).values[FirstEffectParameter], 15);
    EXPECT_TRUE(morphChangesSomething(p.a, p.b));
}

TEST_F(MorphRuleTest, AnotherEffectTypeGoesOverWholeAt64UnlessTheTypeIsLocked) {
    Pair p(1, 3);
    setParameterLocked(FirstEffectParameter + 2, true);  // goes with its type all the same
    for (const bool typeLocked : {false, true}) {
        setParameterLocked(EffectTypeParameter, typeLocked);
        for (const int m : {0, 63, 64, 127}) {
            const ProgramSnapshot s = morphedState(p.a, p.b, m);
            const bool b = m >= 64 && !typeLocked;
            const ProgramSnapshot& whose = b ? p.b : p.a;
            EXPECT_EQ(s.values[EffectTypeParameter], whose.values[EffectTypeParameter]) << m << " locked " << typeLocked;
            EXPECT_EQ(s.effectType, whose.effectType) << m << " locked " << typeLocked;
            for (int k = 0; k < EffectParameterCount; ++k) {
                EXPECT_EQ(s.values[FirstEffectParameter + k], whose.values[FirstEffectParameter + k])
                    << "effect parameter " << k << " at " << m << " locked " << typeLocked;
            }
            EXPECT_EQ(s.values[0], 100 + roundedQuotient(-100 * m, 127)) << m;  // the rest morphs on
        }
    }
}

TEST_F(MorphRuleTest, NothingToWalkWhenOnlyLockedParametersOrTheNameDifferOrThereIsNoReference) {
    Pair p(2, 2);
    for (int j = 0; j < 104; ++j) setParameterLocked(j, true);
    EXPECT_FALSE(morphChangesSomething(p.a, p.b));
    resetLocksState();
    p.b.values = p.a.values;
    EXPECT_FALSE(morphChangesSomething(p.a, p.b));  // the names differ, nothing else
    EXPECT_FALSE(morphChangesSomething(p.a, ProgramSnapshot{}));
    EXPECT_EQ(morphedState(p.a, ProgramSnapshot{}, 127), p.a);
}

namespace {

class MorphRunTest : public EditorFixture {};

using Group = std::map<int, int>;  // LSB -> value of one NRPN group as the unit holds it

Group unitGroup(int msb) {
    Group g;
    for (const auto& [number, value] : sim::theUnit().Parameters) {
        if (number.first == msb) g[number.second] = value;
    }
    return g;
}

}  // namespace

// "03 Fat Bass" (overdrive, type 2) loaded, its effect type turned to 3 and its filter cutoff
// to 127 (A); with the effect type unlocked, Morph toward the program as loaded (B).
TEST_F(MorphRunTest, TheUnitHearsTheOtherEffectTypeWithItsValuesFrom64AndBackBelow) {
    copyShippedData();
    makeProgramFolder();
    copyProgram("03 Fat Bass.prg", "03 Fat Bass.prg");
    std::string script = "wait 1000\nanswer file \"progs/03 Fat Bass.prg\"\nmenu 1003\nwait 100\n"
                         "mouse 73 245 0\nkey end\nwait 100\nmouse 600 560 0\nkey end\nwait 1100\nmenu 2520\nwait 100\n";
    for (int i = 0; i < 7; ++i) script += "key ctrl+right\n";  // 56
    for (int i = 0; i < 7; ++i) script += "key ctrl+shift+right\n";  // 63
    script += "wait 100\nkey ctrl+shift+right\nwait 100\nkey ctrl+shift+left\nwait 100\nclose\n";
    const ktsim::ScriptResult loaded = ktsim::loadScript(script, Home.string(), nullptr, nullptr);
    ASSERT_TRUE(loaded.ok) << loaded.error;
    sim::schedule(500, [] { setParameterLocked(EffectTypeParameter, false); });
    constexpr int EffectGroup = 0x15, FilterGroup = 0x0D;
    Group b, a, at63, at64, back;
    int cutoff64 = -1;
    bool bracketOpen = true;
    sim::schedule(1050, [&] { b = unitGroup(EffectGroup); });
    sim::schedule(2300, [&] { a = unitGroup(EffectGroup); });
    sim::schedule(2450, [&] { at63 = unitGroup(EffectGroup); });
    sim::schedule(2550, [&] {
        at64 = unitGroup(EffectGroup);
        cutoff64 = unitGroup(FilterGroup)[2];
        bracketOpen = sim::theUnit().EditOpen;
    });
    sim::schedule(2650, [&] { back = unitGroup(EffectGroup); });
    ASSERT_TRUE(runs([] { ktprogMain(); }));

    ASSERT_EQ(b[1], 2);
    ASSERT_EQ(a[1], 3);
    EXPECT_NE(a, b);
    EXPECT_EQ(at63, a);
    EXPECT_EQ(at64, b);
    EXPECT_EQ(back, a);
    EXPECT_EQ(cutoff64, 127 + roundedQuotient((38 - 127) * 64, 127));
    EXPECT_FALSE(bracketOpen);
    const std::vector<std::string> moves = lines("morph");
    ASSERT_GE(moves.size(), 3u);
    EXPECT_EQ(moves[moves.size() - 3], "63");
    EXPECT_EQ(moves[moves.size() - 2], "64");
    EXPECT_EQ(moves.back(), "63");
}
