// raster.cpp - shapes by point-in-shape tests, sampled on a sub-pixel grid.
#include "raster.h"

#include <algorithm>
#include <cmath>

namespace {

// Sine and cosine are rounded to this step, so that a last-bit difference between the
// compiler's constant folding and the library at run time cannot move a sample across an edge.
constexpr double TrigStep = 1.0 / 1048576.0;

double quantised(double v) { return std::round(v / TrigStep) * TrigStep; }

double clamp01(double t) { return t < 0 ? 0 : (t > 1 ? 1 : t); }

uint8_t mix(uint8_t from, uint8_t to, double t) {
    const double v = from + (static_cast<double>(to) - from) * t;
    return static_cast<uint8_t>(std::floor(v + 0.5));
}

Rgb colourAt(const Paint& paint, double x, double y) {
    if (paint.from == paint.to) return paint.from;
    const double dx = paint.p1.x - paint.p0.x, dy = paint.p1.y - paint.p0.y;
    const double length2 = dx * dx + dy * dy;
    const double t = length2 > 0 ? clamp01(((x - paint.p0.x) * dx + (y - paint.p0.y) * dy) / length2) : 0;
    return Rgb{mix(paint.from.r, paint.to.r, t), mix(paint.from.g, paint.to.g, t), mix(paint.from.b, paint.to.b, t)};
}

}  // namespace

Point onCircle(double cx, double cy, double radius, double degrees) {
    const double radians = degrees * (3.14159265358979323846 / 180.0);
    return Point{cx + radius * quantised(std::sin(radians)), cy - radius * quantised(std::cos(radians))};
}

bool Picture::Shape::contains(double x, double y) const {
    if (x < minX || x > maxX || y < minY || y > maxY) return false;
    switch (kind) {
        case Kind::Circle: {
            const double dx = x - points[0].x, dy = y - points[0].y;
            return dx * dx + dy * dy < radius * radius;
        }
        case Kind::RoundRect: {
            // Inside the box (the bounding box test above) and within radius of its inner box.
            const double cx = std::clamp(x, points[0].x + radius, points[1].x - radius);
            const double cy = std::clamp(y, points[0].y + radius, points[1].y - radius);
            const double dx = x - cx, dy = y - cy;
            return dx * dx + dy * dy <= radius * radius;
        }
        case Kind::Capsule: {
            const Point a = points[0], b = points[1];
            const double ex = b.x - a.x, ey = b.y - a.y;
            const double length2 = ex * ex + ey * ey;
            const double t = length2 > 0 ? clamp01(((x - a.x) * ex + (y - a.y) * ey) / length2) : 0;
            const double dx = x - (a.x + t * ex), dy = y - (a.y + t * ey);
            return dx * dx + dy * dy < radius * radius;
        }
        case Kind::Polygon:
            // The corners run so that every inside point lies left of each edge (cross product > 0).
            for (size_t i = 0; i < points.size(); ++i) {
                const Point a = points[i], b = points[(i + 1) % points.size()];
                if ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x) <= 0) return false;
            }
            return true;
    }
    return false;
}

void Picture::add(Shape shape) { Shapes.push_back(std::move(shape)); }

void Picture::circle(Point centre, double radius, const Paint& paint) {
    add(Shape{Kind::Circle,
              {centre},
              radius,
              paint,
              centre.x - radius,
              centre.y - radius,
              centre.x + radius,
              centre.y + radius});
}

void Picture::roundRect(double x0, double y0, double x1, double y1, double radius, const Paint& paint) {
    radius = std::min({radius, (x1 - x0) / 2, (y1 - y0) / 2});
    add(Shape{Kind::RoundRect, {{x0, y0}, {x1, y1}}, radius, paint, x0, y0, x1, y1});
}

void Picture::capsule(Point a, Point b, double halfWidth, const Paint& paint) {
    add(Shape{Kind::Capsule,
              {a, b},
              halfWidth,
              paint,
              std::min(a.x, b.x) - halfWidth,
              std::min(a.y, b.y) - halfWidth,
              std::max(a.x, b.x) + halfWidth,
              std::max(a.y, b.y) + halfWidth});
}

void Picture::polygon(const std::vector<Point>& corners, const Paint& paint) {
    if (corners.size() < 3) return;
    std::vector<Point> points = corners;
    double twiceArea = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const Point a = points[i], b = points[(i + 1) % points.size()];
        twiceArea += a.x * b.y - b.x * a.y;
    }
    if (twiceArea < 0) std::reverse(points.begin(), points.end());
    Shape shape{Kind::Polygon, points, 0, paint, points[0].x, points[0].y, points[0].x, points[0].y};
    for (const Point& p : points) {
        shape.minX = std::min(shape.minX, p.x);
        shape.minY = std::min(shape.minY, p.y);
        shape.maxX = std::max(shape.maxX, p.x);
        shape.maxY = std::max(shape.maxY, p.y);
    }
    add(std::move(shape));
}

void Picture::bar(Point a, Point b, double halfWidth, const Paint& paint) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length <= 0) return;
    const double nx = -dy / length * halfWidth, ny = dx / length * halfWidth;
    polygon({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}}, paint);
}

void Picture::render(int samplesPerAxis, Canvas& colour, std::vector<uint8_t>& alpha) const {
    const int n = std::max(1, samplesPerAxis);
    colour.resize(Size, Size);
    alpha.assign(static_cast<size_t>(Size) * Size, 0);
    std::vector<const Shape*> here;
    for (int py = 0; py < Size; ++py) {
        for (int px = 0; px < Size; ++px) {
            here.clear();
            for (const Shape& s : Shapes)
                if (s.maxX >= px && s.minX <= px + 1 && s.maxY >= py && s.minY <= py + 1) here.push_back(&s);
            if (here.empty()) continue;

            // Per sample: colour premultiplied by alpha (0..255 * 0..255) and alpha (0..255).
            int64_t sumR = 0, sumG = 0, sumB = 0, sumA = 0;
            for (int j = 0; j < n; ++j) {
                const double y = py + (j + 0.5) / n;
                for (int i = 0; i < n; ++i) {
                    const double x = px + (i + 0.5) / n;
                    int r = 0, g = 0, b = 0, a = 0;
                    for (const Shape* s : here) {
                        if (!s->contains(x, y)) continue;
                        const Rgb c = colourAt(s->paint, x, y);
                        const int sa = s->paint.alpha, keep = 255 - sa;
                        r = c.r * sa + (r * keep + 127) / 255;
                        g = c.g * sa + (g * keep + 127) / 255;
                        b = c.b * sa + (b * keep + 127) / 255;
                        a = sa + (a * keep + 127) / 255;
                    }
                    sumR += r;
                    sumG += g;
                    sumB += b;
                    sumA += a;
                }
            }
            const int64_t samples = static_cast<int64_t>(n) * n;
            const int pixelAlpha = static_cast<int>((sumA + samples / 2) / samples);
            if (pixelAlpha == 0) continue;
            // Straight (not premultiplied) colour: the average colour weighted by coverage.
            auto channel = [&](int64_t sum) {
                return static_cast<uint8_t>(std::min<int64_t>(255, (sum + sumA / 2) / sumA));
            };
            colour.setPixel(px, py, Rgb{channel(sumR), channel(sumG), channel(sumB)});
            alpha[static_cast<size_t>(py) * Size + px] = static_cast<uint8_t>(pixelAlpha);
        }
    }
}
