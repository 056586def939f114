// The program being edited and the editor's one reset: the state every edit goes through,
// what a state taken and put back keeps, the write results, and that resetEditorState leaves
// nothing of an earlier case behind.
#include "editor_fixture.h"

#include "editor/panel/keyboard.h"
#include "editor/panel/layout.h"
#include "editor/panel/potedit.h"
#include "editor/panel/pots.h"
#include "editor/panel/text.h"
#include "editor/preset/parameters.h"
#include "editor/preset/programfile.h"
#include "editor/transfer/transfer.h"
#include "platform/midi.h"
#include "shared/datafile/expression.h"
#include "shared/midi/nrpn.h"
#include "unit/unit.h"

namespace {

class ProgramTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        DeclarationText d;
        d.ranges.assign(104, {0, 0, 0});
        d.ranges[0] = {63, -20, -64};
        d.ranges[5] = {100, 10, 10};
        writeFile("KtProg.DAT", d.text());
        ASSERT_TRUE(runs([] { loadDeclarationFile("KtProg"); }));
    }
};

TEST_F(ProgramTest, StartsFromTheDeclaredDefaultsWithNothingSent) {
    EXPECT_TRUE(ProgramValues.empty());  // the declaration alone does not make a program
    startDeclaredProgram();
    ASSERT_EQ(ProgramValues.size(), 104u);
    EXPECT_EQ(ProgramValues[0], -20);
    EXPECT_EQ(ParameterMin[0], -64);
    EXPECT_EQ(ProgramValues[5], 10);
    EXPECT_EQ(ParameterMin[5], 10);
    EXPECT_EQ(ProgramValues[89], 1);  // the effect type's default
    EXPECT_EQ(ProgramValues[103], 64);
    for (int16_t v : LastSentValues) EXPECT_EQ(v, NeverSent);
}

TEST_F(ProgramTest, AStateTakenAndPutBackIsTheSameStateWithItsName) {
    startDeclaredProgram();
    followEffectType();
    ProgramValues[3] = 99;
    EffectStore[2 * 14 + 4] = -7;
    const ProgramSnapshot before = captureProgram("07 Lead");
    ProgramValues[3] = 1;
    ProgramValues[89] = 3;
    followEffectType();
    EffectStore[2 * 14 + 4] = 5;
    ASSERT_FALSE(captureProgram("07 Lead") == before);
    restoreProgram(before);
    EXPECT_EQ(ProgramValues[3], 99);
    EXPECT_EQ(CurrentEffectType, 1);
    EXPECT_EQ(EffectStore[2 * 14 + 4], -7);
    EXPECT_TRUE(captureProgram("07 Lead") == before);
    EXPECT_FALSE(captureProgram("08 Pad") == before);  // the name is part of the state
}

TEST_F(ProgramTest, EffectRowsExistOnlyForTheFourTypes) {
    startDeclaredProgram();
    for (int k = 0; k < 14; ++k) ProgramValues[90 + k] = static_cast<int16_t>(k + 1);
    for (int type : {-1, 4, int(NoEffectType)}) saveEffectParameters(type);
    for (int16_t v : EffectStore) EXPECT_EQ(v, 0);  // no row written outside 0..3
    saveEffectParameters(3);
    EXPECT_EQ(EffectStore[3 * 14], 1);
    EXPECT_EQ(EffectStore[3 * 14 + 13], 14);
    EXPECT_EQ(EffectStore[56], 0);  // the spare element stays untouched
    for (int k = 0; k < 14; ++k) ProgramValues[90 + k] = 0;
    recallEffectParameters(NoEffectType);
    EXPECT_EQ(ProgramValues[90], 0);
    recallEffectParameters(3);
    EXPECT_EQ(ProgramValues[103], 14);
}

TEST_F(ProgramTest, SetParameterValueSaysWhetherAnythingChanged) {
    startDeclaredProgram();
    EXPECT_FALSE(setParameterValue(0, -20));  // already so
    EXPECT_TRUE(setParameterValue(0, 5));
    EXPECT_EQ(ProgramValues[0], 5);
    EXPECT_FALSE(setParameterValue(-1, 5));
    EXPECT_FALSE(setParameterValue(104, 5));
}

// One write through each outcome: the result says what the user was told.
TEST_F(ProgramTest, WriteResultsReadAsWhatHappened) {
    startDeclaredProgram();
    followEffectType();
    std::string error;
    ASSERT_TRUE(midiOutOpenDevice(0, error));
    ASSERT_TRUE(midiInOpenDevice(0, error));
    midiInStartDevice();
    midiInQueueBuffer();
    ASSERT_TRUE(writeProgramFile(path("07 Lead.prg")));
    ASSERT_TRUE(writeProgramFile(path("Lead.prg")));
    // A key every 2.5 s answers each message window; a reply wait may take one meanwhile.
    for (int i = 1; i <= 10; ++i) {
        Event key;
        key.kind = EventKind::Key;
        key.key = ' ';
        sim::scheduleEvent(sim::now() + 2500 * i, key);
    }
    sim::setScriptEnd(sim::now() + 30000);
    struct Case {
        std::string file;
        bool unitAbsent;
        WriteResult expected;
    };
    const Case cases[] = {
        {"07 Lead.prg", false, WriteResult::Written},
        {"Lead.prg", false, WriteResult::Skipped},     // no location: reported, not a failure
        {"09 Missing.prg", false, WriteResult::Failed},  // cannot be read
        {"07 Lead.prg", true, WriteResult::Failed},    // nobody answers
    };
    for (const Case& c : cases) {
        sim::theUnit().Absent = c.unitAbsent;
        std::string p = path(c.file);
        WriteResult result = WriteResult::Skipped;
        ASSERT_TRUE(runs([&] { result = writeProgramToUnit(p); }));
        EXPECT_EQ(result, c.expected) << c.file << (c.unitAbsent ? " (unit absent)" : "");
    }
    EXPECT_FALSE(sim::theUnit().ProgramMemory[7].empty());
}

TEST_F(ProgramTest, OneResetLeavesNothingOfAnEarlierCase) {
    // Dirty a global of every layer, as an earlier case (or an earlier run) would leave them.
    startDeclaredProgram();
    followEffectType();
    EffectStore[3] = 9;
    StartDirectory = "/elsewhere";
    WindowCaption = "old";
    ColourBlue = {1, 2, 3};
    declareSymbol("LEFT = 7");
    SmallFontLoaded = true;
    SmallFont[0] = 0;
    PotImage = Canvas(5, 5);
    MouseX = 12;
    PassMouseButtons = PrevPassMouseButtons = 3;
    RepeatStarted = true;
    SoundingNote = 60;
    KeyboardBottom = 400;
    PanelRefreshRequest = true;
    LastForeground = 7;
    CurrentProgramName = "07 Lead";
    WindowMinimised = true;
    MidiInDevice = 4;
    LastNrpnMsb = 11;
    EditBracketOpen = true;
    EndOfDataEndsProgram = false;
    DataFileName = "old.prg";
    ProgramFileHadProblems = true;
    ProgramValueCount = 5;

    resetEditorState();

    EXPECT_FALSE(ProgramFileHadProblems);
    EXPECT_EQ(ProgramValueCount, 0);
    EXPECT_TRUE(ProgramValues.empty());
    EXPECT_TRUE(LastSentValues.empty());
    EXPECT_EQ(CurrentEffectType, NoEffectType);
    EXPECT_EQ(EffectStore[3], 0);
    EXPECT_EQ(ParameterCount, 0);
    EXPECT_TRUE(PanelLabels.empty());
    EXPECT_EQ(StartDirectory, "");
    EXPECT_EQ(WindowCaption, "");
    EXPECT_EQ(VersionText, "1.00");
    EXPECT_EQ(ColourBlue, (Rgb{0, 0, 150}));
    EXPECT_EQ(SymbolCount, 0);
    EXPECT_FALSE(SmallFontLoaded);
    EXPECT_EQ(SmallFont[0], 32);
    EXPECT_EQ(PotImage.width(), 0);
    EXPECT_EQ(MouseX, 0);
    EXPECT_EQ(PassMouseButtons, 0);
    EXPECT_EQ(PrevPassMouseButtons, 0);
    EXPECT_FALSE(RepeatStarted);
    EXPECT_EQ(SoundingNote, 0);
    EXPECT_EQ(KeyboardBottom, 0);
    EXPECT_FALSE(PanelRefreshRequest);
    EXPECT_EQ(LastForeground, 0);
    EXPECT_EQ(CurrentProgramName, "");
    EXPECT_FALSE(WindowMinimised);
    EXPECT_EQ(MidiInDevice, 0);
    EXPECT_EQ(LastNrpnMsb, -1);
    EXPECT_FALSE(EditBracketOpen);
    EXPECT_TRUE(EndOfDataEndsProgram);
    EXPECT_EQ(DataFileName, "");
}

}  // namespace

namespace {

// The unit hears what the panel shows: when the effect type changes a parameter's minimum,
// the same value has another wire value and must go out again.
TEST_F(ProgramTest, AParameterGoesOutAgainWhenItsWireValueChangesWithTheEffectType) {
    startDeclaredProgram();
    std::string error;
    ASSERT_TRUE(midiOutOpenDevice(0, error));
    ProgramValues[EffectTypeParameter] = 3;  // the equalizer: parameter 93 runs 0..127
    followEffectType();
    ProgramValues[93] = 0;
    sendChangedParameters();
    Out.str("");
    ProgramValues[EffectTypeParameter] = 2;  // overdrive: parameter 93 is LEVEL, -6..6
    followEffectType();
    ASSERT_EQ(ProgramValues[93], 0);
    sendChangedParameters();
    const std::vector<std::string> sent = lines("out");
    // 89 (the type) goes out, then 93 with its new wire value 0 - (-6) = 6 (then the
    // equalizer values that overdrive's ranges clamped).
    const std::vector<std::string> expected{"B0 62 01", "B0 06 02", "B0 62 05", "B0 06 06"};
    ASSERT_GE(sent.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 4), expected);
}

}  // namespace
