// zoomscale.h - how a Canvas is shown at a zoom level, the one rule for every backend.
//
// A pixel (x, y) of the screen image shows the canvas pixel (x * 100 / p, y * 100 / p),
// rounded down (p the level in percent). So 200 % and 300 % replicate each pixel 2 x 2 and
// 3 x 3; at 150 % the canvas pixels become 2, 1, 2, 1 ... screen pixels along each axis, at
// 125 % 2, 1, 1, 1, 2, 1, 1, 1 ...: no colour is blended and a one-pixel line stays one or two
// pixels wide. The same rule maps a
// mouse position on the screen back to the canvas, so every hit test is the one at 100 %.
//
// ZoomLevels: the levels offered, smallest first.
// zoomedLength(n, p): the screen pixels that show n canvas pixels: ceil(n * p / 100).
// unzoomed(x, p): the canvas coordinate under screen coordinate x (any sign; floor).
// zoomedRect(x, y, w, h, p): the screen rectangle showing the canvas rectangle, in place.
// zoomRegion(src, p, x, y, w, h, out, outStride): the screen image's rectangle (x, y, w, h)
//   as RGB rows into out (outStride bytes a row); parts beyond the image are black.
// zoomCanvas(src, p, dst): the whole screen image.
#pragma once

#include <cstddef>
#include <cstdint>

class Canvas;

constexpr int ZoomLevels[] = {100, 125, 150, 200, 300};

int zoomedLength(int n, int percent);
int unzoomed(int x, int percent);
void zoomedRect(int& x, int& y, int& w, int& h, int percent);
void zoomRegion(const Canvas& src, int percent, int x, int y, int w, int h, uint8_t* out, size_t outStride);
void zoomCanvas(const Canvas& src, int percent, Canvas& dst);
