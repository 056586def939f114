// text.cpp - the panel's bitmap fonts and the texts drawn with them. See text.h.
#include "editor/panel/text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "editor/declaration/declaration.h"
#include "editor/declaration/identity.h"
#include "editor/panel/palette.h"
#include "platform/window.h"
#include "shared/datafile/pathfile.h"
#include "shared/datafile/textfile.h"
#include "shared/message/message.h"

namespace {

constexpr size_t SmallFontSize = 256 * 6;
constexpr size_t LargeFontSize = 256 * 8;
constexpr uint8_t UnloadedFontByte = 32;

// What one font looks like: its cell (square, also the advance), how far the cell's top
// lies above the y a caller gives, and the row bits it uses (bit 7 is the leftmost column).
struct FontShape {
    int cell;
    int aboveY;
    uint8_t rowMask;
};
constexpr FontShape SmallShape{6, 4, 0xFC};
constexpr FontShape LargeShape{8, 6, 0xFF};

// Fills font with the filler byte and reads at most its size from path into it. Returns
// false with a short reason when the file cannot be opened or read.
bool readFontFile(const std::string& path, std::vector<uint8_t>& font, size_t size, std::string& reason) {
    font.assign(size, UnloadedFontByte);
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) {
        reason = "font file missing";
        return false;
    }
    std::string why;
    std::FILE* file = openFileForReading(path, why);
    if (file == nullptr) {
        reason = "font file " + why;
        return false;
    }
    // A shorter file leaves the rest of the buffer at the filler byte; a longer one is cut.
    errno = 0;
    std::fread(font.data(), 1, size, file);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) {
        reason = "cannot read font file (" + std::string(error != 0 ? std::strerror(error) : "read error") + ")";
        font.assign(size, UnloadedFontByte);
        return false;
    }
    return true;
}

void loadFont(const char* name, std::vector<uint8_t>& font, size_t size, bool& loaded) {
    const std::string path = joinPath(StartDirectory, name);
    std::string reason;
    loaded = readFontFile(path, font, size, reason);
    if (!loaded) showMessage("  " + path, "  " + reason + ", standard font used");
}

// x of a text of `count` characters centred on column cx, `half` pixels per half character;
// kept inside int for any length.
int centredX(int64_t cx, size_t count, int half) {
    const int64_t x = cx - static_cast<int64_t>(std::min<size_t>(count, INT_MAX)) * half;
    return static_cast<int>(std::clamp<int64_t>(x, INT_MIN, INT_MAX));
}

// Paints the whole cell of every character: the visible part of the text's box is filled
// with the background (which also marks it as drawn), then the ink pixels are written
// straight into the canvas rows. Equal to painting each pixel of each cell on its own.
void drawCells(Canvas& canvas, int x, int y, Rgb ink, Rgb background, const std::string& text,
               const std::vector<uint8_t>& font, const FontShape& shape) {
    if (text.empty()) return;
    const int64_t cell = shape.cell;
    const int64_t left = x;
    const int64_t top = static_cast<int64_t>(y) - shape.aboveY;
    const int64_t colLo = std::max<int64_t>(left, 0);
    const int64_t colHi = std::min<int64_t>(left + static_cast<int64_t>(text.size()) * cell - 1, canvas.width() - 1);
    const int64_t rowLo = std::max<int64_t>(top, 0);
    const int64_t rowHi = std::min<int64_t>(top + cell - 1, canvas.height() - 1);
    if (colLo > colHi || rowLo > rowHi) return;

    canvas.fillBox(static_cast<int>(colLo), static_cast<int>(rowLo), static_cast<int>(colHi - colLo + 1),
                   static_cast<int>(rowHi - rowLo + 1), background);

    const int64_t firstChar = (colLo - left) / cell;
    const int64_t lastChar = (colHi - left) / cell;
    const size_t stride = static_cast<size_t>(canvas.width()) * 3;
    uint8_t* const pixels = canvas.data();
    for (int64_t row = rowLo; row <= rowHi; ++row) {
        const int64_t glyphRow = row - top;
        uint8_t* const line = pixels + static_cast<size_t>(row) * stride;
        for (int64_t i = firstChar; i <= lastChar; ++i) {
            const unsigned glyph = static_cast<unsigned char>(text[static_cast<size_t>(i)]);
            const uint8_t bits = font[glyph * static_cast<unsigned>(cell) + static_cast<unsigned>(glyphRow)] & shape.rowMask;
            if (bits == 0) continue;
            const int64_t cellLeft = left + i * cell;
            const int64_t kLo = std::max<int64_t>(0, colLo - cellLeft);
            const int64_t kHi = std::min<int64_t>(cell - 1, colHi - cellLeft);
            for (int64_t k = kLo; k <= kHi; ++k) {
                if ((bits & (0x80u >> k)) == 0) continue;
                uint8_t* p = line + static_cast<size_t>(cellLeft + k) * 3;
                p[0] = ink.r;
                p[1] = ink.g;
                p[2] = ink.b;
            }
        }
    }
}

}  // namespace

std::vector<uint8_t> SmallFont(SmallFontSize, UnloadedFontByte);
std::vector<uint8_t> LargeFont(LargeFontSize, UnloadedFontByte);
bool SmallFontLoaded = false;
bool LargeFontLoaded = false;

void resetTextState() {
    SmallFont.assign(SmallFontSize, UnloadedFontByte);
    LargeFont.assign(LargeFontSize, UnloadedFontByte);
    SmallFontLoaded = false;
    LargeFontLoaded = false;
}

void loadFonts() {
    loadFont("CHR4.BIN", SmallFont, SmallFontSize, SmallFontLoaded);
    loadFont("CHR6.BIN", LargeFont, LargeFontSize, LargeFontLoaded);
}

void drawSmallText(int x, int y, Rgb ink, Rgb background, const std::string& text) {
    drawSmallTextOn(mainCanvas(), x, y, ink, background, text);
}

void drawSmallTextOn(Canvas& canvas, int x, int y, Rgb ink, Rgb background, const std::string& text) {
    // A buffer of the wrong size (changed from outside) is treated like a font not loaded.
    if (!SmallFontLoaded || SmallFont.size() != SmallFontSize) {
        canvas.drawText(x, static_cast<int>(std::max<int64_t>(int64_t{y} - SmallShape.aboveY, INT_MIN)), text, ink,
                        background);
        return;
    }
    drawCells(canvas, x, y, ink, background, text, SmallFont, SmallShape);
}

void drawLargeText(int x, int y, Rgb ink, Rgb background, const std::string& text) {
    if (!LargeFontLoaded || LargeFont.size() != LargeFontSize) {
        mainCanvas().drawText(x, static_cast<int>(std::max<int64_t>(int64_t{y} - LargeShape.aboveY, INT_MIN)), text,
                              ink, background);
        return;
    }
    drawCells(mainCanvas(), x, y, ink, background, text, LargeFont, LargeShape);
}

void drawPotCaption(int x, int y, const std::string& text) {
    const int64_t row = static_cast<int64_t>(y) + SliderTravel + 63;
    drawSmallText(centredX(static_cast<int64_t>(x) + 19, text.size(), 3),
                  static_cast<int>(std::clamp<int64_t>(row, INT_MIN, INT_MAX)), ColourWhite, ColourBlue, text);
}
