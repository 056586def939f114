// The declaration loader: the file's order and text rules, the parameter numbering, and the
// files it refuses (with a message naming file, line and problem, before any window opens).
#include "editor_fixture.h"

#include "platform/sim/sim.h"
#include "shared/datafile/expression.h"

namespace {

class DeclarationTest : public EditorFixture {
protected:
    bool load(const std::string& text) {
        writeFile("KtProg.DAT", text);
        answerMessages(5);
        return runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); });
    }
    // The value line of the first pot's default in DeclarationText's layout.
    static std::string replaceLine(std::string text, const std::string& from, const std::string& to) {
        size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
        return text;
    }
};

TEST_F(DeclarationTest, ParametersAreNumberedOverFieldsThenPots) {
    DeclarationText d;
    d.ranges.assign(104, {0, 0, 0});
    d.ranges[11] = {63, -5, -64};  // the last pot of field 0
    d.ranges[12] = {1, 1, 0};      // the first pot of field 1
    ASSERT_TRUE(load(d.text()));
    EXPECT_EQ(ParameterCount, 104);
    EXPECT_EQ(FieldCount, 12);
    EXPECT_EQ(ProgramValues[11], -5);
    EXPECT_EQ(ParameterMin[11], -64);
    EXPECT_EQ(ProgramValues[12], 1);
    EXPECT_EQ(PotMin[0][11], -64);
    EXPECT_EQ(PotMax[1][0], 1);
    EXPECT_EQ(ProgramValues[89], 1);  // the effect type's default
    for (int16_t v : LastSentValues) EXPECT_EQ(v, -100);
    int f = -1, p = -1;
    ASSERT_TRUE(parameterPot(89, f, p));
    EXPECT_EQ(f, 11);
    EXPECT_EQ(p, 0);
    ASSERT_TRUE(parameterPot(23, f, p));
    EXPECT_EQ(f, 1);
    EXPECT_EQ(p, 11);
    EXPECT_FALSE(parameterPot(104, f, p));
    EXPECT_EQ(WindowWidth, 1340);
    EXPECT_EQ(WindowHeight, 715);
    EXPECT_EQ(RepeatDelay, 400);
    EXPECT_EQ(RepeatInterval, 60);
    EXPECT_EQ(PotCaption[0][3], "P3|L2");
    EXPECT_EQ(PotTitle[0][3], " ");
    EXPECT_TRUE(lines("message").empty());
}

TEST_F(DeclarationTest, SymbolSectionOpensLooselyAndServesLaterValues) {
    DeclarationText d;
    d.symbols = "ROW = 20\r\nSTEP=2*ROW\r\n";
    std::string text = replaceLine(d.text(), "SYMBOL_START", "  symbol_start ");
    text = replaceLine(text, "\r\n15\r\n400\r\n", "\r\nROW-5 ; the largest pot index\r\n400\r\n");
    ASSERT_TRUE(load(text));
    EXPECT_EQ(MaxPotsPerField, 15);
    EXPECT_EQ(SymbolCount, 2);
    EXPECT_FLOAT_EQ(SymbolValues[1], 40.0f);
}

TEST_F(DeclarationTest, ASymbolSectionThatNeverClosesRunsOutOfData) {
    DeclarationText d;
    d.symbols = "A = 1\r\n";
    std::string text = replaceLine(d.text(), "SYMBOL_END", "SYMBOL_END ");
    writeFile("KtProg.DAT", text);
    answerMessages(2000);  // every line without "=" is reported on the way
    EXPECT_FALSE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
    ASSERT_FALSE(lines("message").empty());
    EXPECT_NE(lines("message").back().find("out of data"), std::string::npos);
    EXPECT_NE(lines("message").front().find("Error in symbol declaration!"), std::string::npos);
}

TEST_F(DeclarationTest, SliderTravelIsThePlainLeadingNumber) {
    DeclarationText d;
    d.symbols = "ST = 64\r\n";
    std::string text = replaceLine(d.text(), "SYMBOL_END\r\n64\r\n", "SYMBOL_END\r\n  70+ST ; travel\r\n");
    ASSERT_TRUE(load(text));
    EXPECT_EQ(SliderTravel, 70);
}

TEST_F(DeclarationTest, ASliderTravelOfZeroIsRefused) {
    // A name reads as travel 0, which would divide by zero in every knob position.
    DeclarationText d;
    d.symbols = "ST = 64\r\n";
    std::string text = replaceLine(d.text(), "SYMBOL_END\r\n64\r\n", "SYMBOL_END\r\nST\r\n");
    EXPECT_FALSE(load(text));
    ASSERT_EQ(lines("message").size(), 1u);
    EXPECT_NE(lines("message")[0].find("slider travel"), std::string::npos);
    EXPECT_FALSE(sim::mainWindowIsOpen());
}

TEST_F(DeclarationTest, TextLinesKeepTheirBlanksUpToTheComment) {
    DeclarationText d;
    std::string text = replaceLine(d.text(), "LABEL3\r\n", "WORD  ; a comment\r\n");
    text = replaceLine(text, "P0|L2\r\n", "   \r\n");
    ASSERT_TRUE(load(text));
    EXPECT_EQ(PanelLabels[3].text, "WORD  ");
    EXPECT_EQ(PotCaption[0][0], "   ");
}

TEST_F(DeclarationTest, AFileEndingInsideThePotsNamesTheLineAfterItsLast) {
    DeclarationText d;
    std::string text = d.text();
    text = text.substr(0, text.find("P50|L2"));  // cut inside the pot list
    int physicalLines = 0;
    for (char c : text) physicalLines += c == '\n';
    EXPECT_FALSE(load(text));
    ASSERT_EQ(lines("message").size(), 1u);
    EXPECT_EQ(lines("message")[0], "\"  " + path("KtProg.DAT") + " out of data\" \"  in line : " +
                                        std::to_string(physicalLines + 1) + "\"");
}

TEST_F(DeclarationTest, AMissingFileIsAnAlertWithItsPathAndAFolderIsNamed) {
    EXPECT_FALSE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
    ASSERT_EQ(lines("alert").size(), 1u);
    EXPECT_EQ(lines("alert")[0], "\"Declaration file missing!\" \"" + path("KtProg.DAT") + "\"");

    // A folder in its place is named as what it is, not taken for a missing file.
    std::filesystem::create_directory(path("KtProg.DAT"));
    EXPECT_FALSE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
    ASSERT_EQ(lines("message").size(), 1u);
    EXPECT_EQ(lines("message")[0], "\"  " + path("KtProg.DAT") + "\" \"  is a folder, not a file\"");
}

TEST_F(DeclarationTest, FilesThatBreakTheLimitsAreRefusedBeforeAnyWindow) {
    struct Case {
        const char* why;
        std::string text;
        const char* problem;
    };
    DeclarationText base;
    std::vector<Case> cases;
    cases.push_back({"value beyond 16 bits", replaceLine(base.text(), "\r\n1340\r\n", "\r\n40000\r\n"), "outside"});
    cases.push_back({"negative count", replaceLine(base.text(), "\r\n0\r\n22\r\n", "\r\n-1\r\n22\r\n"), "negative"});
    {
        DeclarationText d;
        d.potCounts = {12, 12, 12, 12, 8, 2, 6, 7, 7, 7, 4, 15};
        cases.push_back({"too many pots in a field", replaceLine(d.text(), "\r\n15\r\n400\r\n", "\r\n11\r\n400\r\n"),
                         "more than 12 pots"});
    }
    {
        DeclarationText d;
        d.ranges.assign(104, {0, 0, 0});
        d.ranges[5] = {7, 64, 6};
        std::string text = d.text();
        cases.push_back({"minimum equals maximum", replaceLine(text, "\r\n7\r\n64\r\n6\r\n", "\r\n7\r\n7\r\n7\r\n"),
                         "minimum equals"});
    }
    {
        DeclarationText d;
        d.potCounts = {12, 12, 12, 12, 8, 2, 6, 7, 7, 7, 5, 15};
        cases.push_back({"105 parameters", d.text(), "105 parameters"});
    }
    {
        DeclarationText d;
        d.potCounts = {12, 12, 12, 12, 8, 2, 6, 7, 7, 7, 5, 14};
        cases.push_back({"effect field of 14", d.text(), "field 11"});
    }
    {
        DeclarationText d;
        d.labelCount = 21;
        cases.push_back({"21 labels", d.text(), "at least 22 labels"});
    }
    {
        DeclarationText d;
        std::string symbols;
        for (int i = 0; i < 102; ++i) symbols += "S" + std::to_string(i) + " = " + std::to_string(i) + "\r\n";
        d.symbols = symbols;
        cases.push_back({"102 symbols", d.text(), "more than 101 symbols"});
    }
    {
        DeclarationText d;
        std::string text = d.text();
        // the effect type pot: max 3, default 1, min 0 -> max 5
        cases.push_back({"effect type range", replaceLine(text, "\r\n3\r\n1\r\n0\r\n", "\r\n5\r\n1\r\n0\r\n"), "0..3"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        freshEditor();
        EXPECT_FALSE(load(c.text));
        std::vector<std::string> messages = lines("message");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(path("KtProg.DAT")), std::string::npos);
        EXPECT_NE(messages[0].find("line "), std::string::npos);
        EXPECT_NE(messages[0].find(c.problem), std::string::npos) << messages[0];
        EXPECT_FALSE(sim::mainWindowIsOpen());
    }
}

TEST_F(DeclarationTest, TheWindowAndThePotRangesMustBeUsable) {
    // The geometry lines of DeclarationText: x, y, width, height on lines 7 to 10.
    const std::string geometry = "\r\n10\r\n10\r\n1340\r\n715\r\n";
    auto window = [](int x, int y, int w, int h) {
        return "\r\n" + std::to_string(x) + "\r\n" + std::to_string(y) + "\r\n" + std::to_string(w) + "\r\n" +
               std::to_string(h) + "\r\n";
    };
    struct Case {
        const char* why;
        std::string text;
        std::string problem;  // empty: accepted
    };
    DeclarationText base;
    DeclarationText upsideDown;
    upsideDown.ranges.assign(104, {0, 0, 0});
    upsideDown.ranges[5] = {10, 20, 30};  // field 0, pot 5: its minimum is on line 142
    const std::vector<Case> cases = {
        {"100 x 100", replaceLine(base.text(), geometry, window(10, 10, 100, 100)),
         "line 9: window too small or too large"},
        {"9000 wide", replaceLine(base.text(), geometry, window(10, 10, 9000, 715)),
         "line 9: window too small or too large"},
        {"0 high", replaceLine(base.text(), geometry, window(10, 10, 1340, 0)),
         "line 10: window too small or too large"},
        {"negative height", replaceLine(base.text(), geometry, window(10, 10, 1340, -715)),
         "line 10: window too small or too large"},
        {"x at -9000", replaceLine(base.text(), geometry, window(-9000, 10, 1340, 715)),
         "line 7: window position out of range"},
        {"y at 8193", replaceLine(base.text(), geometry, window(10, 8193, 1340, 715)),
         "line 8: window position out of range"},
        {"maximum below minimum", upsideDown.text(), "line 142: field 0 pot 5: maximum below minimum"},
        {"200 x 200 at the far left", replaceLine(base.text(), geometry, window(-8192, -8192, 200, 200)), ""},
        {"8192 x 8192 at the far right", replaceLine(base.text(), geometry, window(8192, 8192, 8192, 8192)), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        freshEditor();
        const bool loaded = load(c.text);
        if (c.problem.empty()) {
            EXPECT_TRUE(loaded);
            EXPECT_TRUE(lines("message").empty());
            continue;
        }
        EXPECT_FALSE(loaded);
        const std::vector<std::string> messages = lines("message");
        EXPECT_EQ(messages.size(), 1u);
        if (messages.empty()) continue;
        EXPECT_EQ(messages[0], "\"  " + path("KtProg.DAT") + "\" \"  " + c.problem + "\"");
        EXPECT_FALSE(sim::mainWindowIsOpen());
    }
    EXPECT_EQ(WindowX, 8192);
    EXPECT_EQ(WindowWidth, 8192);
}

}  // namespace
