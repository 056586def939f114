// The value a learned controller gives its pot, and the rounding it rests on.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "editor/panel/potinput.h"
#include "editor/program/program.h"

TEST(RoundedQuotientTest, HalvesGoToTheEvenNeighbourOnBothSidesOfZero) {
    EXPECT_EQ(roundedQuotient(1, 2), 0);
    EXPECT_EQ(roundedQuotient(3, 2), 2);
    EXPECT_EQ(roundedQuotient(5, 2), 2);
    EXPECT_EQ(roundedQuotient(7, 2), 4);
    EXPECT_EQ(roundedQuotient(10, 4), 2);
    EXPECT_EQ(roundedQuotient(14, 4), 4);
    EXPECT_EQ(roundedQuotient(-1, 2), 0);
    EXPECT_EQ(roundedQuotient(-3, 2), -2);
    EXPECT_EQ(roundedQuotient(-5, 2), -2);
    EXPECT_EQ(roundedQuotient(-7, 2), -4);
}

TEST(RoundedQuotientTest, OtherQuotientsGoToTheNearestInteger) {
    EXPECT_EQ(roundedQuotient(8, 3), 3);
    EXPECT_EQ(roundedQuotient(7, 3), 2);
    EXPECT_EQ(roundedQuotient(-8, 3), -3);
    EXPECT_EQ(roundedQuotient(-7, 3), -2);
    EXPECT_EQ(roundedQuotient(63, 127), 0);
    EXPECT_EQ(roundedQuotient(64, 127), 1);
    EXPECT_EQ(roundedQuotient(0, 127), 0);
    EXPECT_EQ(roundedQuotient(254, 127), 2);
}

TEST(LearnedValueTest, TheControllersEndsAreThePotsEnds) {
    const std::pair<int, int> ranges[] = {{0, 127}, {0, 3}, {-2, 2}, {-12, 12}, {-64, 63}, {1, 2}, {-32768, 32767}};
    for (const auto& [min, max] : ranges) {
        EXPECT_EQ(learnedValue(0, min, max), min) << min << ".." << max;
        EXPECT_EQ(learnedValue(127, min, max), max) << min << ".." << max;
    }
}

TEST(LearnedValueTest, EveryValueIsTheNearestPointOfTheRangeAndTheyRise) {
    // 127 is odd, so v * (max - min) / 127 never lies exactly halfway between two integers:
    // the result is the one nearest integer, |127 * (result - min) - v * (max - min)| < 63.5.
    const std::pair<int, int> ranges[] = {{0, 127}, {0, 3}, {-2, 2}, {-12, 12}, {-64, 63}, {0, 1000}, {-32768, 32767}};
    for (const auto& [min, max] : ranges) {
        int previous = min;
        for (int v = 0; v <= 127; ++v) {
            const int value = learnedValue(v, min, max);
            const int64_t error = 127 * (int64_t(value) - min) - int64_t(v) * (int64_t(max) - min);
            EXPECT_LE(2 * std::llabs(error), 127) << v << " in " << min << ".." << max << " gives " << value;
            EXPECT_GE(value, previous) << v << " in " << min << ".." << max;
            previous = value;
        }
    }
}

TEST(LearnedValueTest, PointsNearTheMiddleOfTwoValues) {
    EXPECT_EQ(learnedValue(21, 0, 3), 0);    // 0.496
    EXPECT_EQ(learnedValue(22, 0, 3), 1);    // 0.520
    EXPECT_EQ(learnedValue(63, -12, 12), 0);  // -12 + 11.906
    EXPECT_EQ(learnedValue(64, -12, 12), 0);  // -12 + 12.094
    EXPECT_EQ(learnedValue(53, -12, 12), -2);
    EXPECT_EQ(learnedValue(64, -64, 63), 0);  // -64 + 64
    EXPECT_EQ(learnedValue(63, 0, 1), 0);
    EXPECT_EQ(learnedValue(64, 0, 1), 1);
}

TEST(LearnBindingTest, ABindingAgainReplacesTheOldOneAndGoesLast) {
    std::vector<LearnBinding> list{{1, 7, 5}, {2, 7, 6}};
    EXPECT_TRUE(putLearnBinding(list, {1, 7, 9}, BindingPolicy::Replace));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].channel, 2);
    EXPECT_EQ(list[1].channel, 1);
    EXPECT_EQ(list[1].parameter, 9);
}

TEST(LearnBindingTest, ReadingKeepsTheFirstBindingOfAChannelAndController) {
    std::vector<LearnBinding> list{{1, 7, 5}};
    EXPECT_FALSE(putLearnBinding(list, {1, 7, 9}, BindingPolicy::KeepFirst));
    EXPECT_TRUE(putLearnBinding(list, {1, 8, 9}, BindingPolicy::KeepFirst));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].parameter, 5);
    EXPECT_EQ(list[1].controller, 8);
}
