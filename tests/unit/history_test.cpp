// The history of changes and compare, on the program layer alone: what undo and redo give
// back, how runs merge, how many changes are kept, and how compare and edits meet.
#include "editor_fixture.h"

#include "editor/program/history.h"

namespace {

class HistoryTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        writeFile("KtProg.DAT", DeclarationText{}.text());
        ASSERT_TRUE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
    }
    // One change of parameter j to v, recorded as the editor records it.
    bool change(int j, int v, int mergeKey = -1, uint32_t at = 0) {
        const ProgramSnapshot before = currentState();
        ProgramValues[j] = static_cast<int16_t>(v);
        return recordChange(before, mergeKey, at);
    }
    int undo() {
        ProgramSnapshot s;
        if (!takeUndo(s)) return -1;
        restoreProgram(s);
        return ProgramValues[0];
    }
    int redo() {
        ProgramSnapshot s;
        if (!takeRedo(s)) return -1;
        restoreProgram(s);
        return ProgramValues[0];
    }
};

TEST_F(HistoryTest, UndoAndRedoWalkTheChangesAndANewChangeClearsRedo) {
    EXPECT_FALSE(change(0, 64));  // the value it already has: no change
    EXPECT_EQ(undo(), -1);
    ASSERT_TRUE(change(0, 1));
    ASSERT_TRUE(change(0, 2));
    ASSERT_TRUE(change(0, 3));
    EXPECT_EQ(undo(), 2);
    EXPECT_EQ(undo(), 1);
    EXPECT_EQ(redo(), 2);
    ASSERT_TRUE(change(0, 9));
    EXPECT_EQ(redo(), -1);  // the new change cleared the redo side
    EXPECT_EQ(undo(), 2);
    EXPECT_EQ(undo(), 1);
    EXPECT_EQ(undo(), 64);
    EXPECT_EQ(undo(), -1);
}

TEST_F(HistoryTest, RunsMergeOnlyOnTheSamePotWithinASecond) {
    struct Step {
        int pot;
        uint32_t at;
    };
    // pot 0 at 0, 500, 1400 (900 after the last: still the run), then 2400 (1000 later: a
    // new change), pot 1 at 2500 (another pot), pot 0 at 2600 (a change between: new).
    const Step steps[] = {{0, 0}, {0, 500}, {0, 1400}, {0, 2400}, {1, 2500}, {0, 2600}};
    int value = 64;
    for (const Step& s : steps) ASSERT_TRUE(change(s.pot, ++value, s.pot, s.at));
    EXPECT_EQ(UndoStates.size(), 4u);
    ProgramSnapshot state;
    ASSERT_TRUE(takeUndo(state));  // before pot 0's last run
    restoreProgram(state);
    EXPECT_EQ(ProgramValues[0], 68);
    ASSERT_TRUE(takeUndo(state));  // before pot 1
    restoreProgram(state);
    EXPECT_EQ(ProgramValues[1], 64);
    ASSERT_TRUE(takeUndo(state));  // before the run at 2400
    restoreProgram(state);
    EXPECT_EQ(ProgramValues[0], 67);
    ASSERT_TRUE(takeUndo(state));  // before the first run
    restoreProgram(state);
    EXPECT_EQ(ProgramValues[0], 64);
}

TEST_F(HistoryTest, KeepsTheLastThousandChanges) {
    // Alternating values: every one of the 1001 is a change.
    for (int i = 1; i <= 1001; ++i) ASSERT_TRUE(change(0, i % 2 ? 1 : 2));
    EXPECT_EQ(UndoStates.size(), HistoryLimit);
    int undone = 0;
    ProgramSnapshot state;
    while (takeUndo(state)) {
        restoreProgram(state);
        ++undone;
    }
    EXPECT_EQ(undone, 1000);
    EXPECT_EQ(ProgramValues[0], 1);  // the state after the first change; the one before it was dropped
}

TEST_F(HistoryTest, CompareShowsTheReferenceAndAnEditEndsItFromTheSetAsideState) {
    setCompareReference();  // the start-up program
    ASSERT_TRUE(change(0, 10));
    ASSERT_TRUE(change(0, 20));
    restoreProgram(toggleCompare());
    EXPECT_TRUE(Comparing);
    EXPECT_EQ(ProgramValues[0], 64);
    EXPECT_TRUE(sim::menuItemIsChecked(CommandCompare));
    restoreProgram(toggleCompare());
    EXPECT_FALSE(Comparing);
    EXPECT_EQ(ProgramValues[0], 20);
    EXPECT_FALSE(sim::menuItemIsChecked(CommandCompare));
    EXPECT_EQ(UndoStates.size(), 2u);  // compare pushed nothing

    restoreProgram(toggleCompare());
    EXPECT_FALSE(change(1, 64));  // a press that changes nothing keeps compare on
    EXPECT_TRUE(Comparing);
    ASSERT_TRUE(change(1, 5));  // an edit of the reference ends compare
    EXPECT_FALSE(Comparing);
    EXPECT_FALSE(sim::menuItemIsChecked(CommandCompare));
    EXPECT_EQ(ProgramValues[0], 64);  // the edit goes on from what was shown
    EXPECT_EQ(undo(), 20);            // one undo: back to the set-aside edit, not the reference
    EXPECT_EQ(ProgramValues[1], 64);
}

TEST_F(HistoryTest, UndoWhileComparingTakesTheSetAsideStateAsCurrent) {
    setCompareReference();
    ASSERT_TRUE(change(0, 10));
    ASSERT_TRUE(change(0, 20));
    restoreProgram(toggleCompare());
    EXPECT_EQ(undo(), 10);
    EXPECT_FALSE(Comparing);
    EXPECT_EQ(redo(), 20);
}

TEST_F(HistoryTest, UndoAndRedoAreGreyedWhenEmpty) {
    updateEditMenu();
    EXPECT_FALSE(sim::menuItemIsEnabled(CommandUndo));
    EXPECT_FALSE(sim::menuItemIsEnabled(CommandRedo));
    ASSERT_TRUE(change(0, 1));
    EXPECT_TRUE(sim::menuItemIsEnabled(CommandUndo));
    undo();
    EXPECT_FALSE(sim::menuItemIsEnabled(CommandUndo));
    EXPECT_TRUE(sim::menuItemIsEnabled(CommandRedo));
}

}  // namespace
