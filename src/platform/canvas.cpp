// canvas.cpp - the portable drawing surface: clipping, primitives and damage tracking.
#include "platform/canvas.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace canvas_font {
extern const uint8_t Glyphs[224][13];
}

namespace {

// Writes `count` pixels of `colour` from `dest` on.
void fillPixels(uint8_t* dest, size_t count, Rgb colour) {
    if (count == 0) return;
    if (colour.r == colour.g && colour.g == colour.b) {
        std::memset(dest, colour.r, count * 3);
        return;
    }
    dest[0] = colour.r;
    dest[1] = colour.g;
    dest[2] = colour.b;
    size_t done = 1;
    while (done < count) {
        const size_t n = std::min(done, count - done);
        std::memcpy(dest + done * 3, dest, n * 3);
        done += n;
    }
}

// floor((a * b + c) / d) and its remainder, exactly, for a, b, c, d below 2^36, d > 0 and a
// quotient below 2^40, without a 128-bit type: a double gives the quotient to within one, and the remainder of
// that estimate is small enough to be computed exactly in wrapping 64-bit arithmetic.
void mulAddDiv(uint64_t a, uint64_t b, uint64_t c, uint64_t d, int64_t& quotient, int64_t& remainder) {
    const double estimate =
        (static_cast<double>(a) * static_cast<double>(b) + static_cast<double>(c)) / static_cast<double>(d);
    int64_t q = static_cast<int64_t>(std::floor(estimate));
    if (q < 0) q = 0;
    const uint64_t wrapped = a * b + c - static_cast<uint64_t>(q) * d;
    int64_t r = static_cast<int64_t>(wrapped);
    const int64_t divisor = static_cast<int64_t>(d);
    while (r < 0) {
        --q;
        r += divisor;
    }
    while (r >= divisor) {
        ++q;
        r -= divisor;
    }
    quotient = q;
    remainder = r;
}

// The points of a Bresenham line, numbered i = 0..n from the first end to the second. The
// major axis (x when |dx| >= |dy|) advances by one per point; the minor axis has advanced
// by k(i) = floor((2*i*m + n - 1) / (2*n)) after i points, m being the minor length: the
// minor coordinate steps when the true line passes strictly beyond the midpoint, so a tie
// stays on the side of the first end, as the classic decision-variable loop does.
// Everything is exact for coordinates up to 2^33 in size, so any part of a line can be
// produced without walking it from its start.
struct LinePoints {
    int64_t majorStart = 0, minorStart = 0;
    int64_t majorStep = 1, minorStep = 1;
    int64_t n = 0, m = 0;
    bool xMajor = true;

    LinePoints(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
        const int64_t adx = x2 >= x1 ? x2 - x1 : x1 - x2;
        const int64_t ady = y2 >= y1 ? y2 - y1 : y1 - y2;
        const int64_t sx = x2 >= x1 ? 1 : -1;
        const int64_t sy = y2 >= y1 ? 1 : -1;
        xMajor = adx >= ady;
        if (xMajor) {
            majorStart = x1, minorStart = y1, majorStep = sx, minorStep = sy, n = adx, m = ady;
        } else {
            majorStart = y1, minorStart = x1, majorStep = sy, minorStep = sx, n = ady, m = adx;
        }
    }

    // k(i) and the remainder of its division, for stepping on from point i.
    void minorAt(int64_t i, int64_t& k, int64_t& remainder) const {
        if (m == 0) {
            k = 0;
            remainder = n > 0 ? n - 1 : 0;
            return;
        }
        mulAddDiv(static_cast<uint64_t>(i), static_cast<uint64_t>(2 * m), static_cast<uint64_t>(n - 1),
                  static_cast<uint64_t>(2 * n), k, remainder);
    }

    int64_t minorAt(int64_t i) const {
        int64_t k, remainder;
        minorAt(i, k, remainder);
        return k;
    }

    // The first point with k(i) >= target; n + 1 when there is none.
    int64_t firstWithMinor(int64_t target) const {
        if (target <= 0) return 0;
        if (target > m) return n + 1;
        // 2*i*m + n - 1 >= 2*n*target  <=>  i >= (n*(2*target - 1) + 1) / (2*m)
        int64_t i, remainder;
        mulAddDiv(static_cast<uint64_t>(n), static_cast<uint64_t>(2 * target - 1), static_cast<uint64_t>(2 * m),
                  static_cast<uint64_t>(2 * m), i, remainder);
        return i;
    }

    int64_t x(int64_t i) const { return xMajor ? majorStart + majorStep * i : minorStart + minorStep * minorAt(i); }
    int64_t y(int64_t i) const { return xMajor ? minorStart + minorStep * minorAt(i) : majorStart + majorStep * i; }

    // The points whose x (onX) or y coordinate lies in lo..hi: always a run of consecutive
    // points, since both coordinates move monotonically. False when there are none.
    bool pointsWithin(bool onX, int64_t lo, int64_t hi, int64_t& first, int64_t& last) const {
        const bool major = onX == xMajor;
        const int64_t start = major ? majorStart : minorStart;
        const int64_t step = major ? majorStep : minorStep;
        int64_t tLo = step > 0 ? lo - start : start - hi;
        int64_t tHi = step > 0 ? hi - start : start - lo;
        tLo = std::max<int64_t>(tLo, 0);
        tHi = std::min<int64_t>(tHi, major ? n : m);
        if (tLo > tHi) return false;
        if (major) {
            first = tLo;
            last = tHi;
        } else {
            first = firstWithMinor(tLo);
            last = firstWithMinor(tHi + 1) - 1;
        }
        return first <= last;
    }
};

}  // namespace

Canvas::Canvas(int width, int height, Rgb fill) { resize(width, height, fill); }

void Canvas::resize(int width, int height, Rgb fill) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    // Allocate first: if that throws, the canvas keeps its old size and pixels together.
    std::vector<uint8_t> pixels(count * 3);
    fillPixels(pixels.data(), count, fill);
    Pixels.swap(pixels);
    Width = width;
    Height = height;
    DamageX1 = DamageY1 = 0;
    DamageX2 = DamageY2 = -1;
    addDamage(0, 0, Width, Height);
}

Rgb Canvas::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width || y >= Height) return Rgb{};
    const uint8_t* p = Pixels.data() + (static_cast<size_t>(y) * Width + x) * 3;
    return Rgb{p[0], p[1], p[2]};
}

void Canvas::setPixel(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= Width || y >= Height) return;
    uint8_t* p = Pixels.data() + (static_cast<size_t>(y) * Width + x) * 3;
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
    addDamage(x, y, 1, 1);
}

void Canvas::addDamage(int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return;
    const int x2 = x + w - 1, y2 = y + h - 1;
    if (DamageX2 < DamageX1) {
        DamageX1 = x, DamageY1 = y, DamageX2 = x2, DamageY2 = y2;
        return;
    }
    DamageX1 = std::min(DamageX1, x);
    DamageY1 = std::min(DamageY1, y);
    DamageX2 = std::max(DamageX2, x2);
    DamageY2 = std::max(DamageY2, y2);
}

bool Canvas::takeDamage(int& x, int& y, int& w, int& h) {
    if (DamageX2 < DamageX1 || DamageY2 < DamageY1) {
        x = y = w = h = 0;
        return false;
    }
    x = DamageX1;
    y = DamageY1;
    w = DamageX2 - DamageX1 + 1;
    h = DamageY2 - DamageY1 + 1;
    DamageX1 = DamageY1 = 0;
    DamageX2 = DamageY2 = -1;
    return true;
}

void Canvas::fillClipped(int64_t x1, int64_t y1, int64_t x2, int64_t y2, Rgb colour) {
    x1 = std::max<int64_t>(x1, 0);
    y1 = std::max<int64_t>(y1, 0);
    x2 = std::min<int64_t>(x2, Width - 1);
    y2 = std::min<int64_t>(y2, Height - 1);
    if (x1 > x2 || y1 > y2) return;
    const size_t stride = static_cast<size_t>(Width) * 3;
    const size_t span = static_cast<size_t>(x2 - x1 + 1);
    uint8_t* first = Pixels.data() + static_cast<size_t>(y1) * stride + static_cast<size_t>(x1) * 3;
    fillPixels(first, span, colour);
    for (int64_t y = y1 + 1; y <= y2; ++y) std::memcpy(first + static_cast<size_t>(y - y1) * stride, first, span * 3);
    addDamage(static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2 - x1 + 1), static_cast<int>(y2 - y1 + 1));
}

void Canvas::fillBox(int x, int y, int w, int h, Rgb colour) {
    if (w <= 0 || h <= 0) return;
    fillClipped(x, y, static_cast<int64_t>(x) + w - 1, static_cast<int64_t>(y) + h - 1, colour);
}

void Canvas::line(int x1, int y1, int x2, int y2, int penWidth, Rgb colour) {
    drawLine(x1, y1, x2, y2, penWidth, colour);
}

// Only the points whose pen square reaches the canvas are produced, found exactly from the
// line's equation, so a line of any length costs what its visible part costs. Runs of points
// on one row or column are filled as one rectangle. When the pen is so wide that even the
// reaching points are too many to visit, the line is filled row by row instead: the squares
// that cover a row belong to consecutive points, whose x coordinates differ by at most one
// from point to point, so together they cover one span.
void Canvas::drawLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int penWidth, Rgb colour) {
    if (Width <= 0 || Height <= 0) return;
    const int64_t pen = std::max(penWidth, 1);
    const int64_t off = (pen - 1) / 2;  // the square of point p covers p - off .. p - off + pen - 1
    const LinePoints line(x1, y1, x2, y2);

    int64_t first, last, yFirst, yLast;
    if (!line.pointsWithin(true, off - pen + 1, Width - 1 + off, first, last) ||
        !line.pointsWithin(false, off - pen + 1, Height - 1 + off, yFirst, yLast))
        return;
    first = std::max(first, yFirst);
    last = std::min(last, yLast);
    if (first > last) return;

    const auto fillRun = [&](int64_t a, int64_t b, int64_t k) {
        const int64_t majorA = line.majorStart + line.majorStep * a;
        const int64_t majorB = line.majorStart + line.majorStep * b;
        const int64_t majorLo = std::min(majorA, majorB) - off, majorHi = std::max(majorA, majorB) - off + pen - 1;
        const int64_t minorLo = line.minorStart + line.minorStep * k - off, minorHi = minorLo + pen - 1;
        if (line.xMajor)
            fillClipped(majorLo, minorLo, majorHi, minorHi, colour);
        else
            fillClipped(minorLo, majorLo, minorHi, majorHi, colour);
    };

    const int64_t walkLimit = 2 * (static_cast<int64_t>(Width) + Height) + 64;
    if (last - first < walkLimit) {
        int64_t k, remainder;
        line.minorAt(first, k, remainder);
        int64_t runStart = first;
        for (int64_t i = first; i < last; ++i) {
            remainder += 2 * line.m;
            if (remainder >= 2 * line.n) {
                remainder -= 2 * line.n;
                fillRun(runStart, i, k);
                runStart = i + 1;
                ++k;
            }
        }
        fillRun(runStart, last, k);
        return;
    }

    const int64_t ya = line.y(first), yb = line.y(last);
    const int64_t rowLo = std::max<int64_t>(std::min(ya, yb) - off, 0);
    const int64_t rowHi = std::min<int64_t>(std::max(ya, yb) - off + pen - 1, Height - 1);
    for (int64_t row = rowLo; row <= rowHi; ++row) {
        int64_t a, b;
        if (!line.pointsWithin(false, row + off - pen + 1, row + off, a, b)) continue;
        a = std::max(a, first);
        b = std::min(b, last);
        if (a > b) continue;
        const int64_t xa = line.x(a), xb = line.x(b);
        fillClipped(std::min(xa, xb) - off, row, std::max(xa, xb) - off + pen - 1, row, colour);
    }
}

void Canvas::rectangle(int x, int y, int w, int h, int penWidth, Rgb colour) {
    const int64_t left = x, top = y;
    const int64_t right = left + w, bottom = top + h;
    drawLine(left, top, right, top, penWidth, colour);
    drawLine(right, top, right, bottom, penWidth, colour);
    drawLine(right, bottom, left, bottom, penWidth, colour);
    drawLine(left, bottom, left, top, penWidth, colour);
}

void Canvas::copyFrom(const Canvas& source, int srcX, int srcY, int w, int h, int destX, int destY) {
    int64_t sx = srcX, sy = srcY, dx = destX, dy = destY, cw = w, ch = h;
    if (sx < 0) {
        dx -= sx, cw += sx, sx = 0;
    }
    if (sy < 0) {
        dy -= sy, ch += sy, sy = 0;
    }
    if (dx < 0) {
        sx -= dx, cw += dx, dx = 0;
    }
    if (dy < 0) {
        sy -= dy, ch += dy, dy = 0;
    }
    cw = std::min({cw, static_cast<int64_t>(source.Width) - sx, static_cast<int64_t>(Width) - dx});
    ch = std::min({ch, static_cast<int64_t>(source.Height) - sy, static_cast<int64_t>(Height) - dy});
    if (cw <= 0 || ch <= 0) return;

    const size_t srcStride = static_cast<size_t>(source.Width) * 3;
    const size_t destStride = static_cast<size_t>(Width) * 3;
    const size_t bytes = static_cast<size_t>(cw) * 3;
    const uint8_t* from = source.Pixels.data() + static_cast<size_t>(sy) * srcStride + static_cast<size_t>(sx) * 3;
    uint8_t* to = Pixels.data() + static_cast<size_t>(dy) * destStride + static_cast<size_t>(dx) * 3;
    // Copying within one canvas may overlap: go bottom-up when moving down, and memmove
    // takes care of rows overlapping sideways.
    if (&source == this && dy > sy) {
        for (int64_t row = ch - 1; row >= 0; --row)
            std::memmove(to + static_cast<size_t>(row) * destStride, from + static_cast<size_t>(row) * srcStride,
                         bytes);
    } else {
        for (int64_t row = 0; row < ch; ++row)
            std::memmove(to + static_cast<size_t>(row) * destStride, from + static_cast<size_t>(row) * srcStride,
                         bytes);
    }
    addDamage(static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(cw), static_cast<int>(ch));
}

int Canvas::drawText(int x, int y, const std::string& text, Rgb foreground, Rgb background) {
    const int64_t count = static_cast<int64_t>(text.size());
    const int64_t end = static_cast<int64_t>(x) + count * TextCharWidth;

    const int64_t rowLo = std::max<int64_t>(y, 0);
    const int64_t rowHi = std::min<int64_t>(static_cast<int64_t>(y) + TextLineHeight - 1, Height - 1);
    if (count > 0 && rowLo <= rowHi && end > 0 && x < Width) {
        // Only the cells that reach the canvas: cell i covers x + 8i .. x + 8i + 7.
        const int64_t firstCell = x < 0 ? -static_cast<int64_t>(x) / TextCharWidth : 0;
        const int64_t lastCell = std::min<int64_t>(count - 1, (static_cast<int64_t>(Width) - 1 - x) / TextCharWidth);
        const int64_t colLo = std::max<int64_t>(static_cast<int64_t>(x) + firstCell * TextCharWidth, 0);
        const int64_t colHi =
            std::min<int64_t>(static_cast<int64_t>(x) + lastCell * TextCharWidth + TextCharWidth - 1, Width - 1);
        for (int64_t row = rowLo; row <= rowHi; ++row) {
            const int64_t glyphRow = row - y - 1;  // the glyph fills cell rows 1..13
            uint8_t* p = Pixels.data() + (static_cast<size_t>(row) * Width + static_cast<size_t>(colLo)) * 3;
            for (int64_t col = colLo; col <= colHi; ++col, p += 3) {
                const int64_t offset = col - x;
                const unsigned char c = static_cast<unsigned char>(text[static_cast<size_t>(offset / TextCharWidth)]);
                uint8_t bits = 0;
                if (c >= 32 && glyphRow >= 0 && glyphRow < 13) bits = canvas_font::Glyphs[c - 32][glyphRow];
                const Rgb& colour = (bits & (0x80 >> (offset % TextCharWidth))) ? foreground : background;
                p[0] = colour.r;
                p[1] = colour.g;
                p[2] = colour.b;
            }
        }
        addDamage(static_cast<int>(colLo), static_cast<int>(rowLo), static_cast<int>(colHi - colLo + 1),
                  static_cast<int>(rowHi - rowLo + 1));
    }
    return static_cast<int>(std::clamp<int64_t>(end, INT_MIN, INT_MAX));
}
