#include "platform/zoomscale.h"

#include <cstring>
#include <vector>

#include "platform/canvas.h"

namespace {

int validPercent(int percent) { return percent < 100 ? 100 : percent; }

// floor(a / b) for b > 0 and any a.
int64_t floorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

int zoomedLength(int n, int percent) {
    if (n <= 0) return 0;
    return static_cast<int>((int64_t(n) * validPercent(percent) + 99) / 100);
}

int unzoomed(int x, int percent) { return static_cast<int>(floorDiv(int64_t(x) * 100, validPercent(percent))); }

void zoomedRect(int& x, int& y, int& w, int& h, int percent) {
    // The first screen pixel showing canvas pixel c is ceil(c * p / 100); the rectangle ends
    // where the pixel after its last one starts.
    const int64_t p = validPercent(percent);
    auto start = [p](int64_t c) { return -floorDiv(-c * p, 100); };
    const int64_t x2 = start(int64_t(x) + w), y2 = start(int64_t(y) + h);
    x = static_cast<int>(start(x));
    y = static_cast<int>(start(y));
    w = static_cast<int>(x2 - x);
    h = static_cast<int>(y2 - y);
}

void zoomRegion(const Canvas& src, int percent, int x, int y, int w, int h, uint8_t* out, size_t outStride) {
    if (w <= 0 || h <= 0) return;
    percent = validPercent(percent);
    // The canvas column of every screen column, -1 beyond the canvas.
    std::vector<int> columns(static_cast<size_t>(w));
    for (int i = 0; i < w; ++i) {
        const int c = unzoomed(x + i, percent);
        columns[static_cast<size_t>(i)] = c >= 0 && c < src.width() ? c : -1;
    }
    const size_t srcStride = static_cast<size_t>(src.width()) * 3;
    int lastRow = -2;
    for (int j = 0; j < h; ++j) {
        uint8_t* to = out + static_cast<size_t>(j) * outStride;
        const int r = unzoomed(y + j, percent);
        if (r == lastRow && j > 0) {
            // The same canvas row as the row above: copy that screen row.
            std::memcpy(to, to - outStride, static_cast<size_t>(w) * 3);
            continue;
        }
        lastRow = r;
        if (r < 0 || r >= src.height()) {
            std::memset(to, 0, static_cast<size_t>(w) * 3);
            continue;
        }
        const uint8_t* row = src.data() + static_cast<size_t>(r) * srcStride;
        for (int i = 0; i < w; ++i) {
            const int c = columns[static_cast<size_t>(i)];
            if (c < 0) {
                to[0] = to[1] = to[2] = 0;
            } else {
                std::memcpy(to, row + static_cast<size_t>(c) * 3, 3);
            }
            to += 3;
        }
    }
}

void zoomCanvas(const Canvas& src, int percent, Canvas& dst) {
    const int w = zoomedLength(src.width(), percent), h = zoomedLength(src.height(), percent);
    dst.resize(w, h);
    zoomRegion(src, percent, 0, 0, w, h, dst.data(), static_cast<size_t>(w) * 3);
}
