// pots.cpp - the pots' images and their drawing. See pots.h.
#include "editor/panel/pots.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "editor/declaration/declaration.h"
#include "editor/panel/potedit.h"
#include "editor/panel/text.h"
#include "editor/panel/palette.h"
#include "platform/window.h"
#include "shared/datafile/textfile.h"

Canvas PotImage, KnobImage, TrackRowEven, TrackRowOdd, TrackBlock;

void resetPotsState() {
    for (Canvas* image : {&PotImage, &KnobImage, &TrackRowEven, &TrackRowOdd, &TrackBlock}) *image = Canvas();
}

namespace {

constexpr int PotWidth = 37;
constexpr int KnobHeight = 19;
constexpr int TrackFirstRow = 18;  // the first row the knob can cover, just below the separator
constexpr int TrackBlockRows = 16;

// The slot's groove: on every odd track row (odd distance from row 18) the middle three
// columns of the slot show this dark grey, so the slot reads as a ribbed black channel.
constexpr Rgb GrooveColour{56, 56, 56};

// The travel the pieces are drawn for; a negative one (never accepted by the declaration
// loader) draws the pot as if it were 0.
int travel() { return std::max<int>(SliderTravel, 0); }

int toInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

// x of a text of `count` characters of `width` pixels centred on the pot's column 19.
int centredOnPot(int x, size_t count, int width) {
    const int64_t n = static_cast<int64_t>(std::min<size_t>(count, INT_MAX));
    return toInt(static_cast<int64_t>(x) + 19 - n * (width / 2));
}

void clampValue(int16_t min, int16_t max, int16_t& value) {
    if (value > max) value = max;
    if (value < min) value = min;
}

void stamp(const Canvas& image, int x, int y) {
    mainCanvas().copyFrom(image, 0, 0, image.width(), image.height(), x, y);
}

void drawKnob(int x, int knobTop, int16_t value) {
    stamp(KnobImage, x, knobTop);
    const std::string number = formatNumber(value);
    mainCanvas().drawText(centredOnPot(x, number.size(), Canvas::TextCharWidth), toInt(int64_t{knobTop} + 1), number,
                          ColourWhite, ColourGrey80);
}

// Restamps the track rows row..end-1, n being row's distance from the pot's row 18 (any
// value of the same parity serves): 16-row blocks where the texture lines up, single rows
// elsewhere. Returns the distance of row `end`.
int64_t repaintTrack(int x, int64_t row, int64_t end, int64_t n) {
    while (row < end) {
        if (n % 2 == 0 && end - row >= TrackBlockRows) {
            stamp(TrackBlock, x, toInt(row));
            row += TrackBlockRows;
            n += TrackBlockRows;
        } else {
            stamp(n % 2 == 0 ? TrackRowEven : TrackRowOdd, x, toInt(row));
            row += 1;
            n += 1;
        }
    }
    return n;
}

void copyOut(const Canvas& from, int row, int rows, Canvas& image) {
    image.resize(PotWidth, rows);
    image.copyFrom(from, 0, row, PotWidth, rows, 0, 0);
}

}  // namespace

void clearWindow(Rgb colour) { mainCanvas().clear(colour); }

void preparePotImages() {
    const int st = travel();
    const int bottom = st + 54;       // last row of the image
    const int trackBottom = st + 37;  // the track's lower separator

    // Drawn off-screen, so the window is only cleared.
    Canvas pot(PotWidth, bottom + 1, ColourBlue);
    pot.fillBox(10, 0, 17, bottom + 1, ColourGrey150);
    pot.rectangle(10, 0, 16, bottom, 1, ColourBlack);
    pot.rectangle(10, 17, 16, trackBottom - 17, 1, ColourBlack);

    pot.fillBox(15, 17, 7, trackBottom - 16, ColourBlack);
    for (int row = TrackFirstRow + 1; row < trackBottom; row += 2) pot.fillBox(17, row, 3, 1, GrooveColour);
    pot.rectangle(15, 17, 6, trackBottom - 17, 1, ColourBlack);

    // Up arrow.
    pot.line(18, 5, 18, 13, 1, ColourBlack);
    pot.line(17, 6, 17, 9, 1, ColourBlack);
    pot.line(19, 6, 19, 9, 1, ColourBlack);
    pot.line(16, 7, 16, 9, 1, ColourBlack);
    pot.line(20, 7, 20, 9, 1, ColourBlack);
    pot.line(15, 8, 15, 9, 1, ColourBlack);
    pot.line(21, 8, 21, 9, 1, ColourBlack);
    // Down arrow.
    pot.line(18, st + 42, 18, st + 50, 1, ColourBlack);
    pot.line(17, st + 46, 17, st + 49, 1, ColourBlack);
    pot.line(19, st + 46, 19, st + 49, 1, ColourBlack);
    pot.line(16, st + 46, 16, st + 48, 1, ColourBlack);
    pot.line(20, st + 46, 20, st + 48, 1, ColourBlack);
    pot.line(15, st + 46, 15, st + 47, 1, ColourBlack);
    pot.line(21, st + 46, 21, st + 47, 1, ColourBlack);

    PotImage = pot;
    copyOut(pot, TrackFirstRow, 1, TrackRowEven);
    copyOut(pot, TrackFirstRow + 1, 1, TrackRowOdd);
    copyOut(pot, TrackFirstRow, TrackBlockRows, TrackBlock);

    KnobImage.resize(PotWidth, KnobHeight, ColourGrey80);
    KnobImage.rectangle(0, 0, PotWidth - 1, KnobHeight - 1, 1, ColourWhite);

    clearWindow(ColourBlue);
    RepeatStarted = false;
    PrevPassMouseButtons = 0;
}

int knobTopRow(int y, int min, int max, int value) {
    const int64_t st = travel();
    const int64_t lowest = static_cast<int64_t>(y) + st + TrackFirstRow;
    if (min == max) return toInt(lowest);
    const double top = static_cast<double>(lowest) -
                       static_cast<double>(int64_t{value} - min) * static_cast<double>(st) /
                           static_cast<double>(int64_t{max} - min);
    return toInt(static_cast<int64_t>(std::clamp(std::nearbyint(top), double{INT_MIN}, double{INT_MAX})));
}

void drawPot(int x, int y, int16_t min, int16_t max, const std::string& title, const std::string& caption,
             int16_t& value) {
    clampValue(min, max, value);
    const int knobTop = knobTopRow(y, min, max, value);
    stamp(PotImage, x, y);
    drawKnob(x, knobTop, value);

    if (title != " ")
        drawLargeText(centredOnPot(x, title.size(), 8), toInt(int64_t{y} - 5), ColourWhite, ColourBlue, title);

    const size_t bar = caption.find('|');
    if (bar == std::string::npos) {
        drawPotCaption(x, y, caption);
    } else {
        drawPotCaption(x, y, caption.substr(0, bar));
        drawPotCaption(x, toInt(int64_t{y} + 8), caption.substr(bar + 1));
    }
}

void drawPotKnob(int x, int y, int16_t min, int16_t max, int16_t& value) {
    clampValue(min, max, value);
    const int knobTop = knobTopRow(y, min, max, value);
    const int64_t first = static_cast<int64_t>(y) + TrackFirstRow;
    const int64_t end = static_cast<int64_t>(y) + travel() + 37;  // the lower separator row

    // Above the knob; the knob's rows then count as one odd step, so the parity of n stays
    // that of the row's distance from the first track row.
    int64_t n = repaintTrack(x, first, knobTop, 0);
    drawKnob(x, knobTop, value);
    repaintTrack(x, int64_t{knobTop} + KnobHeight, end, n + 1);
}

void drawLockMark(int x, int y) { mainCanvas().fillBox(x + 12, y + 1, 13, 3, ColourDarkRed); }
