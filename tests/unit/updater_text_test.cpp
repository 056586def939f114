// The updater's own texts: the words for each error number and the progress line.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "updater/updater.h"

using updater::errorWords;
using updater::progressText;

TEST(ErrorWordsTest, EachCheckOfTheIdentificationAndTheEraseNoticeHasItsWords) {
    for (int first : {1, 10}) {
        const std::string reply = first == 1 ? "identification reply" : "erase notice";
        EXPECT_EQ(errorWords(first, 0), " No " + reply + " from the unit.");
        EXPECT_EQ(errorWords(first, 8), " The " + reply + " has 8 bytes instead of 7.");
        EXPECT_EQ(errorWords(first + 1, 7), " The " + reply + " came too late.");
        EXPECT_EQ(errorWords(first + 2, 7), " The " + reply + " is not a system-exclusive message.");
        EXPECT_EQ(errorWords(first + 3, 7), " The " + reply + " is from another maker's device.");
        EXPECT_EQ(errorWords(first + 4, 7), " The " + reply + " is from another maker's device.");
        EXPECT_EQ(errorWords(first + 5, 7), " The " + reply + " is from another kind of unit.");
        EXPECT_EQ(errorWords(first + 6, 7), " The " + reply + " is not from the update loader.");
        EXPECT_EQ(errorWords(first + 7, 7), " The " + reply + " is a different message.");
        EXPECT_EQ(errorWords(first + 8, 7), " The " + reply + " does not end as a message should.");
    }
}

TEST(ErrorWordsTest, TheFinalReplysChecks) {
    EXPECT_EQ(errorWords(20, 7), " The final reply came too late.");
    EXPECT_EQ(errorWords(21, 7), " The final reply is not a system-exclusive message.");
    EXPECT_EQ(errorWords(22, 7), " The final reply is from another maker's device.");
    EXPECT_EQ(errorWords(23, 7), " The final reply is from another maker's device.");
    EXPECT_EQ(errorWords(24, 7), " The final reply is from another kind of unit.");
    EXPECT_EQ(errorWords(25, 7), " The final reply is not from the update loader.");
    EXPECT_EQ(errorWords(26, 7), " The final reply does not end as a message should.");
    EXPECT_EQ(errorWords(27, 7), " The final reply is neither success nor failure.");
}

TEST(ErrorWordsTest, TheReplysLengthTellsALateReplyFromOneOfTheWrongLength) {
    EXPECT_EQ(errorWords(100, 0), " No final reply from the unit in time.");
    EXPECT_EQ(errorWords(105, 5), " A late reply of 5 bytes, no final reply.");
    EXPECT_EQ(errorWords(209, 9), " The final reply has 9 bytes instead of 7.");
    EXPECT_EQ(errorWords(209, 109), " A late reply of 109 bytes, no final reply.");
    EXPECT_EQ(errorWords(260, 60), " The final reply has 60 bytes instead of 7.");  // not wrapped
    EXPECT_EQ(errorWords(200, 0), " No final reply from the unit.");
}

TEST(ErrorWordsTest, NumbersTheUpdateNeverGivesHaveNoWords) {
    for (int n : {0, 19, 28, 99}) EXPECT_EQ(errorWords(n, 7), "") << n;
    EXPECT_EQ(errorWords(150, 7), "");  // neither 100 + 7 nor 200 + 7
    EXPECT_EQ(errorWords(-1, 0), "");
}

TEST(ErrorWordsTest, TheWordsFitTheWindow) {
    // 64 characters of 8 pixels fit between the window's left margin and its edge.
    for (int n = 0; n < 300; ++n) {
        for (size_t length : {size_t(0), size_t(9), size_t(n >= 200 ? n - 200 : 0), size_t(n >= 100 ? n - 100 : 0)}) {
            EXPECT_LE(errorWords(n, length).size(), 64u) << n << " " << length;
        }
    }
}

TEST(ProgressTextTest, TheTimeLeftIsTheRestAtTheCablesPaceRoundedUp) {
    EXPECT_EQ(progressText(0, 3125), " 0% of 3125 bytes sent, 1 s left ");
    EXPECT_EQ(progressText(0, 3126), " 0% of 3126 bytes sent, 2 s left ");
    EXPECT_EQ(progressText(1, 3126), " 0% of 3126 bytes sent, 1 s left ");
    EXPECT_EQ(progressText(3125, 6250), " 50% of 6250 bytes sent, 1 s left ");
    EXPECT_EQ(progressText(6249, 6250), " 99% of 6250 bytes sent, 1 s left ");
    EXPECT_EQ(progressText(6250, 6250), " 100% of 6250 bytes sent, 0 s left ");
    EXPECT_EQ(progressText(0, 60012), " 0% of 60012 bytes sent, 20 s left ");
    EXPECT_EQ(progressText(0, 0), " 100% of 0 bytes sent, 0 s left ");
}
