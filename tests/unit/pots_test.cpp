// The panel's bitmap fonts and its pots as they land in the main window: glyph cells and
// font files, the pot's pieces, the knob's position and number, and the knob repaint, which
// must leave exactly what a whole redraw leaves.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

#include "editor/panel/potedit.h"
#include "editor/panel/pots.h"
#include "editor/panel/text.h"
#include "editor_fixture.h"
#include "golden.h"
#include "platform/window.h"

namespace {

const Rgb Sentinel{255, 0, 255};
const Rgb Ink{255, 255, 0};
const Rgb Paper{0, 90, 0};

// Where two canvases first differ within the box x0..x1, y0..y1 ("" when nowhere).
std::string firstDifference(const Canvas& a, const Canvas& b, int x0, int y0, int x1, int y1) {
    if (a.width() != b.width() || a.height() != b.height()) return "sizes differ";
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
}
std::string firstDifference(const Canvas& a, const Canvas& b) {
    return firstDifference(a, b, 0, 0, a.width() - 1, a.height() - 1);
}

// The text rule painted one pixel at a time, as the reference for the fast drawing.
void paintCells(Canvas& c, int x, int top, const std::string& text, const std::vector<uint8_t>& font, int cell) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned g = static_cast<unsigned char>(text[i]);
        for (int r = 0; r < cell; ++r)
            for (int k = 0; k < cell; ++k)
                c.setPixel(x + static_cast<int>(i) * cell + k, top + r, (font[g * cell + r] >> (7 - k)) & 1 ? Ink : Paper);
    }
}

class PanelDrawingTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        ASSERT_TRUE(openMainWindow(0, 0, 200, 260, ""));
        mainCanvas().clear(Sentinel);
    }
    Canvas& canvas() { return mainCanvas(); }
    // A pot's whole area: title cells above it, two caption lines below.
    void expectPotEqual(const Canvas& expected, int x, int y, const std::string& context) {
        EXPECT_EQ(firstDifference(canvas(), expected, x, y - 11, x + 36, y + SliderTravel + 72), "") << context;
    }
};

TEST_F(PanelDrawingTest, GlyphCellsSitAboveTheGivenRowAndAdvanceByTheirWidth) {
    SmallFontLoaded = LargeFontLoaded = true;
    const uint8_t small[6] = {0xFF, 0x80, 0x04, 0x03, 0x00, 0xA8};  // bit 2 is column 5; bits 1, 0 unused
    std::memcpy(&SmallFont[65 * 6], small, 6);
    drawSmallText(20, 30, Ink, Paper, "AA");
    for (int cellX : {20, 26}) {
        for (int k = 0; k < 6; ++k) {
            EXPECT_EQ(canvas().pixel(cellX + k, 26), Ink);
            EXPECT_EQ(canvas().pixel(cellX + k, 27), k == 0 ? Ink : Paper);
            EXPECT_EQ(canvas().pixel(cellX + k, 28), k == 5 ? Ink : Paper);
            EXPECT_EQ(canvas().pixel(cellX + k, 29), Paper);
            EXPECT_EQ(canvas().pixel(cellX + k, 31), k == 0 || k == 2 || k == 4 ? Ink : Paper);
        }
    }
    EXPECT_EQ(canvas().pixel(20, 25), Sentinel);
    EXPECT_EQ(canvas().pixel(20, 32), Sentinel);
    EXPECT_EQ(canvas().pixel(19, 26), Sentinel);
    EXPECT_EQ(canvas().pixel(32, 26), Sentinel);

    LargeFont[66 * 8] = 0x01;  // column 7 of the top row
    LargeFont[66 * 8 + 7] = 0x80;
    drawLargeText(50, 60, Ink, Paper, "BB");
    EXPECT_EQ(canvas().pixel(57, 54), Ink);
    EXPECT_EQ(canvas().pixel(65, 54), Ink);
    EXPECT_EQ(canvas().pixel(58, 61), Ink);
    EXPECT_EQ(canvas().pixel(56, 54), Paper);
    EXPECT_EQ(canvas().pixel(50, 53), Sentinel);
    EXPECT_EQ(canvas().pixel(66, 54), Sentinel);
    EXPECT_EQ(canvas().pixel(50, 62), Sentinel);

    int dx, dy, dw, dh;
    canvas().takeDamage(dx, dy, dw, dh);
    drawSmallText(40, 100, Ink, Paper, "");
    drawLargeText(40, 100, Ink, Paper, "");
    EXPECT_FALSE(canvas().takeDamage(dx, dy, dw, dh));
    EXPECT_EQ(canvas().pixel(40, 96), Sentinel);
}

TEST_F(PanelDrawingTest, TextEqualsPerPixelPaintingAlsoWhereClipped) {
    SmallFontLoaded = LargeFontLoaded = true;
    std::mt19937 random(7);
    for (auto& b : SmallFont) b = static_cast<uint8_t>(random());
    for (auto& b : LargeFont) b = static_cast<uint8_t>(random());
    Canvas expected = canvas();
    for (int i = 0; i < 400; ++i) {
        std::string text(random() % 12, ' ');
        for (char& c : text) c = static_cast<char>(random());
        const int x = static_cast<int>(random() % 280) - 70, y = static_cast<int>(random() % 290) - 12;
        const bool large = i % 2 == 1;
        if (large) {
            drawLargeText(x, y, Ink, Paper, text);
            paintCells(expected, x, y - 6, text, LargeFont, 8);
        } else {
            drawSmallText(x, y, Ink, Paper, text);
            paintCells(expected, x, y - 4, text, SmallFont, 6);
        }
        ASSERT_EQ(firstDifference(canvas(), expected), "") << "text " << i << " at " << x << ", " << y;
    }
    // The painted box is reported as drawn, so a backend presents it.
    int dx, dy, dw, dh;
    canvas().takeDamage(dx, dy, dw, dh);
    drawSmallText(30, 40, Ink, Paper, "abc");
    ASSERT_TRUE(canvas().takeDamage(dx, dy, dw, dh));
    EXPECT_EQ(std::vector<int>({dx, dy, dw, dh}), std::vector<int>({30, 36, 18, 6}));
}

TEST_F(PanelDrawingTest, FontFilesFillTheBuffersAndShortOnesLeaveByte32) {
    std::string small(600, '\0');  // glyphs 0..99 only
    std::string large(2100, '\0');  // longer than the buffer: cut
    for (int r = 0; r < 8; ++r) large[2040 + r] = static_cast<char>(0x80 >> r);  // glyph 255: a diagonal
    writeFile("CHR4.BIN", small);
    writeFile("CHR6.BIN", large);
    loadFonts();
    EXPECT_TRUE(lines("message").empty());
    ASSERT_TRUE(SmallFontLoaded && LargeFontLoaded);
    ASSERT_EQ(SmallFont.size(), 1536u);
    ASSERT_EQ(LargeFont.size(), 2048u);

    drawSmallText(10, 14, Ink, Paper, std::string("\x63\xC8", 2));  // glyph 99 from the file, 200 beyond it
    for (int r = 0; r < 6; ++r)
        for (int k = 0; k < 12; ++k) EXPECT_EQ(canvas().pixel(10 + k, 10 + r), k == 8 ? Ink : Paper) << k << "," << r;

    drawLargeText(10, 46, Ink, Paper, "\xFF");
    for (int r = 0; r < 8; ++r)
        for (int k = 0; k < 8; ++k) EXPECT_EQ(canvas().pixel(10 + k, 40 + r), k == r ? Ink : Paper);

    std::string smallFull(1536, '\0');
    smallFull[1530] = smallFull[1535] = static_cast<char>(0xFC);
    writeFile("CHR4.BIN", smallFull);
    loadFonts();
    drawSmallText(10, 74, Ink, Paper, "\xFF");
    for (int r = 0; r < 6; ++r) EXPECT_EQ(canvas().pixel(12, 70 + r), r == 0 || r == 5 ? Ink : Paper) << r;
}

TEST_F(PanelDrawingTest, AMissingFontIsReportedOnceAndTheBuiltInFontStandsIn) {
    writeFile("CHR6.BIN", std::string(2048, '\x18'));
    answerMessages(1);
    loadFonts();
    const auto messages = lines("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("CHR4.BIN"), std::string::npos);
    EXPECT_NE(messages[0].find("missing"), std::string::npos);
    EXPECT_FALSE(SmallFontLoaded);
    EXPECT_TRUE(LargeFontLoaded);

    Canvas expected = canvas();
    expected.drawText(5, 16, "Pan 12", Ink, Paper);
    drawSmallText(5, 20, Ink, Paper, "Pan 12");
    EXPECT_EQ(firstDifference(canvas(), expected), "");

    // A font path that cannot be read says so.
    std::filesystem::remove(path("CHR6.BIN"));
    std::filesystem::create_directory(path("CHR6.BIN"));
    writeFile("CHR4.BIN", std::string(1536, '\0'));
    answerMessages(1);
    loadFonts();
    ASSERT_EQ(lines("message").size(), 2u);
    EXPECT_NE(lines("message")[1].find("font file is a folder, not a file"), std::string::npos);
    EXPECT_TRUE(SmallFontLoaded);
    EXPECT_FALSE(LargeFontLoaded);
}

// The pot image against the geometry table, pixel by pixel. The slot's inner columns carry
// the texture and are checked for repeating every two rows instead.
TEST_F(PanelDrawingTest, PotImagesFollowTheGeometry) {
    for (int st : {64, 127, 1}) {
        SliderTravel = static_cast<int16_t>(st);
        RepeatStarted = true;
        PrevPassMouseButtons = 3;
        preparePotImages();
        EXPECT_FALSE(RepeatStarted);
        EXPECT_EQ(PrevPassMouseButtons, 0);
        EXPECT_EQ(canvas().pixel(0, 0), ColourBlue);
        EXPECT_EQ(canvas().pixel(199, 259), ColourBlue);

        ASSERT_EQ(PotImage.width(), 37);
        ASSERT_EQ(PotImage.height(), st + 55);
        const auto arrow = [&](int c, int r) {
            const int d = std::abs(c - 18);
            if (d > 3) return false;
            if (r >= 5 && r <= 13 && (d == 0 || (r >= 5 + d && r <= 9))) return true;
            const int down = r - st;  // rows 42..50, the wings from row 46
            return down >= 42 && down <= 50 && (d == 0 || (down >= 46 && down <= 50 - d));
        };
        for (int r = 0; r <= st + 54; ++r) {
            for (int c = 0; c <= 36; ++c) {
                Rgb want = ColourBlue;
                if (c >= 10 && c <= 26) {
                    const bool track = r >= 17 && r <= st + 37;
                    const bool slot = track && c >= 15 && c <= 21;
                    want = c == 10 || c == 26 || r == 0 || r == st + 54 || r == 17 || r == st + 37 || slot ||
                                   arrow(c, r)
                               ? ColourBlack
                               : ColourGrey150;
                    if (slot && c > 15 && c < 21 && r > 17 && r < st + 37) continue;  // texture
                }
                ASSERT_EQ(PotImage.pixel(c, r), want) << "ST " << st << " column " << c << " row " << r;
            }
        }
        for (int r = 18; r <= st + 36; ++r)
            for (int c = 0; c <= 36; ++c)
                ASSERT_EQ(PotImage.pixel(c, r), ((r - 18) % 2 ? TrackRowOdd : TrackRowEven).pixel(c, 0)) << c << "," << r;
    }
    EXPECT_NE(firstDifference(TrackRowEven, TrackRowOdd), "");  // the texture shows
    ASSERT_EQ(TrackBlock.height(), 16);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 37; ++c) ASSERT_EQ(TrackBlock.pixel(c, r), PotImage.pixel(c, 18 + r)) << c << "," << r;

    ASSERT_EQ(KnobImage.width(), 37);
    ASSERT_EQ(KnobImage.height(), 19);
    for (int r = 0; r < 19; ++r)
        for (int c = 0; c < 37; ++c)
            EXPECT_EQ(KnobImage.pixel(c, r), r == 0 || r == 18 || c == 0 || c == 36 ? ColourWhite : ColourGrey80);
}

TEST_F(PanelDrawingTest, KnobTopRowScalesRoundsHalvesToEvenAndSurvivesAnEmptyRange) {
    SliderTravel = 127;
    EXPECT_EQ(knobTopRow(0, 0, 127, 64), 81);
    EXPECT_EQ(knobTopRow(10, 0, 127, 127), 28);
    EXPECT_EQ(knobTopRow(10, 0, 127, 0), 10 + 127 + 18);
    EXPECT_EQ(knobTopRow(10, -64, 63, 63), 28);
    SliderTravel = 64;
    EXPECT_EQ(knobTopRow(0, 0, 128, 1), 82);   // 81.5
    EXPECT_EQ(knobTopRow(1, 0, 128, 1), 82);   // 82.5
    EXPECT_EQ(knobTopRow(0, 0, 128, 3), 80);   // 80.5
    EXPECT_EQ(knobTopRow(0, 0, 127, 2), 81);   // 80.99
    EXPECT_EQ(knobTopRow(5, 7, 7, 7), 5 + 64 + 18);

    preparePotImages();
    int16_t value = 9;
    drawPot(20, 40, 7, 7, " ", "", value);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(canvas().pixel(25, 40 + 64 + 18), ColourWhite);  // knob outline at the bottom
    drawPotKnob(20, 40, 7, 7, value);
    EXPECT_EQ(canvas().pixel(25, 40 + 64 + 36), ColourWhite);

    // Far outside the window nothing is drawn, and no coordinate overflows.
    const Canvas before = canvas();
    for (int far : {INT_MIN, INT_MAX - 10, -100000}) {
        drawPot(far, far, -64, 63, "TEST", "A|B", value);
        drawPotKnob(far, far, -64, 63, value);
    }
    EXPECT_EQ(firstDifference(canvas(), before), "");
}

TEST_F(PanelDrawingTest, ValuesAreClampedStoredBackAndShownAtTheEnds) {
    SliderTravel = 64;
    preparePotImages();
    int16_t value = 200;
    drawPot(20, 40, 0, 127, " ", "", value);
    EXPECT_EQ(value, 127);
    EXPECT_EQ(canvas().pixel(20, 58), ColourWhite);
    value = -3;
    drawPotKnob(20, 40, 0, 127, value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(canvas().pixel(20, 58), ColourBlue);
    EXPECT_EQ(canvas().pixel(20, 40 + 64 + 18), ColourWhite);
    value = 500;
    drawPotKnob(20, 40, 0, 127, value);
    EXPECT_EQ(value, 127);
    value = 5;  // a range given the wrong way round ends at its min
    drawPotKnob(20, 40, 10, 0, value);
    EXPECT_EQ(value, 10);
}

TEST_F(PanelDrawingTest, TitleCaptionAndKnobNumberPlacement) {
    SliderTravel = 64;
    SmallFontLoaded = LargeFontLoaded = true;
    std::fill(SmallFont.begin(), SmallFont.end(), 0xFC);  // every glyph solid but the blank
    std::fill(SmallFont.begin() + 32 * 6, SmallFont.begin() + 33 * 6, 0);
    std::fill(LargeFont.begin(), LargeFont.end(), 0xFF);
    std::fill(LargeFont.begin() + 32 * 8, LargeFont.begin() + 33 * 8, 0);
    preparePotImages();
    const int x = 20, y = 40;
    mainCanvas().clear(Sentinel);
    int16_t value = 20;
    drawPot(x, y, -64, 63, " ", "LEVEL|  dB  ", value);
    EXPECT_EQ(canvas().pixel(x + 18, y - 8), Sentinel);  // " " is no title
    const auto rowRun = [&](int row, int from, int to, Rgb colour) {
        for (int c = from; c <= to; ++c) EXPECT_EQ(canvas().pixel(c, row), colour) << "column " << c << " row " << row;
    };
    for (int r = y + 64 + 59; r <= y + 64 + 64; ++r) {  // "LEVEL" at x + 19 - 15
        rowRun(r, x + 4, x + 33, ColourWhite);
        EXPECT_EQ(canvas().pixel(x + 3, r), Sentinel);
        EXPECT_EQ(canvas().pixel(x + 34, r), Sentinel);
    }
    for (int r = y + 64 + 67; r <= y + 64 + 72; ++r) {  // "  dB  " at x + 1, 8 rows lower
        rowRun(r, x + 1, x + 12, ColourBlue);
        rowRun(r, x + 13, x + 24, ColourWhite);
        rowRun(r, x + 25, x + 36, ColourBlue);
    }

    mainCanvas().clear(Sentinel);
    drawPot(x, y, -64, 63, "  ", "AB", value);
    for (int r = y - 11; r <= y - 4; ++r) rowRun(r, x + 11, x + 26, ColourBlue);  // two blank cells
    EXPECT_EQ(canvas().pixel(x + 10, y - 8), Sentinel);
    for (int r = y + 64 + 59; r <= y + 64 + 64; ++r) rowRun(r, x + 13, x + 24, ColourWhite);
    EXPECT_EQ(canvas().pixel(x + 19, y + 64 + 68), Sentinel);  // one line only

    // The number in the built-in font at x + 19 - 4 * length: " 20" and "-20" both start at
    // x + 7, so the minus sign takes the blank's cell and the digits stay where they were.
    for (int16_t v : {int16_t{20}, int16_t{-20}, int16_t{5}, int16_t{-5}, int16_t{-64}}) {
        value = v;
        drawPotKnob(x, y, -64, 63, value);
        const int knob = knobTopRow(y, -64, 63, v);
        Canvas expected = canvas();
        expected.copyFrom(KnobImage, 0, 0, 37, 19, x, knob);
        const std::string s = v < 0 ? std::to_string(v) : " " + std::to_string(v);
        expected.drawText(x + 19 - 4 * static_cast<int>(s.size()), knob + 1, s, ColourWhite, ColourGrey80);
        EXPECT_EQ(firstDifference(canvas(), expected, x, knob, x + 36, knob + 18), "") << v;
    }
    // " 20" and "-20" both start at x + 7: the minus sign takes the blank's cell, the digits
    // stay where they are.
    value = 20;
    drawPotKnob(x, y, 0, 40, value);
    const int knob = knobTopRow(y, 0, 40, 20);
    const Canvas positive = canvas();
    value = -20;
    drawPotKnob(x, y, -40, 0, value);
    ASSERT_EQ(knobTopRow(y, -40, 0, -20), knob);
    EXPECT_EQ(firstDifference(canvas(), positive, x, knob, x + 6, knob + 18), "");
    EXPECT_NE(firstDifference(canvas(), positive, x + 7, knob, x + 14, knob + 18), "");
    EXPECT_EQ(firstDifference(canvas(), positive, x + 15, knob, x + 36, knob + 18), "");
}

// A knob move repaints the track and the knob only, and leaves exactly what a whole redraw
// of the pot at the new value leaves: blocks and single rows keep the texture's parity.
TEST_F(PanelDrawingTest, KnobRepaintEqualsAFreshPotAndStaysInsideTheTrack) {
    const int x = 30, y = 12;
    for (int st : {64, 127, 33, 1}) {
        SliderTravel = static_cast<int16_t>(st);
        preparePotImages();
        for (auto range : {std::pair<int16_t, int16_t>{0, 127}, {-64, 63}, {0, 3}}) {
            const int16_t lo = range.first, hi = range.second;
            int16_t shown = hi;
            drawPot(x, y, lo, hi, "TEST", "LEVEL|  dB  ", shown);
            const int16_t mid = static_cast<int16_t>((lo + hi) / 2);
            for (int16_t v : {lo, mid, hi, static_cast<int16_t>(lo + 1), static_cast<int16_t>(hi - 1), mid, lo}) {
                shown = v;
                drawPotKnob(x, y, lo, hi, shown);
                Canvas moved = canvas();
                clearWindow(ColourBlue);
                int16_t fresh = v;
                drawPot(x, y, lo, hi, "TEST", "LEVEL|  dB  ", fresh);
                ASSERT_EQ(firstDifference(canvas(), moved), "") << "ST " << st << " range " << lo << ".." << hi
                                                               << " value " << v;
                canvas() = moved;  // go on from the repainted pot
            }
        }
    }

    // Everything outside the track rows of the pot keeps what it had.
    SliderTravel = 64;
    preparePotImages();
    int16_t value = 0;
    drawPot(x, y, 0, 127, "TEST", "LEVEL|  dB  ", value);
    const Canvas before = canvas();
    const int trackTop = y + 18, trackBottom = y + 64 + 36;
    int dx, dy, dw, dh;
    for (int16_t v : {127, 64, 0, 100}) {
        canvas().takeDamage(dx, dy, dw, dh);
        value = v;
        drawPotKnob(x, y, 0, 127, value);
        ASSERT_TRUE(canvas().takeDamage(dx, dy, dw, dh));
        EXPECT_GE(dx, x);
        EXPECT_GE(dy, trackTop);
        EXPECT_LE(dx + dw - 1, x + 36);
        EXPECT_LE(dy + dh - 1, trackBottom);
        for (int r = 0; r < canvas().height(); ++r)
            for (int c = 0; c < canvas().width(); ++c)
                if (c < x || c > x + 36 || r < trackTop || r > trackBottom) {
                    ASSERT_EQ(canvas().pixel(c, r), before.pixel(c, r)) << c << "," << r << " value " << v;
                }
    }
}

// One pot of range -64..63 at min, max and 0 with the shipped fonts.
TEST_F(PanelDrawingTest, GoldenPotWithNegativeRange) {
    StartDirectory = std::string(KT_SOURCE_DIR) + "/data";
    loadFonts();
    ASSERT_TRUE(SmallFontLoaded && LargeFontLoaded);
    SliderTravel = 64;
    ASSERT_TRUE(openMainWindow(0, 0, 152, 156, ""));
    preparePotImages();
    int16_t values[3] = {-64, 63, 0};
    for (int i = 0; i < 3; ++i) drawPot(8 + 48 * i, 14, -64, 63, "TEST", "LEVEL|  dB  ", values[i]);

    expectGoldenImage(canvas(), "pot_negative_range.png");
}

}  // namespace
