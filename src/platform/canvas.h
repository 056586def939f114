// canvas.h - the portable drawing surface of both programs.
//
// A Canvas is an RGB framebuffer (3 bytes per pixel, rows top to bottom, no padding).
// Every pixel the programs show is drawn into a Canvas by portable code; a platform
// backend only presents it (fl_draw_image, SetDIBitsToDevice) or, in the simulation,
// keeps it for PNG snapshots. So a picture is the same on every target and tests can
// read pixels.
//
// All drawing clips silently to the canvas: coordinates may lie anywhere.
//
// Primitives and their exact pixel rules:
//   fillBox(x, y, w, h)        the pixels x..x+w-1, y..y+h-1 (nothing when w or h <= 0)
//   line(x1, y1, x2, y2, pen)  Bresenham from (x1,y1) to (x2,y2), both ends included; a pen
//                              wider than 1 stamps a pen x pen square at every point, its
//                              top-left at (px - (pen-1)/2, py - (pen-1)/2); pen <= 1 is 1 pixel
//   rectangle(x, y, w, h, pen) the outline as four lines (x,y)-(x+w,y)-(x+w,y+h)-(x,y+h)-(x,y)
//   copyFrom(src, ...)         a block copy of a sub-image of another canvas (clipped at both)
//   drawText(x, y, text)       the built-in text font ("the window's standard text font"):
//                              every byte is a cell TextCharWidth wide and TextLineHeight high
//                              with its top-left at (x + 8*i, y), filled with the background;
//                              the 8 x 13 glyph sits in rows 1..13 of the cell. Codes below 32
//                              draw as an empty cell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

class Canvas {
public:
    static constexpr int TextCharWidth = 8;
    static constexpr int TextLineHeight = 16;

    Canvas() = default;
    Canvas(int width, int height, Rgb fill = Rgb{});

    // Gives the canvas a new size; every pixel becomes `fill`.
    void resize(int width, int height, Rgb fill = Rgb{});

    int width() const { return Width; }
    int height() const { return Height; }

    // The pixel at (x, y); black outside the canvas.
    Rgb pixel(int x, int y) const;
    void setPixel(int x, int y, Rgb colour);

    void clear(Rgb colour) { fillBox(0, 0, Width, Height, colour); }
    void fillBox(int x, int y, int w, int h, Rgb colour);
    void line(int x1, int y1, int x2, int y2, int penWidth, Rgb colour);
    void rectangle(int x, int y, int w, int h, int penWidth, Rgb colour);

    // Copies the w x h block at (srcX, srcY) of `source` to (destX, destY) of this canvas.
    void copyFrom(const Canvas& source, int srcX, int srcY, int w, int h, int destX, int destY);

    // Draws text in the built-in font; returns the x just right of the last cell.
    int drawText(int x, int y, const std::string& text, Rgb foreground, Rgb background);

    // The raw RGB bytes, Width * Height * 3, row by row.
    const uint8_t* data() const { return Pixels.data(); }
    uint8_t* data() { return Pixels.data(); }

    // A damage rectangle: the union of everything drawn since the last takeDamage().
    // Backends use it to present only what changed. Returns false when nothing was drawn.
    bool takeDamage(int& x, int& y, int& w, int& h);

private:
    void addDamage(int x, int y, int w, int h);
    // Fills the pixels x1..x2, y1..y2 (inclusive, any values) that lie on the canvas.
    void fillClipped(int64_t x1, int64_t y1, int64_t x2, int64_t y2, Rgb colour);
    // line() on 64-bit coordinates, so rectangle() can pass x + w without overflow.
    void drawLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int penWidth, Rgb colour);

    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;
    int DamageX1 = 0, DamageY1 = 0, DamageX2 = -1, DamageY2 = -1;  // inclusive; empty when X2 < X1
};
