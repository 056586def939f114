// icons.cpp - the drawings. Every length is a share of the icon's size, except where a small
// size needs whole pixels to stay sharp.
#include "icons.h"

#include <algorithm>
#include <cmath>

namespace {

const Rgb PanelTop{64, 72, 86}, PanelBottom{34, 38, 46};
const Rgb Scale{214, 220, 229};
const Rgb Skirt{30, 32, 37}, SkirtShade{12, 13, 15}, Rim{92, 97, 108};
const Rgb CapLight{128, 134, 145}, CapDark{56, 60, 68};
const Rgb Pointer{255, 152, 32};
const Rgb Black{0, 0, 0};
const Rgb PinLight{214, 218, 224}, PinDark{150, 155, 163};
const Rgb BodyTop{62, 66, 74}, BodyBottom{28, 30, 35}, BodyMark{86, 91, 101}, BodyEdge{98, 104, 116};
const Rgb ArrowLight{110, 230, 120}, ArrowDark{40, 178, 74}, ArrowEdge{20, 60, 30};

}  // namespace

Picture knobIcon(int size) {
    const double s = size;
    Picture p(size);
    const bool small = size <= 32;

    // The piece of panel, its corners round enough that the corner pixels stay clear.
    const double margin = small ? 0 : s / 32;
    const double corner = std::max(3.5, s * 0.2);
    p.roundRect(margin, margin, s - margin, s - margin, corner,
                Paint::blend(PanelTop, PanelBottom, {0, margin}, {0, s - margin}));

    // The scale: 270 degrees, from 7:30 to 4:30 o'clock, as a synthesizer's pots are marked.
    const Point c{s / 2, s / 2};
    // Small sizes get fewer marks, as squares on whole pixels: a thin slanted bar would only
    // blur there.
    const int ticks = size <= 16 ? 5 : (small ? 7 : 11);
    for (int i = 0; i < ticks; ++i) {
        const double angle = -135.0 + 270.0 * i / (ticks - 1);
        if (small) {
            const double side = 2;
            const Point m = onCircle(c.x, c.y, s * 0.41, angle);
            const double x = std::round(m.x - side / 2), y = std::round(m.y - side / 2);
            p.roundRect(x, y, x + side, y + side, 0, Paint::solid(Scale));
        } else {
            p.bar(onCircle(c.x, c.y, s * 0.375, angle), onCircle(c.x, c.y, s * 0.45, angle), s * 0.014,
                  Paint::solid(Scale));
        }
    }

    // The knob: its shadow on the panel, the skirt, the cap lit from the top left, the pointer.
    if (!small) p.circle({c.x, c.y + s * 0.025}, s * 0.31, Paint::solid(Black, 90));
    if (!small) p.circle(c, s * 0.30, Paint::blend(Rim, SkirtShade, {c.x, c.y - s * 0.3}, {c.x, c.y}));
    p.circle(c, small ? s * 0.30 : s * 0.292,
             Paint::blend(Skirt, SkirtShade, {c.x, c.y - s * 0.3}, {c.x, c.y + s * 0.3}));
    p.circle(c, s * 0.25,
             Paint::blend(CapLight, CapDark, {c.x - s * 0.18, c.y - s * 0.18}, {c.x + s * 0.18, c.y + s * 0.18}));
    const double value = 45;  // the pointer's angle: a little past the middle
    const double pointerHalf = small ? std::max(1.0, s * 0.04) : s * 0.03;
    p.capsule(onCircle(c.x, c.y, s * 0.05, value), onCircle(c.x, c.y, s * 0.235, value), pointerHalf,
              Paint::solid(Pointer));
    return p;
}

namespace {

// Where the chip's parts lie, in 32ths of the icon (the 32 px icon's pixels) or, for the
// 16 px icon, in its own pixels: halving the 32 px layout would put edges on half pixels.
struct ChipLayout {
    double grid;  // layout units across the icon
    double bodyX0, bodyX1, bodyY0, bodyY1;
    int pins;
    // The left pins run from pinX0 to just under the body; the right ones mirror them.
    double pinY, pinHeight, pinPitch, pinX0;
    double shaftX0, shaftX1, shaftY0, headY, headX0, headX1;
};

ChipLayout chipLayout(int size) {
    if (size <= 16) return {16, 4, 12, 6, 16, 3, 7, 2, 3, 1, 7, 9, 0, 3, 4, 12};
    return {32, 7, 25, 10, 31, 4, 12, 3, 5, 3, 14, 18, 1, 7, 9, 23};
}

}  // namespace

Picture chipIcon(int size) {
    const double s = size;
    Picture p(size);
    const ChipLayout l = chipLayout(size);
    const bool small = size <= 32;
    // Up to 64 px every edge lies on a whole pixel, rounded away from the middle line so that
    // the picture stays symmetric.
    const bool snap = size <= 64;
    auto at = [&](double v) { return snap ? std::round(v * s / l.grid) : v * s / l.grid; };
    auto atX = [&](double v) { return v <= l.grid / 2 ? at(v) : s - at(l.grid - v); };
    const double round = small ? 0 : s * 0.012;  // corner radius of a pin

    // The pins, drawn first so that the body covers their inner ends.
    for (int i = 0; i < l.pins; ++i) {
        const double y0 = at(l.pinY + l.pinPitch * i), y1 = y0 + at(l.pinHeight);
        const Paint metal = Paint::blend(PinLight, PinDark, {0, y0}, {0, y1});
        p.roundRect(atX(l.pinX0), y0, atX(l.bodyX0 + 1), y1, round, metal);
        p.roundRect(atX(l.grid - l.bodyX0 - 1), y0, atX(l.grid - l.pinX0), y1, round, metal);
    }

    // The body, lit from above, and at larger sizes the dot that marks pin 1.
    const double x0 = atX(l.bodyX0), x1 = atX(l.bodyX1), y0 = at(l.bodyY0), y1 = at(l.bodyY1);
    if (!small) p.roundRect(x0, y0 + s * 0.02, x1, y1 + s * 0.02, s * 0.05, Paint::solid(Black, 70));
    const double bodyRound = small ? 1 : s * 0.035;
    if (size >= 64) p.roundRect(x0, y0, x1, y1, bodyRound, Paint::solid(BodyEdge));  // a lit top edge
    p.roundRect(x0, y0 + (size >= 64 ? s * 0.012 : 0), x1, y1, bodyRound,
                Paint::blend(BodyTop, BodyBottom, {0, y0}, {0, y1}));
    if (size >= 48) p.circle({x0 + s * 0.08, y1 - s * 0.08}, s * 0.03, Paint::solid(BodyMark));

    // The arrow: firmware going in from above, its head on the body.
    const double shaftX0 = atX(l.shaftX0), shaftX1 = atX(l.shaftX1), shaftY0 = at(l.shaftY0), headY = at(l.headY);
    const double headX0 = atX(l.headX0), headX1 = atX(l.headX1), tipY = headY + (headX1 - headX0) / 2;
    const std::vector<Point> head{{headX0, headY}, {headX1, headY}, {(headX0 + headX1) / 2, tipY}};
    if (size >= 48) {
        // A dark edge keeps the arrow apart from a light background.
        const double edge = s * 0.022;
        p.roundRect(shaftX0 - edge, shaftY0 - edge, shaftX1 + edge, headY + edge, edge, Paint::solid(ArrowEdge));
        p.polygon(head, Paint::solid(ArrowEdge));
        for (size_t i = 0; i < head.size(); ++i)
            p.capsule(head[i], head[(i + 1) % head.size()], edge, Paint::solid(ArrowEdge));
    }
    const Paint arrow = Paint::blend(ArrowLight, ArrowDark, {0, shaftY0}, {0, tipY});
    p.roundRect(shaftX0, shaftY0, shaftX1, headY + 1, 0, arrow);
    p.polygon(head, arrow);
    return p;
}
