// Tests of the font source reader behind mkfont, and of the two fonts the editor ships.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fontsource.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buf;
    buf << in.rdbuf();
    return buf.str();
}

std::vector<uint8_t> glyphOf(const std::vector<uint8_t>& font, int code, int height) {
    return std::vector<uint8_t>(font.begin() + code * height, font.begin() + (code + 1) * height);
}

// ---- the reader ----

TEST(FontSource, GlyphLandsAtItsCodeWithBit7Leftmost) {
    // An "F"-like shape that is neither left-right nor top-bottom symmetric.
    std::string text =
        "# test font\n"
        "glyph 70 'F'\n"
        "######\n"
        "#.....\n"
        "####..\n"
        "#.....\n"
        ".....#\n"
        "......\n";
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(parseFontSource(text, 6, 6, bytes, error)) << error;
    ASSERT_EQ(bytes.size(), 256u * 6);
    EXPECT_EQ(glyphOf(bytes, 70, 6), (std::vector<uint8_t>{0xFC, 0x80, 0xF0, 0x80, 0x04, 0x00}));
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i / 6 != 70) {
            ASSERT_EQ(bytes[i], 0) << "byte " << i << " outside the glyph";
        }
    }
}

TEST(FontSource, FullWidthCellsUseAllEightBits) {
    std::string text = "glyph 0\n#......#\n.#......\n......#.\n........\n";
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(parseFontSource(text, 8, 4, bytes, error)) << error;
    ASSERT_EQ(bytes.size(), 256u * 4);
    EXPECT_EQ(glyphOf(bytes, 0, 4), (std::vector<uint8_t>{0x81, 0x40, 0x02, 0x00}));
}

TEST(FontSource, AcceptsCommentsBlankLinesCrlfAndTheWholeCodeRange) {
    std::string text =
        "\xEF\xBB\xBF# made in an editor that writes a byte order mark and CRLF\r\n"
        "#\r\n"
        "\r\n"
        "glyph 0   first code, with a comment\r\n"
        "#.\r\n"
        "  .#  \r\n"
        "\r\n"
        "# the last code\r\n"
        "glyph 255\r\n"
        "##\r\n"
        "..";  // no newline at the end
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(parseFontSource(text, 2, 2, bytes, error)) << error;
    EXPECT_EQ(glyphOf(bytes, 0, 2), (std::vector<uint8_t>{0x80, 0x40}));
    EXPECT_EQ(glyphOf(bytes, 255, 2), (std::vector<uint8_t>{0xC0, 0x00}));
}

struct BadSource {
    const char* what;
    const char* text;
    const char* expected;  // must appear in the error message
};

void PrintTo(const BadSource& bad, std::ostream* os) { *os << bad.what; }

class FontSourceError : public ::testing::TestWithParam<BadSource> {};

TEST_P(FontSourceError, IsRejectedWithLineAndReason) {
    const BadSource& bad = GetParam();
    std::vector<uint8_t> bytes{1, 2, 3};
    std::string error;
    EXPECT_FALSE(parseFontSource(bad.text, 3, 2, bytes, error));
    EXPECT_NE(error.find(bad.expected), std::string::npos) << "error was: " << error;
    EXPECT_TRUE(bytes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FontSourceError,
    ::testing::Values(
        BadSource{"row too narrow", "glyph 65\n#.#\n##\n", "line 3: row 2 of glyph 65 is 2 pixels wide, the cell is 3"},
        BadSource{"row too wide", "glyph 65\n#.#.\n###\n", "line 2: row 1 of glyph 65 is 4 pixels wide"},
        BadSource{"bad character", "glyph 65\n#.#\n#x#\n", "line 3: row 2 of glyph 65: bad character 'x' in column 2"},
        BadSource{"row missing before the next glyph", "glyph 65\n#.#\nglyph 66\n...\n...\n",
                  "line 3: row 2 of glyph 65 is missing"},
        BadSource{"blank line inside a glyph", "glyph 65\n#.#\n\n###\n", "line 3: row 2 of glyph 65 is missing"},
        BadSource{"file ends inside a glyph", "# x\nglyph 65\n#.#\n", "line 2: glyph 65 has only 1 of 2 rows"},
        BadSource{"extra row after a glyph", "glyph 65\n#.#\n###\n#..\n",
                  "line 4: pixel row outside a glyph: glyph 65 (line 1)"},
        BadSource{"duplicate code", "glyph 7\n...\n...\n\nglyph 7\n...\n...\n",
                  "line 5: glyph 7 is defined twice (first on line 1)"},
        BadSource{"code out of range", "glyph 256\n...\n...\n", "line 1: glyph code 256 is out of range 0..255"},
        BadSource{"hexadecimal code", "glyph 0x41\n...\n...\n", "line 1: 'glyph' needs a decimal character code"},
        BadSource{"comment without a blank", "#comment\n", "line 1: a comment line starts with \"# \""},
        BadSource{"unknown line", "# ok\nglyf 65\n", "line 2: expected \"glyph CODE\""},
        BadSource{"no glyph at all", "# only a comment\n\n", "no glyph"}),
    [](const ::testing::TestParamInfo<BadSource>& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

// ---- the fonts in data/ ----

struct ShippedFont {
    const char* source;
    const char* binary;
    int width;
    int height;
};

void PrintTo(const ShippedFont& font, std::ostream* os) { *os << font.binary; }

const ShippedFont kSmall{"/data/fonts/small6x6.txt", "/data/CHR4.BIN", 6, 6};
const ShippedFont kLarge{"/data/fonts/large8x8.txt", "/data/CHR6.BIN", 8, 8};

class ShippedFontTest : public ::testing::TestWithParam<ShippedFont> {
   protected:
    void SetUp() override {
        const ShippedFont& f = GetParam();
        std::string error;
        ASSERT_TRUE(parseFontSource(readFile(std::string(KT_SOURCE_DIR) + f.source), f.width, f.height, font, error))
            << f.source << ": " << error;
    }
    std::vector<uint8_t> glyph(int code) const { return glyphOf(font, code, GetParam().height); }
    bool column(int code, int x) const {
        for (uint8_t row : glyph(code))
            if (row & (0x80 >> x)) return true;
        return false;
    }
    std::vector<uint8_t> font;
};

TEST_P(ShippedFontTest, BinaryIsTheRebuiltSource) {
    const ShippedFont& f = GetParam();
    std::string binary = readFile(std::string(KT_SOURCE_DIR) + f.binary);
    ASSERT_EQ(binary.size(), 256u * f.height) << f.binary << " is missing or has the wrong size";
    ASSERT_EQ(font.size(), binary.size());
    for (size_t i = 0; i < font.size(); ++i)
        ASSERT_EQ(font[i], static_cast<uint8_t>(binary[i]))
            << f.binary << " differs from its source at glyph " << i / f.height << " row " << i % f.height
            << ": rebuild it with mkfont";
}

TEST_P(ShippedFontTest, PrintableCodesHaveInkAndControlCodesAreBlank) {
    for (int code = 33; code <= 126; ++code) {
        std::vector<uint8_t> g = glyph(code);
        bool ink = false;
        for (uint8_t row : g) ink = ink || row != 0;
        EXPECT_TRUE(ink) << "glyph " << code << " '" << static_cast<char>(code) << "' is blank";
    }
    std::vector<uint8_t> blank(GetParam().height, 0);
    EXPECT_EQ(glyph(32), blank) << "space";
    for (int code = 0; code < 32; ++code) EXPECT_EQ(glyph(code), blank) << "control code " << code;
    for (int code = 127; code < 160; ++code) EXPECT_EQ(glyph(code), blank) << "code " << code;
}

TEST_P(ShippedFontTest, LettersAndDigitsAreAllDifferent) {
    std::string chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (size_t i = 0; i < chars.size(); ++i)
        for (size_t j = i + 1; j < chars.size(); ++j)
            EXPECT_NE(glyph(chars[i]), glyph(chars[j])) << chars[i] << " and " << chars[j] << " look the same";
}

TEST_P(ShippedFontTest, GlyphsKeepTheirSpacingInsideTheCell) {
    // Cells are painted side by side: the rightmost column stays background, so that no two
    // letters touch. Capitals and digits also keep the bottom row free (Q's tail excepted).
    const ShippedFont& f = GetParam();
    for (int code = 33; code <= 126; ++code)
        EXPECT_FALSE(column(code, f.width - 1))
            << "glyph " << code << " '" << static_cast<char>(code) << "' has ink in the spacing column";
    for (char c : std::string("ABCDEFGHIJKLMNOPRSTUVWXYZ0123456789"))
        EXPECT_EQ(glyph(c).back(), 0) << c << " has ink in the bottom row";
}

INSTANTIATE_TEST_SUITE_P(Fonts, ShippedFontTest, ::testing::Values(kSmall, kLarge),
                         [](const ::testing::TestParamInfo<ShippedFont>& info) {
                             return info.param.width == 6 ? std::string("Small6x6") : std::string("Large8x8");
                         });

TEST(SmallFont, LowTwoBitsOfEveryRowAreZero) {
    std::string binary = readFile(std::string(KT_SOURCE_DIR) + kSmall.binary);
    ASSERT_EQ(binary.size(), 1536u);
    for (size_t i = 0; i < binary.size(); ++i)
        EXPECT_EQ(static_cast<uint8_t>(binary[i]) & 0x03, 0) << "glyph " << i / 6 << " row " << i % 6;
}

}  // namespace
