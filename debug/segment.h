#pragma once

#include <cstdlib>

namespace tessel {

// Calls plot(x, y) for every pixel of the 1-pixel segment from (x0, y0) to (x1, y1), both ends
// included, in order (Bresenham): the charts on screen and the report's pictures draw their
// curves with the same pixels.
template <class Plot>
void forEachSegmentPixel(int x0, int y0, int x1, int y1, Plot plot) {
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        plot(x0, y0);
        if (x0 == x1 && y0 == y1)
            return;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

}  // namespace tessel
