// Pixel rules of the Canvas and its PNG files.
#include "platform/canvas.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/png.h"

namespace {

const Rgb Black{0, 0, 0};
const Rgb White{255, 255, 255};
const Rgb Ink{200, 40, 90};  // three different bytes, so a mixed-up channel shows
const Rgb Paper{10, 220, 130};

::testing::AssertionResult samePixels(const Canvas& actual, const Canvas& expected) {
    if (actual.width() != expected.width() || actual.height() != expected.height())
        return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height() << ", expected "
                                             << expected.width() << "x" << expected.height();
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y)) {
                const Rgb a = actual.pixel(x, y), e = expected.pixel(x, y);
                return ::testing::AssertionFailure()
                       << "pixel (" << x << "," << y << ") is " << int(a.r) << "," << int(a.g) << "," << int(a.b)
                       << ", expected " << int(e.r) << "," << int(e.g) << "," << int(e.b);
            }
    return ::testing::AssertionSuccess();
}

int countColour(const Canvas& canvas, Rgb colour) {
    int count = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) count += canvas.pixel(x, y) == colour;
    return count;
}

// A pen square as the rules state it, set pixel by pixel over its part on the canvas.
void referenceStamp(Canvas& canvas, long long px, long long py, int pen, Rgb colour) {
    if (pen < 1) pen = 1;
    const long long left = px - (pen - 1) / 2, top = py - (pen - 1) / 2;
    for (long long y = std::max(top, 0LL); y < std::min(top + pen, (long long)canvas.height()); ++y)
        for (long long x = std::max(left, 0LL); x < std::min(left + pen, (long long)canvas.width()); ++x)
            canvas.setPixel(int(x), int(y), colour);
}

// The textbook Bresenham loop with its decision variable, walked from the first end.
void referenceLine(Canvas& canvas, int x1, int y1, int x2, int y2, int pen, Rgb colour) {
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    const int sx = x2 >= x1 ? 1 : -1, sy = y2 >= y1 ? 1 : -1;
    const bool steep = dy > dx;
    const int n = steep ? dy : dx, m = steep ? dx : dy;
    int decision = 2 * m - n;
    int x = x1, y = y1;
    for (int i = 0; i <= n; ++i) {
        referenceStamp(canvas, x, y, pen, colour);
        if (decision > 0) {
            if (steep)
                x += sx;
            else
                y += sy;
            decision -= 2 * n;
        }
        decision += 2 * m;
        if (steep)
            y += sy;
        else
            x += sx;
    }
}

// floor((a * b + c) / d) by schoolbook 128-bit arithmetic, for lines too long to walk.
uint64_t slowMulAddDiv(uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
    const uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32, bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
    const uint64_t lowProduct = aLo * bLo, middle1 = aLo * bHi, middle2 = aHi * bLo;
    uint64_t hi = aHi * bHi + (middle1 >> 32) + (middle2 >> 32);
    uint64_t lo = lowProduct;
    const uint64_t add1 = middle1 << 32, add2 = middle2 << 32;
    lo += add1;
    hi += lo < add1;
    lo += add2;
    hi += lo < add2;
    lo += c;
    hi += lo < c;
    uint64_t quotient = 0, remainder = 0;
    for (int bit = 127; bit >= 0; --bit) {
        remainder = (remainder << 1) | ((bit >= 64 ? hi >> (bit - 64) : lo >> bit) & 1);
        quotient <<= 1;
        if (remainder >= d) {
            remainder -= d;
            quotient |= 1;
        }
    }
    return quotient;
}

// The pixels of any line, one point per major coordinate near the canvas, by the closed form
// of the Bresenham loop: after i major steps the minor axis has moved floor((2im + n - 1) / 2n).
void referenceLongLine(Canvas& canvas, long long x1, long long y1, long long x2, long long y2, int pen, Rgb colour) {
    const long long dx = std::llabs(x2 - x1), dy = std::llabs(y2 - y1);
    const long long sx = x2 >= x1 ? 1 : -1, sy = y2 >= y1 ? 1 : -1;
    const bool steep = dy > dx;
    const long long n = steep ? dy : dx, m = steep ? dx : dy;
    const long long majorStart = steep ? y1 : x1, majorStep = steep ? sy : sx;
    const long long minorStart = steep ? x1 : y1, minorStep = steep ? sx : sy;
    const long long extent = (steep ? canvas.height() : canvas.width()) + pen;
    for (long long major = -pen; major <= extent; ++major) {
        const long long i = (major - majorStart) * majorStep;
        if (i < 0 || i > n) continue;
        const long long k = n == 0 ? 0 : (long long)slowMulAddDiv(i, 2 * m, n - 1, 2 * n);
        const long long minor = minorStart + minorStep * k;
        if (steep)
            referenceStamp(canvas, minor, major, pen, colour);
        else
            referenceStamp(canvas, major, minor, pen, colour);
    }
}

std::vector<std::pair<int, int>> inkPixels(const Canvas& canvas, Rgb colour) {
    std::vector<std::pair<int, int>> pixels;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.pixel(x, y) == colour) pixels.emplace_back(x, y);
    return pixels;
}

struct Damage {
    bool any;
    int x, y, w, h;
};

Damage takeDamage(Canvas& canvas) {
    Damage d{};
    d.any = canvas.takeDamage(d.x, d.y, d.w, d.h);
    return d;
}

// Every pixel's colour says where it is.
Canvas patternCanvas(int w, int h) {
    Canvas canvas(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) canvas.setPixel(x, y, Rgb{uint8_t(x + 1), uint8_t(y + 1), uint8_t(x * 7 + y * 13)});
    return canvas;
}

}  // namespace

TEST(Canvas, ResizeFillsAndOutsideReadsBlack) {
    Canvas canvas(5, 4, Ink);
    EXPECT_EQ(countColour(canvas, Ink), 20);
    EXPECT_EQ(canvas.pixel(-1, 0), Black);
    EXPECT_EQ(canvas.pixel(5, 0), Black);
    EXPECT_EQ(canvas.pixel(0, 4), Black);
    canvas.setPixel(5, 0, White);
    canvas.setPixel(-1, 3, White);
    canvas.setPixel(INT_MIN, INT_MAX, White);
    EXPECT_EQ(countColour(canvas, Ink), 20);
    canvas.setPixel(4, 3, White);
    EXPECT_EQ(canvas.pixel(4, 3), White);

    canvas.resize(-3, 7, Paper);
    EXPECT_EQ(canvas.width(), 0);
    EXPECT_EQ(canvas.height(), 7);
    canvas.fillBox(0, 0, 10, 10, Ink);
    canvas.line(0, 0, 10, 10, 3, Ink);
    canvas.drawText(0, 0, "x", Ink, Paper);
    EXPECT_FALSE(takeDamage(canvas).any);
}

TEST(Canvas, FillBoxCoversExactlyItsPixels) {
    Canvas canvas(20, 10);
    canvas.fillBox(3, 2, 4, 5, Ink);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(canvas.pixel(x, y), (x >= 3 && x <= 6 && y >= 2 && y <= 6) ? Ink : Black) << x << "," << y;

    Canvas unchanged(20, 10);
    unchanged.fillBox(3, 2, 4, 5, Ink);
    unchanged.fillBox(5, 5, 0, 3, White);
    unchanged.fillBox(5, 5, 3, 0, White);
    unchanged.fillBox(5, 5, -2, -2, White);
    EXPECT_TRUE(samePixels(unchanged, canvas));

    // A wide box of a colour with three different bytes, filled by the row pattern copy.
    Canvas wide(1000, 3);
    wide.fillBox(1, 1, 997, 1, Ink);
    EXPECT_EQ(countColour(wide, Ink), 997);
    EXPECT_EQ(wide.pixel(0, 1), Black);
    EXPECT_EQ(wide.pixel(998, 1), Black);
}

TEST(Canvas, FillBoxClipsAtEveryEdgeAndExtremeCoordinates) {
    Canvas canvas(8, 6);
    canvas.fillBox(-3, -2, 5, 4, Ink);  // covers -3..1, -2..1
    EXPECT_EQ(countColour(canvas, Ink), 4);
    EXPECT_EQ(canvas.pixel(1, 1), Ink);
    EXPECT_EQ(canvas.pixel(2, 1), Black);

    canvas.clear(Black);
    canvas.fillBox(6, 4, 10, 10, Ink);
    EXPECT_EQ(countColour(canvas, Ink), 4);
    EXPECT_EQ(canvas.pixel(6, 4), Ink);

    // Boxes whose far edge only wraps into the canvas in 32 bits.
    canvas.clear(Black);
    canvas.fillBox(INT_MIN, INT_MIN, INT_MAX, INT_MAX, Ink);  // ends at -2
    canvas.fillBox(INT_MAX, 0, INT_MAX, 5, Ink);
    canvas.fillBox(0, INT_MAX - 1, 5, INT_MAX, Ink);
    canvas.fillBox(8, 0, 1, 6, Ink);
    canvas.fillBox(0, 6, 8, 1, Ink);
    canvas.fillBox(-1, 0, 1, 6, Ink);
    EXPECT_EQ(countColour(canvas, Ink), 0);

    canvas.fillBox(INT_MIN, INT_MIN, INT_MAX, INT_MAX, Ink);
    canvas.fillBox(-2, -2, INT_MAX, INT_MAX, Ink);
    EXPECT_EQ(countColour(canvas, Ink), 48);
}

TEST(Canvas, DamageIsTheUnionOfWhatWasDrawnAndResets) {
    Canvas canvas(100, 50);
    Damage d = takeDamage(canvas);
    EXPECT_TRUE(d.any);
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.w, 100);
    EXPECT_EQ(d.h, 50);
    EXPECT_FALSE(takeDamage(canvas).any);

    canvas.fillBox(10, 5, 3, 2, Ink);
    canvas.setPixel(40, 30, Ink);
    d = takeDamage(canvas);
    EXPECT_TRUE(d.any);
    EXPECT_EQ(d.x, 10);
    EXPECT_EQ(d.y, 5);
    EXPECT_EQ(d.w, 31);
    EXPECT_EQ(d.h, 26);
    EXPECT_FALSE(takeDamage(canvas).any);

    // Only what lands on the canvas counts.
    canvas.fillBox(-10, -10, 5, 5, Ink);
    canvas.fillBox(95, 45, 0, 0, Ink);
    canvas.line(-5, -5, -50, 20, 1, Ink);
    canvas.drawText(0, 60, "abc", Ink, Paper);
    canvas.copyFrom(canvas, 0, 0, 10, 10, 100, 0);
    EXPECT_FALSE(takeDamage(canvas).any);

    canvas.fillBox(90, 40, 50, 50, Ink);
    d = takeDamage(canvas);
    EXPECT_EQ(d.x, 90);
    EXPECT_EQ(d.y, 40);
    EXPECT_EQ(d.w, 10);
    EXPECT_EQ(d.h, 10);

    canvas.line(3, 4, 9, 1, 1, Ink);
    d = takeDamage(canvas);
    EXPECT_EQ(d.x, 3);
    EXPECT_EQ(d.y, 1);
    EXPECT_EQ(d.w, 7);
    EXPECT_EQ(d.h, 4);

    canvas.drawText(-4, 2, "ab", Ink, Paper);
    d = takeDamage(canvas);
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 2);
    EXPECT_EQ(d.w, 12);
    EXPECT_EQ(d.h, 16);

    canvas.takeDamage(d.x, d.y, d.w, d.h);
    canvas.resize(30, 20);
    d = takeDamage(canvas);
    EXPECT_EQ(d.w, 30);
    EXPECT_EQ(d.h, 20);
}

TEST(CanvasLine, KnownPixelsAndTiesStayOnTheFirstEndsSide) {
    Canvas canvas(10, 10);
    canvas.line(0, 0, 4, 2, 1, Ink);
    EXPECT_EQ(inkPixels(canvas, Ink), (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));

    canvas.clear(Black);
    canvas.line(4, 2, 0, 0, 1, Ink);
    EXPECT_EQ(inkPixels(canvas, Ink), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));

    canvas.clear(Black);
    canvas.line(7, 1, 5, 8, 1, Ink);  // steep, going left
    EXPECT_EQ(inkPixels(canvas, Ink),
              (std::vector<std::pair<int, int>>{{7, 1}, {7, 2}, {6, 3}, {6, 4}, {6, 5}, {6, 6}, {5, 7}, {5, 8}}));

    canvas.clear(Black);
    canvas.line(6, 6, 6, 6, 1, Ink);
    EXPECT_EQ(inkPixels(canvas, Ink), (std::vector<std::pair<int, int>>{{6, 6}}));
}

TEST(CanvasLine, EveryOctantIncludesBothEndsAndOnePixelPerStep) {
    const int ends[][2] = {{12, 0},  {12, 5},   {12, 12},   {5, 12},   {0, 12},  {-5, 12}, {-12, 12}, {-12, 5},
                           {-12, 0}, {-12, -5}, {-12, -12}, {-5, -12}, {0, -12}, {5, -12}, {12, -12}, {12, -5}};
    for (const auto& end : ends) {
        Canvas canvas(40, 40), expected(40, 40);
        const int x2 = 20 + end[0], y2 = 20 + end[1];
        canvas.line(20, 20, x2, y2, 1, Ink);
        referenceLine(expected, 20, 20, x2, y2, 1, Ink);
        EXPECT_TRUE(samePixels(canvas, expected)) << "to " << x2 << "," << y2;
        EXPECT_EQ(canvas.pixel(20, 20), Ink);
        EXPECT_EQ(canvas.pixel(x2, y2), Ink);
        EXPECT_EQ(countColour(canvas, Ink), std::max(std::abs(end[0]), std::abs(end[1])) + 1);
    }
}

TEST(CanvasLine, PenStampsASquareWithItsTopLeftAtHalfThePen) {
    Canvas canvas(20, 20);
    canvas.line(10, 10, 10, 10, 3, Ink);
    EXPECT_EQ(countColour(canvas, Ink), 9);
    EXPECT_EQ(canvas.pixel(9, 9), Ink);
    EXPECT_EQ(canvas.pixel(11, 11), Ink);

    canvas.clear(Black);
    canvas.line(10, 10, 10, 10, 4, Ink);  // 9..12: the extra column and row go right and down
    EXPECT_EQ(countColour(canvas, Ink), 16);
    EXPECT_EQ(canvas.pixel(9, 9), Ink);
    EXPECT_EQ(canvas.pixel(12, 12), Ink);
    EXPECT_EQ(canvas.pixel(8, 8), Black);

    for (int pen : {0, 1, -7}) {
        canvas.clear(Black);
        canvas.line(10, 10, 10, 10, pen, Ink);
        EXPECT_EQ(countColour(canvas, Ink), 1) << pen;
    }

    canvas.clear(Black);
    canvas.line(2, 5, 12, 5, 2, Ink);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(canvas.pixel(x, y), (x >= 2 && x <= 13 && y >= 5 && y <= 6) ? Ink : Black) << x << "," << y;
}

TEST(CanvasLine, MatchesTheTextbookLoopForAnyEndsAndPens) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> coordinate(-25, 65);
    for (int round = 0; round < 600; ++round) {
        const int x1 = coordinate(random), y1 = coordinate(random), x2 = coordinate(random), y2 = coordinate(random);
        const int pen = 1 + round % 6;
        Canvas canvas(40, 30), expected(40, 30);
        canvas.line(x1, y1, x2, y2, pen, Ink);
        referenceLine(expected, x1, y1, x2, y2, pen, Ink);
        ASSERT_TRUE(samePixels(canvas, expected)) << x1 << "," << y1 << " - " << x2 << "," << y2 << " pen " << pen;
    }
}

TEST(CanvasLine, ClippingKeepsThePixelsOfTheWholeLine) {
    // The same line drawn on a large canvas and on a small one that sees the middle of it.
    std::mt19937 random(777);
    std::uniform_int_distribution<int> coordinate(0, 299);
    for (int round = 0; round < 400; ++round) {
        const int x1 = coordinate(random), y1 = coordinate(random), x2 = coordinate(random), y2 = coordinate(random);
        const int pen = 1 + round % 5;
        Canvas whole(300, 300), window(60, 50), expected(60, 50);
        whole.line(x1, y1, x2, y2, pen, Ink);
        window.line(x1 - 120, y1 - 130, x2 - 120, y2 - 130, pen, Ink);
        expected.copyFrom(whole, 120, 130, 60, 50, 0, 0);
        ASSERT_TRUE(samePixels(window, expected)) << x1 << "," << y1 << " - " << x2 << "," << y2 << " pen " << pen;
    }
}

TEST(CanvasLine, PensWiderThanTheCanvasFollowTheSameRule) {
    std::mt19937 random(99);
    std::uniform_int_distribution<int> coordinate(-150, 160);
    for (int round = 0; round < 400; ++round) {
        const int x1 = coordinate(random), y1 = coordinate(random), x2 = coordinate(random), y2 = coordinate(random);
        const int pen = 20 + round % 160;
        Canvas canvas(12, 9), expected(12, 9);
        canvas.line(x1, y1, x2, y2, pen, Ink);
        referenceLine(expected, x1, y1, x2, y2, pen, Ink);
        ASSERT_TRUE(samePixels(canvas, expected)) << x1 << "," << y1 << " - " << x2 << "," << y2 << " pen " << pen;
    }

    // Lines swept across the canvas so that the wide band ends inside it on either side.
    const int directions[][2] = {{1, 2}, {-1, 3}, {2, 1}, {5, -2}, {0, 1}, {1, 0}, {1, 30}, {-1, -45}, {30, -1}};
    for (int pen : {99, 140})
        for (const auto& d : directions)
            for (int t = -2 * pen; t <= 2 * pen + 12; t += 7) {
                const bool steep = std::abs(d[1]) > std::abs(d[0]);
                const int cx = steep ? t : 6, cy = steep ? 4 : t;
                const int x1 = cx - 120 * d[0], y1 = cy - 120 * d[1], x2 = cx + 120 * d[0], y2 = cy + 120 * d[1];
                Canvas canvas(12, 9), expected(12, 9);
                canvas.line(x1, y1, x2, y2, pen, Ink);
                referenceLine(expected, x1, y1, x2, y2, pen, Ink);
                ASSERT_TRUE(samePixels(canvas, expected))
                    << x1 << "," << y1 << " - " << x2 << "," << y2 << " pen " << pen;
            }

    Canvas canvas(30, 20);
    canvas.line(INT_MIN, 5, INT_MAX, 9, INT_MAX, Ink);
    EXPECT_EQ(countColour(canvas, Ink), 600);
    canvas.clear(Black);
    canvas.line(INT_MIN, INT_MIN, INT_MIN + 5, INT_MIN + 5, INT_MAX, Ink);
    EXPECT_EQ(countColour(canvas, Ink), 0);
}

TEST(CanvasLine, EndsFarOutsideGiveTheExactPixelsQuickly) {
    const long long cases[][4] = {
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
        {INT_MIN + 40, INT_MAX, INT_MAX, INT_MIN + 40},
        {INT_MIN, -1000000007, INT_MAX, 1000000055},
        {INT_MAX, 1000000055, INT_MIN, -1000000007},
        {INT_MIN, 1000000055, INT_MAX, -1000000007},
        {-1000000007, INT_MIN, 1000000071, INT_MAX},
        {1000000071, INT_MAX, -1000000007, INT_MIN},
        {INT_MIN, -7, INT_MAX, 33},
        {-7, INT_MIN, 33, INT_MAX},
        {5, INT_MAX, 60, INT_MIN},
        {INT_MIN + 1, INT_MAX - 2, 40, -3},
        {-2000000011, 15, 1999999973, 16},
        {123456789, -987654321, 40, 50},
        // Exact ties at (0, 23.5) and (16, 15.5): where a rounded quotient comes out one too
        // high, the first point on the canvas still lands where the loop would put it.
        {INT_MIN + 40, -1000000003, INT_MAX - 39, 1000000050},
        {INT_MAX - 39, 1000000050, INT_MIN + 40, -1000000003},
        {-1000000003, INT_MIN + 40, 1000000050, INT_MAX - 39},
        {INT_MIN + 40, -1000000003, INT_MAX - 7, 1000000034},
        // Passes exactly through (0, 20), where a rounded quotient comes out one too low.
        {-1451956826, -1122462983, 1196150393, 924706965},
    };
    for (const auto& c : cases)
        for (int pen : {1, 2, 5}) {
            Canvas canvas(64, 48), expected(64, 48);
            canvas.line(int(c[0]), int(c[1]), int(c[2]), int(c[3]), pen, Ink);
            referenceLongLine(expected, c[0], c[1], c[2], c[3], pen, Ink);
            ASSERT_GT(countColour(expected, Ink), 0) << "a case that misses the canvas";
            EXPECT_TRUE(samePixels(canvas, expected))
                << c[0] << "," << c[1] << " - " << c[2] << "," << c[3] << " pen " << pen;
        }

    // The diagonal through the corner pixel of the canvas.
    Canvas canvas(64, 48);
    canvas.line(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1, Ink);
    EXPECT_EQ(countColour(canvas, Ink), 48);
    EXPECT_EQ(canvas.pixel(47, 47), Ink);
}

TEST(CanvasRectangle, OutlineRunsFromXYToXPlusWYPlusH) {
    Canvas canvas(12, 12);
    canvas.rectangle(2, 3, 5, 4, 1, Ink);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool onEdge = (x >= 2 && x <= 7 && (y == 3 || y == 7)) || (y >= 3 && y <= 7 && (x == 2 || x == 7));
            EXPECT_EQ(canvas.pixel(x, y), onEdge ? Ink : Black) << x << "," << y;
        }

    canvas.clear(Black);
    canvas.rectangle(3, 3, 5, 5, 3, Ink);  // a 3-pixel band centred on 3..8
    EXPECT_EQ(canvas.pixel(2, 2), Ink);
    EXPECT_EQ(canvas.pixel(9, 9), Ink);
    EXPECT_EQ(canvas.pixel(4, 4), Ink);
    EXPECT_EQ(canvas.pixel(5, 5), Black);
    EXPECT_EQ(canvas.pixel(1, 5), Black);
    EXPECT_EQ(countColour(canvas, Ink), 8 * 8 - 2 * 2);

    canvas.clear(Black);
    canvas.rectangle(8, 8, -4, -2, 1, Ink);  // drawn from the other corner
    EXPECT_EQ(canvas.pixel(4, 6), Ink);
    EXPECT_EQ(canvas.pixel(8, 8), Ink);
    EXPECT_EQ(countColour(canvas, Ink), 2 * 5 + 2 * 1);

    // Far edges beyond the range of int.
    canvas.clear(Black);
    canvas.rectangle(5, 4, INT_MAX, INT_MAX, 1, Ink);
    EXPECT_EQ(countColour(canvas, Ink), 7 + 7);
    canvas.rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1, Ink);
    canvas.rectangle(INT_MAX, INT_MAX, INT_MAX, INT_MAX, 9, Ink);
    EXPECT_EQ(countColour(canvas, Ink), 7 + 7);
}

TEST(CanvasCopy, CopiesAndClipsAtSourceAndDestinationEdges) {
    const Canvas source = patternCanvas(10, 8);

    Canvas canvas(12, 12, Paper);
    canvas.copyFrom(source, 2, 1, 3, 4, 5, 6);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 5 && x < 8 && y >= 6 && y < 10;
            EXPECT_EQ(canvas.pixel(x, y), inside ? source.pixel(x - 3, y - 5) : Paper) << x << "," << y;
        }

    // Source block starting left of and above the source: what exists lands where it would.
    canvas.clear(Paper);
    canvas.copyFrom(source, -2, -3, 5, 5, 4, 4);
    EXPECT_EQ(canvas.pixel(6, 7), source.pixel(0, 0));
    EXPECT_EQ(canvas.pixel(8, 8), source.pixel(2, 1));
    EXPECT_EQ(countColour(canvas, Paper), 144 - 3 * 2);

    // Source block running past the source's right and bottom edges.
    canvas.clear(Paper);
    canvas.copyFrom(source, 8, 6, 5, 5, 0, 0);
    EXPECT_EQ(canvas.pixel(0, 0), source.pixel(8, 6));
    EXPECT_EQ(canvas.pixel(1, 1), source.pixel(9, 7));
    EXPECT_EQ(countColour(canvas, Paper), 144 - 4);

    // Destination left of / above this canvas, and past its right / bottom.
    canvas.clear(Paper);
    canvas.copyFrom(source, 0, 0, 10, 8, -7, -6);
    EXPECT_EQ(canvas.pixel(0, 0), source.pixel(7, 6));
    EXPECT_EQ(canvas.pixel(2, 1), source.pixel(9, 7));
    EXPECT_EQ(countColour(canvas, Paper), 144 - 3 * 2);
    canvas.clear(Paper);
    canvas.copyFrom(source, 0, 0, 10, 8, 9, 10);
    EXPECT_EQ(canvas.pixel(9, 10), source.pixel(0, 0));
    EXPECT_EQ(canvas.pixel(11, 11), source.pixel(2, 1));
    EXPECT_EQ(countColour(canvas, Paper), 144 - 3 * 2);

    canvas.clear(Paper);
    canvas.copyFrom(source, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0);
    canvas.copyFrom(source, INT_MAX, 0, INT_MAX, 5, 0, 0);
    canvas.copyFrom(source, 0, 0, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    canvas.copyFrom(source, -5, -5, INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    canvas.copyFrom(source, 0, 0, 0, 5, 0, 0);
    EXPECT_EQ(countColour(canvas, Paper), 144);
    // A block from far left whose width reaches just into both canvases.
    canvas.copyFrom(source, INT_MIN + 10, 0, INT_MAX, 8, INT_MIN + 10, 0);
    EXPECT_EQ(countColour(canvas, Paper), 144 - 9 * 8);
    EXPECT_EQ(canvas.pixel(8, 7), source.pixel(8, 7));
    EXPECT_EQ(canvas.pixel(9, 0), Paper);
    canvas.copyFrom(source, -3, -3, INT_MAX, INT_MAX, -3, -3);
    EXPECT_EQ(countColour(canvas, Paper), 144 - 80);
    EXPECT_EQ(canvas.pixel(9, 7), source.pixel(9, 7));
}

TEST(CanvasCopy, OverlappingCopyWithinOneCanvasActsAsIfThroughACopy) {
    const int moves[][2] = {{3, 2}, {-3, -2}, {4, -1}, {-2, 3}, {1, 0}, {-1, 0}};
    for (const auto& move : moves) {
        Canvas canvas = patternCanvas(16, 12);
        const Canvas before = canvas;
        Canvas expected = canvas;
        expected.copyFrom(before, 2, 2, 10, 7, 2 + move[0], 2 + move[1]);
        canvas.copyFrom(canvas, 2, 2, 10, 7, 2 + move[0], 2 + move[1]);
        EXPECT_TRUE(samePixels(canvas, expected)) << move[0] << "," << move[1];
    }
}

TEST(CanvasText, CellHoldsTheGlyphInRowsOneToThirteen) {
    // 'F' in the built-in font; the top bar and the stem show any flip.
    const char* const F[16] = {
        "........", "........", "........", ".XXXXXX.", ".X......", ".X......", ".X......", ".XXXX...",
        ".X......", ".X......", ".X......", ".X......", "........", "........", "........", "........",
    };
    Canvas canvas(30, 24, White);
    EXPECT_EQ(canvas.drawText(5, 3, "F", Ink, Paper), 13);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 30; ++x) {
            Rgb want = White;
            if (x >= 5 && x < 13 && y >= 3 && y < 19) want = F[y - 3][x - 5] == 'X' ? Ink : Paper;
            EXPECT_EQ(canvas.pixel(x, y), want) << x << "," << y;
        }

    // Codes below 32 are empty cells; the next cell is 8 pixels on.
    canvas.clear(White);
    EXPECT_EQ(canvas.drawText(0, 0, std::string("\x01", 1) + "F" + std::string(1, '\0'), Ink, Paper), 24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(canvas.pixel(x, y), Paper);
            EXPECT_EQ(canvas.pixel(x + 8, y), F[y][x] == 'X' ? Ink : Paper);
            EXPECT_EQ(canvas.pixel(x + 16, y), Paper);
        }
    EXPECT_EQ(canvas.pixel(24, 0), White);
    EXPECT_EQ(canvas.pixel(0, 16), White);
}

TEST(CanvasText, HighCodesAreGlyphsAndCellsClipAtTheEdges) {
    Canvas canvas(30, 24, White);
    canvas.drawText(0, 0, "\xB0\xFF", Ink, Paper);  // degree sign, y with diaeresis
    int inkLeft = 0, inkRight = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x) {
            inkLeft += canvas.pixel(x, y) == Ink;
            inkRight += canvas.pixel(x + 8, y) == Ink;
        }
    EXPECT_GT(inkLeft, 0);
    EXPECT_GT(inkRight, 0);

    // Text hanging over the left and bottom edges shows exactly its visible part.
    Canvas whole(60, 40, White), part(30, 24, White);
    whole.drawText(30 - 11, 16 + 10, "LFL", Ink, Paper);
    part.drawText(-11, 10, "LFL", Ink, Paper);
    Canvas expected(30, 24);
    expected.copyFrom(whole, 30, 16, 30, 24, 0, 0);
    EXPECT_TRUE(samePixels(part, expected));

    canvas.clear(White);
    EXPECT_EQ(canvas.drawText(INT_MAX - 3, 0, "LL", Ink, Paper), INT_MAX);
    EXPECT_EQ(canvas.drawText(INT_MIN, 0, std::string(100, 'L'), Ink, Paper), INT_MIN + 800);
    canvas.drawText(0, INT_MIN, "L", Ink, Paper);
    canvas.drawText(0, INT_MAX, "L", Ink, Paper);
    canvas.drawText(30, 0, "L", Ink, Paper);
    canvas.drawText(0, -16, "L", Ink, Paper);
    EXPECT_EQ(countColour(canvas, White), 30 * 24);
    EXPECT_EQ(canvas.drawText(7, 7, "", Ink, Paper), 7);
    EXPECT_EQ(countColour(canvas, White), 30 * 24);
}

namespace {

std::string tempPath(const std::string& name) { return ::testing::TempDir() + "canvas_test_" + name; }

bool writeSimplePng(const std::string& path, png_uint_32 format, const std::vector<uint8_t>& pixels, int w, int h,
                    const std::vector<uint8_t>& colourMap = {}) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = format;
    image.colormap_entries = png_uint_32(colourMap.size() / 3);
    return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0,
                                   colourMap.empty() ? nullptr : colourMap.data()) != 0;
}

}  // namespace

TEST(CanvasPng, WriteThenReadGivesTheSamePixels) {
    Canvas picture = patternCanvas(7, 5);
    picture.setPixel(0, 0, Ink);  // one marked corner shows any flip or turn
    const std::string path = tempPath("roundtrip.png");
    std::string error;
    ASSERT_TRUE(writePng(picture, path, &error)) << error;

    Canvas read(2, 2);
    takeDamage(read);
    ASSERT_TRUE(readPng(path, read, &error)) << error;
    EXPECT_TRUE(samePixels(read, picture));
    Damage d = takeDamage(read);
    EXPECT_TRUE(d.any);
    EXPECT_EQ(d.w, 7);
    EXPECT_EQ(d.h, 5);
    std::remove(path.c_str());
}

TEST(CanvasPng, OtherColourTypesBecomeRgb) {
    std::string error;
    Canvas read;

    const std::string grey = tempPath("grey.png");
    ASSERT_TRUE(writeSimplePng(grey, PNG_FORMAT_GRAY, {0, 77, 200, 255, 1, 128}, 3, 2));
    ASSERT_TRUE(readPng(grey, read, &error)) << error;
    ASSERT_EQ(read.width(), 3);
    ASSERT_EQ(read.height(), 2);
    EXPECT_EQ(read.pixel(1, 0), (Rgb{77, 77, 77}));
    EXPECT_EQ(read.pixel(2, 1), (Rgb{128, 128, 128}));

    const std::string rgba = tempPath("rgba.png");
    ASSERT_TRUE(writeSimplePng(rgba, PNG_FORMAT_RGBA, {10, 20, 30, 255, 40, 50, 60, 255}, 2, 1));
    ASSERT_TRUE(readPng(rgba, read, &error)) << error;
    ASSERT_EQ(read.width(), 2);
    EXPECT_EQ(read.pixel(0, 0), (Rgb{10, 20, 30}));
    EXPECT_EQ(read.pixel(1, 0), (Rgb{40, 50, 60}));

    const std::string palette = tempPath("palette.png");
    ASSERT_TRUE(
        writeSimplePng(palette, PNG_FORMAT_RGB_COLORMAP, {1, 0, 2, 1}, 2, 2, {9, 8, 7, 100, 150, 200, 1, 2, 3}));
    ASSERT_TRUE(readPng(palette, read, &error)) << error;
    ASSERT_EQ(read.width(), 2);
    EXPECT_EQ(read.pixel(0, 0), (Rgb{100, 150, 200}));
    EXPECT_EQ(read.pixel(1, 0), (Rgb{9, 8, 7}));
    EXPECT_EQ(read.pixel(0, 1), (Rgb{1, 2, 3}));

    std::remove(grey.c_str());
    std::remove(rgba.c_str());
    std::remove(palette.c_str());
}

TEST(CanvasPng, FailuresReturnFalseWithAReasonAndLeaveTheCanvas) {
    Canvas canvas(3, 3, Ink);
    std::string error;

    EXPECT_FALSE(readPng(tempPath("does_not_exist.png"), canvas, &error));
    EXPECT_FALSE(error.empty());

    const std::string text = tempPath("not_a_png.png");
    std::ofstream(text) << "just some text, long enough to hold a signature\n";
    error.clear();
    EXPECT_FALSE(readPng(text, canvas, &error));
    EXPECT_FALSE(error.empty());

    // A real PNG cut short: libpng fails half-way through the pixel data.
    const std::string cut = tempPath("cut.png");
    Canvas big = patternCanvas(200, 150);
    ASSERT_TRUE(writePng(big, cut, &error)) << error;
    std::string bytes;
    {
        std::ifstream in(cut, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(bytes.size(), 200u);
    std::ofstream(cut, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size() / 2));
    error.clear();
    EXPECT_FALSE(readPng(cut, canvas, &error));
    EXPECT_FALSE(error.empty());

    // A picture wider than readPng accepts, so a hostile header cannot ask for gigabytes.
    const std::string wide = tempPath("wide.png");
    ASSERT_TRUE(writeSimplePng(wide, PNG_FORMAT_GRAY, std::vector<uint8_t>(20000, 7), 20000, 1));
    error.clear();
    EXPECT_FALSE(readPng(wide, canvas, &error));
    EXPECT_FALSE(error.empty());

    EXPECT_EQ(canvas.width(), 3);
    EXPECT_EQ(countColour(canvas, Ink), 9);

    EXPECT_FALSE(writePng(canvas, tempPath("no_such_dir/x.png"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(writePng(Canvas(), tempPath("empty.png"), &error));
    EXPECT_FALSE(readPng(tempPath("does_not_exist.png"), canvas, nullptr));

    std::remove(text.c_str());
    std::remove(cut.c_str());
    std::remove(wide.c_str());
}
