// The panel on the simulated machine with the shipped declaration and fonts: what the user
// sees (golden pictures) and what the mouse does to pots, the effect type and the keyboard.
#include "editor_fixture.h"
#include "golden.h"

#include "editor/panel/keyboard.h"
#include "editor/panel/potedit.h"
#include "editor/panel/potinput.h"
#include "editor/panel/pots.h"
#include "editor/panel/text.h"
#include "editor/panel/layout.h"
#include "editor/preset/parameters.h"
#include "editor/shell/shell.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/midi.h"
#include "platform/window.h"
#include "shared/message/message.h"
#include "shared/midi/nrpn.h"

namespace {

class PanelTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        copyShippedData();
        ASSERT_TRUE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
        openMainWindow(WindowX, WindowY, WindowWidth, WindowHeight, "");
        captureWindowState();
        loadFonts();
        preparePotImages();
        initKeyboard();
        followEffectType();
        std::string error;
        ASSERT_TRUE(midiOutOpenDevice(0, error));
        Out.str("");
    }

    // The origin of pot p of field f, and the parameter number of that pot.
    static int potX(int f, int p) { return FieldX[f] + FieldStep[f] * p; }
    static int potY(int f) { return FieldY[f]; }
    static int param(int f, int p) {
        int j = 0;
        for (int g = 0; g < f; ++g) j += FieldPotCount[g];
        return j + p;
    }
    // Offers a mouse state to one pot, as the command loop does.
    static void mouseOnPot(int f, int p, int dx, int dy, int buttons) {
        MouseX = static_cast<int16_t>(potX(f, p) + dx);
        MouseY = static_cast<int16_t>(potY(f) + dy);
        PassMouseButtons = static_cast<int16_t>(buttons);
        int16_t v = ProgramValues[param(f, p)];
        handlePotMouse(potX(f, p), potY(f), PotMin[f][p], PotMax[f][p], v);
        ProgramValues[param(f, p)] = v;
    }
    std::vector<std::string> sent() const { return lines("out"); }
};

// Field 2 pot 1 is the filter cutoff (0..127), field 0 pot 3 the fine tune (-64..63).
constexpr int Filter = 2, Cutoff = 1, Osc1 = 0, Fine = 3;

TEST_F(PanelTest, DragFollowsThePointerAndStopsAtTheEnds) {
    ProgramValues[param(Filter, Cutoff)] = 0;
    mouseOnPot(Filter, Cutoff, 20, 59, 1);  // (64+27-59)*127/64 = 63.5: halves to even
    EXPECT_EQ(ProgramValues[param(Filter, Cutoff)], 64);
    mouseOnPot(Filter, Cutoff, 0, 58, 1);   // 65.48
    EXPECT_EQ(ProgramValues[param(Filter, Cutoff)], 65);
    mouseOnPot(Filter, Cutoff, 35, 18, 1);  // the top row of the track: 145, shown and stored as 127
    EXPECT_EQ(ProgramValues[param(Filter, Cutoff)], 127);
    mouseOnPot(Filter, Cutoff, 36, 100, 1);  // one pixel right of the track: nothing
    EXPECT_EQ(ProgramValues[param(Filter, Cutoff)], 127);
    mouseOnPot(Filter, Cutoff, 10, 64 + 36, 1);  // the bottom row: -12 -> 0
    EXPECT_EQ(ProgramValues[param(Filter, Cutoff)], 0);
    // The knob drawn where the value says: for 0 its top row is y + ST + 18.
    const Canvas& c = mainCanvas();
    EXPECT_EQ(c.pixel(potX(Filter, Cutoff) + 5, potY(Filter) + SliderTravel + 18 + 9), ColourGrey80);
}

TEST_F(PanelTest, RightClickCentresWithHalvesToEvenAndBothButtonsDoNothing) {
    ProgramValues[param(Filter, Cutoff)] = 3;
    mouseOnPot(Filter, Cutoff, 10, 40, 2);
    EXPECT_EQ(ProgramValues[param(Filter, Cutoff)], 64);  // 63.5
    ProgramValues[param(Osc1, Fine)] = 20;
    mouseOnPot(Osc1, Fine, 10, 40, 2);
    EXPECT_EQ(ProgramValues[param(Osc1, Fine)], 0);  // -0.5
    mouseOnPot(Osc1, Fine, 10, 40, 3);
    mouseOnPot(Osc1, Fine, 18, 8, 2);  // right button on the up step: nothing
    EXPECT_EQ(ProgramValues[param(Osc1, Fine)], 0);
    loadEffectTables(3);
    ProgramValues[96] = 10;  // the equalizer's "MID1 Q" pot, 10..100
    mouseOnPot(EffectField, 7, 10, 40, 2);
    EXPECT_EQ(ProgramValues[96], 55);
}

TEST_F(PanelTest, StepButtonsRepeatAfterTheDelayThenAtTheInterval) {
    ProgramValues[param(Filter, Cutoff)] = 10;
    const int x = potX(Filter, Cutoff) + 18, y = potY(Filter) + 8;  // the up step
    sim::setMouse(x, y, 1);
    sim::schedule(1000, [x, y] { sim::setMouse(x, y, 0); });
    sim::setScriptEnd(2000);
    RepeatStarted = false;
    std::vector<uint32_t> stepTimes;
    while (mouseButtons() != 0) {
        const int16_t before = ProgramValues[param(Filter, Cutoff)];
        const uint32_t t = tickCount();
        mouseOnPot(Filter, Cutoff, 18, 8, 1);
        if (ProgramValues[param(Filter, Cutoff)] != before) stepTimes.push_back(t);
    }
    // A step at the press, one when RepeatDelay (400 ms) has passed, then one per 60 ms.
    ASSERT_GE(stepTimes.size(), 3u);
    EXPECT_EQ(stepTimes[0], 0u);
    EXPECT_EQ(stepTimes[1], 401u);
    EXPECT_EQ(stepTimes[2], 462u);
    EXPECT_EQ(stepTimes.size(), 11u);  // 0, 401, then every 61 ms until the release at 1000
    EXPECT_EQ(tickCount(), 1000u);     // the release ended the last wait at once
}

TEST_F(PanelTest, StepAtTheEndDoesNothingAndDoesNotWait) {
    ProgramValues[param(Filter, Cutoff)] = 127;
    sim::setMouse(0, 0, 1);
    sim::setScriptEnd(5000);
    mouseOnPot(Filter, Cutoff, 18, 8, 1);
    EXPECT_EQ(ProgramValues[param(Filter, Cutoff)], 127);
    EXPECT_EQ(tickCount(), 0u);
}

TEST_F(PanelTest, EffectTypeSwitchFilesAndRecallsEachTypesValues) {
    // Type 1 on the panel with its own values; step the type pot up twice to 3, change a
    // value there, and step back down twice to 1.
    ProgramValues[89] = 1;
    followEffectType();
    for (int k = 0; k < 14; ++k) ProgramValues[90 + k] = static_cast<int16_t>(20 + k);
    auto stepType = [&](int dy) {
        sim::setMouse(0, 0, 0);  // released: the step waits return at once
        mouseOnPot(EffectField, 0, 18, dy, 1);
        if (ProgramValues[89] != CurrentEffectType) selectEffectType(ProgramValues[89]);
        EditBracketOpen = false;
    };
    const int up = 8, down = SliderTravel + 45;
    stepType(up);
    stepType(up);
    EXPECT_EQ(CurrentEffectType, 3);
    EXPECT_EQ(ParameterMin[94], -20);
    ProgramValues[94] = -7;
    stepType(down);
    stepType(down);
    EXPECT_EQ(CurrentEffectType, 1);
    for (int k = 0; k < 14; ++k) EXPECT_EQ(ProgramValues[90 + k], 20 + k) << k;
    stepType(up);
    stepType(up);
    EXPECT_EQ(ProgramValues[94], -7);
}

TEST_F(PanelTest, EffectSwitchOpensTheBracketAndTheLoopSendsItAll) {
    ProgramValues[89] = 1;
    followEffectType();
    sendChangedParameters();
    Out.str("");
    selectEffectType(2);
    EXPECT_TRUE(EditBracketOpen);
    // Only the edit-begin goes out here; the command loop sends the changes and the edit-end.
    EXPECT_EQ(sent(), (std::vector<std::string>{"B0 63 0A", "B0 62 01", "B0 06 00"}));
}

TEST_F(PanelTest, KeyboardPlaysTheKeyUnderThePointer) {
    const int top = KeyboardBottom - 90;
    handleKeyboardMouse(12, KeyboardBottom - 10, 1, 0);  // the leftmost white key
    handleKeyboardMouse(30, top + 10, 1, 1);             // the first C sharp
    handleKeyboardMouse(30, KeyboardBottom - 10, 1, 1);  // below the black key: C again
    handleKeyboardMouse(36, KeyboardBottom - 10, 1, 1);  // D
    handleKeyboardMouse(36, KeyboardBottom - 10, 1, 1);  // held on the same key: nothing
    handleKeyboardMouse(36, KeyboardBottom - 10, 0, 1);  // release
    EXPECT_EQ(sent(), (std::vector<std::string>{"90 18 64", "80 18 00", "90 19 64", "80 19 00", "90 18 64",
                                                "80 18 00", "90 1A 64", "80 1A 00"}));
}

TEST_F(PanelTest, KeyboardBoundsAndThePartialOctave) {
    const int top = KeyboardBottom - 90;
    const int partial = 10 + 3 * 161;
    handleKeyboardMouse(11, KeyboardBottom - 10, 1, 0);
    handleKeyboardMouse(537, KeyboardBottom - 10, 1, 0);
    handleKeyboardMouse(100, top, 1, 0);             // the keys' upper edge itself is outside
    handleKeyboardMouse(100, KeyboardBottom, 1, 0);  // and so is the lower edge
    EXPECT_TRUE(sent().empty());
    handleKeyboardMouse(partial + 16, top + 5, 1, 0);  // no black key drawn, but tested: 61
    handleKeyboardMouse(partial + 41, top + 5, 1, 1);  // 63
    handleKeyboardMouse(536, KeyboardBottom - 5, 1, 1);  // the last white key: 62
    EXPECT_EQ(sent(), (std::vector<std::string>{"90 3D 64", "80 3D 00", "90 3F 64", "80 3F 00", "90 3E 64"}));
}

TEST_F(PanelTest, NoNoteHangsWhenTheRightButtonJoins) {
    handleKeyboardMouse(100, KeyboardBottom - 10, 1, 0);
    handleKeyboardMouse(100, KeyboardBottom - 10, 3, 1);  // both buttons: no new note
    handleKeyboardMouse(100, KeyboardBottom - 10, 0, 3);  // all released: the note ends
    ASSERT_EQ(sent().size(), 2u);
    EXPECT_EQ(sent()[1].substr(0, 2), "80");
    EXPECT_EQ(SoundingNote, 0);
    handleKeyboardMouse(100, KeyboardBottom - 10, 1, 0);
    silenceKeyboard();  // what happens before the output closes
    EXPECT_EQ(sent().back().substr(0, 2), "80");
}

TEST_F(PanelTest, WholePanelAtStartMatchesItsGoldenPicture) {
    drawPanel();
    expectGoldenImage(mainCanvas(), "panel_start.png");
}

TEST_F(PanelTest, EffectFieldOfEachTypeMatchesItsGoldenPicture) {
    const int x = FieldX[EffectField] - 24, y = FieldY[EffectField] - 14;
    const int w = FieldStep[EffectField] * 15 + 40, h = SliderTravel + 84 + 30;
    for (int type = 0; type < EffectTypeCount; ++type) {
        ProgramValues[89] = static_cast<int16_t>(type);
        followEffectType();
        drawPanel();
        expectGoldenImage(cropCanvas(mainCanvas(), x, y, w, h), "effect_field_" + std::to_string(type) + ".png");
    }
}

TEST_F(PanelTest, MessageWindowMatchesItsGoldenPicture) {
    bool taken = false;
    sim::schedule(5, [&] {
        expectGoldenImage(sim::messageWindowCanvas(), "message_window.png");
        taken = true;
    });
    Event key;
    key.kind = EventKind::Key;
    key.key = 'x';
    sim::scheduleEvent(10, key);
    sim::setScriptEnd(10);
    showMessage("  /home/user/KtProg.CFG out of data", "  in line : 63");
    EXPECT_TRUE(taken);
}

TEST_F(PanelTest, ClampedValuesAreStoredByAFullDraw) {
    ProgramValues[param(Filter, Cutoff)] = 200;
    ProgramValues[param(Osc1, Fine)] = -100;
    drawPanel();
    EXPECT_EQ(ProgramValues[param(Filter, Cutoff)], 127);
    EXPECT_EQ(ProgramValues[param(Osc1, Fine)], -64);
}

TEST_F(PanelTest, RefreshDrawsOnlyWhenNeededAndHandsTheMouseOnlyInFront) {
    EXPECT_TRUE(refreshPanelIfNeeded(Event{}));  // the first check always draws
    int x, y, w, h;
    mainCanvas().takeDamage(x, y, w, h);
    EXPECT_TRUE(refreshPanelIfNeeded(Event{}));
    EXPECT_FALSE(mainCanvas().takeDamage(x, y, w, h));  // nothing changed: nothing drawn
    sim::setForeground(ForegroundOther);
    EXPECT_FALSE(refreshPanelIfNeeded(Event{}));
    EXPECT_TRUE(mainCanvas().takeDamage(x, y, w, h));  // drawn once for the change
    EXPECT_FALSE(refreshPanelIfNeeded(Event{}));
    EXPECT_FALSE(mainCanvas().takeDamage(x, y, w, h));
    sim::setForeground(ForegroundMain);
    EXPECT_TRUE(refreshPanelIfNeeded(Event{}));
    EXPECT_TRUE(mainCanvas().takeDamage(x, y, w, h));
    PanelRefreshRequest = true;
    EXPECT_TRUE(refreshPanelIfNeeded(Event{}));
    EXPECT_FALSE(PanelRefreshRequest);
    EXPECT_TRUE(mainCanvas().takeDamage(x, y, w, h));
}

// The "Value" dialog names the pot as it shows now: the effect pots' texts and ranges follow
// the effect type (chorus LEVEL1, then overdrive's LEVEL dB and a pot without texts).
TEST_F(PanelTest, TypedValuePromptNamesThePotAndItsRangeAsShown) {
    EXPECT_EQ(typedValuePrompt(param(Filter, Cutoff)), "CUTOFF (0..127):");
    EXPECT_EQ(typedValuePrompt(FirstEffectParameter + 4), "LEVEL1 (-64..63):");
    ASSERT_TRUE(movePotTo(EffectTypeParameter, 2));
    EXPECT_EQ(typedValuePrompt(FirstEffectParameter + 3), "LEVEL dB (-6..6):");
    EXPECT_EQ(typedValuePrompt(FirstEffectParameter + 4), "(0..127):");
    EXPECT_EQ(typedValuePrompt(-1), "");
}

}  // namespace
