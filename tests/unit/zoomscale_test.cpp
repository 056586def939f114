// The one rule by which every backend shows a Canvas at a zoom level, and maps the mouse back.
#include <gtest/gtest.h>

#include <vector>

#include "platform/canvas.h"
#include "platform/zoomscale.h"

namespace {

constexpr Rgb White{255, 255, 255};
constexpr Rgb Black{0, 0, 0};

// A canvas with a pattern no two neighbours share, so any misplaced pixel shows.
Canvas pattern(int w, int h) {
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) c.setPixel(x, y, Rgb{uint8_t(x * 7 + y), uint8_t(y * 13 + x), uint8_t(x ^ y)});
    return c;
}

// The widths of the runs of white pixels in row y.
std::vector<int> whiteRuns(const Canvas& c, int y) {
    std::vector<int> runs;
    int run = 0;
    for (int x = 0; x <= c.width(); ++x) {
        if (x < c.width() && c.pixel(x, y) == White) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    return runs;
}

TEST(ZoomScale, WholeLevelsReplicateEveryPixel) {
    const Canvas src = pattern(37, 23);
    for (int level : {100, 200, 300}) {
        const int k = level / 100;
        Canvas shown;
        zoomCanvas(src, level, shown);
        ASSERT_EQ(shown.width(), 37 * k);
        ASSERT_EQ(shown.height(), 23 * k);
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) ASSERT_EQ(shown.pixel(x, y), src.pixel(x / k, y / k)) << level;
    }
}

// 125 % and 150 % are as sharp as whole levels: nothing is blended, one-pixel lines stay one or
// two pixels wide and none merges with its neighbour; each canvas pixel takes a fixed pattern
// of screen pixels (2, 1, 1, 1 at 125 %; 2, 1 at 150 %).
TEST(ZoomScale, FractionalLevelsKeepOnePixelLinesSharp) {
    const struct {
        int level;
        int shownWidth;
        std::vector<int> runs;  // the screen pixels of canvas pixels 0, 1, 2, 3, 4
    } cases[] = {{125, 50, {2, 1, 1, 1, 2}}, {150, 60, {2, 1, 2, 1, 2}}};
    for (const auto& c : cases) {
        // Vertical one-pixel lines at every column offset, on black.
        Canvas src(40, 10, Black);
        for (int x = 1; x < 40; x += 3) src.fillBox(x, 0, 1, 10, White);
        Canvas shown;
        zoomCanvas(src, c.level, shown);
        EXPECT_EQ(shown.width(), c.shownWidth) << c.level;
        const std::vector<int> runs = whiteRuns(shown, 7);
        EXPECT_EQ(runs.size(), 13u) << c.level;  // every line is still there, none merged with another
        for (int w : runs) EXPECT_TRUE(w == 1 || w == 2) << c.level << ": " << w;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const Rgb p = shown.pixel(x, y);
                ASSERT_TRUE(p == White || p == Black) << c.level << " " << x << "," << y;
            }
        for (int x = 0; x < 5; ++x) {
            Canvas dot(8, 1, Black);
            dot.setPixel(x, 0, White);
            zoomCanvas(dot, c.level, shown);
            EXPECT_EQ(whiteRuns(shown, 0), std::vector<int>{c.runs[static_cast<size_t>(x)]}) << c.level << " x " << x;
        }
    }
}

TEST(ZoomScale, TheMouseMapsBackToThePixelShownUnderIt) {
    const Canvas src = pattern(50, 30);
    for (int level : ZoomLevels) {
        Canvas shown;
        zoomCanvas(src, level, shown);
        for (int x = 0; x < shown.width(); ++x) {
            ASSERT_EQ(shown.pixel(x, 5), src.pixel(unzoomed(x, level), unzoomed(5, level))) << level << " x " << x;
        }
    }
    EXPECT_EQ(unzoomed(2, 150), 1);
    EXPECT_EQ(unzoomed(452, 200), 226);
    EXPECT_EQ(unzoomed(-1, 200), -1);  // left of the window: still left of the panel
    EXPECT_EQ(unzoomed(-3, 300), -1);
    EXPECT_EQ(unzoomed(-4, 300), -2);
    EXPECT_EQ(zoomedLength(1336, 150), 2004);
    EXPECT_EQ(zoomedLength(722, 150), 1083);
    EXPECT_EQ(zoomedLength(3, 150), 5);
    EXPECT_EQ(zoomedLength(1336, 125), 1670);
    EXPECT_EQ(zoomedLength(722, 125), 903);
    EXPECT_EQ(unzoomed(5, 125), 4);
}

TEST(ZoomScale, ADamagedRectangleBecomesExactlyTheScreenPixelsShowingIt) {
    for (int level : ZoomLevels) {
        for (int x0 = 0; x0 < 7; ++x0) {
            for (int w0 = 1; w0 < 6; ++w0) {
                int x = x0, y = x0, w = w0, h = w0;
                zoomedRect(x, y, w, h, level);
                // Every screen pixel inside shows a canvas pixel inside, the ones beside it do not.
                for (int sx = x - 1; sx <= x + w; ++sx) {
                    const int c = unzoomed(sx, level);
                    const bool inside = sx >= x && sx < x + w;
                    ASSERT_EQ(c >= x0 && c < x0 + w0, inside) << level << " " << x0 << " " << w0 << " " << sx;
                }
            }
        }
    }
}

TEST(ZoomScale, ARegionBeyondTheCanvasIsBlack) {
    const Canvas src = pattern(10, 10);
    std::vector<uint8_t> out(6 * 3 * 2, 0x55);
    zoomRegion(src, 200, 17, 18, 6, 2, out.data(), 6 * 3);  // screen columns 17..22: canvas 8, 9, 9, beyond
    EXPECT_EQ(Rgb({out[0], out[1], out[2]}), src.pixel(8, 9));
    EXPECT_EQ(Rgb({out[3], out[4], out[5]}), src.pixel(9, 9));
    EXPECT_EQ(Rgb({out[6], out[7], out[8]}), src.pixel(9, 9));
    for (size_t i = 9; i < 18; ++i) EXPECT_EQ(out[i], 0) << i;
    for (size_t i = 18 + 9; i < out.size(); ++i) EXPECT_EQ(out[i], 0) << i;  // screen row 19 shows canvas row 9 too
}

}  // namespace
