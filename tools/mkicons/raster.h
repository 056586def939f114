// raster.h - the shapes of an icon and their anti-aliased drawing.
//
// A Picture is a list of filled shapes in pixel coordinates (0,0 is the top-left corner of the
// top-left pixel, a pixel is one unit), painted in order, each over the ones before it. render()
// samples every pixel on a regular grid of sub-pixels and averages them, so an edge gets the
// share of the pixel it covers: the alpha channel falls out of the same sums.
//
// The result must be the same bytes on every run and in every build of the tests (optimised or
// not): only +, -, *, / and comparisons touch the geometry while sampling, and the sums are
// integers. The one place a library function could round differently, sine and cosine, goes
// through onCircle(), which rounds its result to a fixed step.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/canvas.h"

struct Point {
    double x = 0, y = 0;
};

// The point at `radius` from (cx, cy) in the direction `degrees`, measured clockwise from
// straight up (12 o'clock), as a knob's scale is read.
Point onCircle(double cx, double cy, double radius, double degrees);

// How a shape is filled: one colour, or a linear blend from `from` at point p0 to `to` at p1
// (constant beyond either end). `alpha` makes the whole shape translucent.
struct Paint {
    Rgb from, to;
    Point p0, p1;
    uint8_t alpha = 255;

    static Paint solid(Rgb colour, uint8_t alpha = 255) { return Paint{colour, colour, {}, {}, alpha}; }
    static Paint blend(Rgb from, Rgb to, Point p0, Point p1) { return Paint{from, to, p0, p1, 255}; }
};

class Picture {
   public:
    explicit Picture(int size) : Size(size) {}
    int size() const { return Size; }

    void circle(Point centre, double radius, const Paint& paint);
    // The box x0..x1, y0..y1 with its corners rounded to `radius` (0: square corners).
    void roundRect(double x0, double y0, double x1, double y1, double radius, const Paint& paint);
    // All points within halfWidth of the segment a-b: a stroke with round ends.
    void capsule(Point a, Point b, double halfWidth, const Paint& paint);
    // A convex polygon, its corners in either order around it.
    void polygon(const std::vector<Point>& corners, const Paint& paint);
    // A straight bar from a to b, 2 * halfWidth wide, cut square at both ends.
    void bar(Point a, Point b, double halfWidth, const Paint& paint);

    // Draws the picture on a transparent background, samplesPerAxis^2 samples a pixel. The
    // colours go to `colour` (size x size) and the coverage to `alpha`, one byte a pixel, row
    // by row; a pixel nothing touches is black and transparent.
    void render(int samplesPerAxis, Canvas& colour, std::vector<uint8_t>& alpha) const;

   private:
    enum class Kind { Circle, RoundRect, Capsule, Polygon };
    struct Shape {
        Kind kind;
        std::vector<Point> points;  // Circle: centre; RoundRect: two corners; Capsule: ends; Polygon: corners
        double radius = 0;
        Paint paint;
        double minX, minY, maxX, maxY;  // the bounding box, to skip samples quickly
        bool contains(double x, double y) const;
    };
    void add(Shape shape);

    int Size;
    std::vector<Shape> Shapes;
};
