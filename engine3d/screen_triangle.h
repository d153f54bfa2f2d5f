// screen_triangle.h - what both rasterizers share: the back-face test and the
// top-to-bottom vertex order.
//
// The cross product is formed exactly in 64 bits, so its sign stays right for
// triangles of any size (a 32-bit 16.16 product would wrap once twice the area
// passes 32767 square pixels).
#pragma once

#include <cstdint>
#include <utility>

// (x1 - x0)(y2 - y0) - (x2 - x0)(y1 - y0) in square pixels. A face is drawn
// only when this is negative; zero (degenerate) or positive faces away.
constexpr int64_t screenCross(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t x2,
                              int64_t y2) {
    return (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
}

// Orders three vertex records by their y field, ascending, with strict
// less-than only: records with equal y keep their order a, b, c.
template <typename V>
void sortByY(V& top, V& middle, V& bottom) {
    if (middle.y < top.y) std::swap(top, middle);
    if (bottom.y < middle.y) std::swap(middle, bottom);
    if (middle.y < top.y) std::swap(top, middle);
}
