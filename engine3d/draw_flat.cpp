// draw_flat.cpp - Mesh::drawFlat: one colour per mesh, each front face shaded
// by its projected area, no depth buffer.
//
// Rows are top-inclusive and bottom-exclusive, spans left-inclusive and
// right-exclusive; edges step in 16.16 from the integer vertex pixels. Rows
// and columns off the screen are skipped by stepping the edges straight to
// the first visible row, so a face far off the screen costs no more than one
// on it.
#include <algorithm>

#include "engine3d/mesh.h"
#include "engine3d/screen_triangle.h"
#include "platform/fill.h"
#include "video/display.h"

namespace {

struct FlatPoint {
    int64_t x;
    int64_t y;
};

// Each channel becomes floor(area * channel / 64), not clamped: a channel past
// its maximum spills into its neighbour's bits. twiceArea is in 16.16.
// The products are formed in 64 bits. Kept to 32 bits, as 16.16 products of
// the shifted area and the channel would be, the shade wraps long before the
// cross product does (past 32,767): from twice an area of 16,645 square
// pixels with green at 63 and 16,913 with red or blue at 31 (in general above
// 2^20 / green and 2^19 / red or blue). Below that the two agree to the bit.
uint16_t areaShade(uint32_t colour, int64_t twiceArea) {
    const int64_t r = (colour >> 11) & 31;
    const int64_t g = (colour >> 5) & 63;
    const int64_t b = colour & 31;
    const int64_t shadedR = ((twiceArea >> 4) * r) >> 19;
    const int64_t shadedG = ((twiceArea >> 5) * g) >> 18;
    const int64_t shadedB = ((twiceArea >> 4) * b) >> 19;
    return static_cast<uint16_t>((shadedR << 11) | (shadedG << 5) | shadedB);
}

// ((to - from) << 16) / rows, truncated; 0 for an edge within one row. The
// rows (to below from) are positive; a 32-bit quotient wherever the numerator
// fits, on a target without 64-bit division.
int64_t edgeSlope(const FlatPoint& from, const FlatPoint& to) {
    if (to.y == from.y) return 0;
    const int64_t dx = to.x - from.x;
    const int64_t rows = to.y - from.y;
    if (!kWideDivision && dx >= -32767 && dx <= 32767 && rows <= INT32_MAX) {
        return static_cast<int32_t>(dx * 65536) / static_cast<int32_t>(rows);
    }
    return dx * 65536 / rows;
}

// Columns xl up to xr (exclusive) of one row, clamped to the screen.
void fillRow(uint16_t* row, int64_t xl, int64_t xr, uint16_t shade) {
    const int64_t first = std::max<int64_t>(xl, 0);
    const int64_t end = std::min<int64_t>(xr, Display::kWidth);
    if (first < end) fillHalfwords(row + first, shade, static_cast<size_t>(end - first));
}

// Rows y from yStart while y < yEnd, between the edge from `left` (stepped by
// slopeLeft, accumulated in accLeft) and the long edge from the top vertex.
// Rows above the screen are passed by stepping the accumulators at once.
// Returns false when the rows have run below the screen.
bool fillPart(uint16_t* pixels, int64_t yStart, int64_t yEnd, int64_t xShort, int64_t& accShort,
              int64_t slopeShort, int64_t xLong, int64_t& accLong, int64_t slopeLong,
              uint16_t shade) {
    int64_t y = yStart;
    if (y < 0) {
        const int64_t skipped = std::min<int64_t>(yEnd, 0) - y;
        if (skipped > 0) {
            accShort += skipped * slopeShort;
            accLong += skipped * slopeLong;
            y += skipped;
        }
    }
    for (; y < yEnd; ++y) {
        if (y >= Display::kHeight) return false;
        const int64_t a = xShort + (accShort >> 16);
        const int64_t b = xLong + (accLong >> 16);
        fillRow(pixels + y * Display::kWidth, std::min(a, b), std::max(a, b), shade);
        accShort += slopeShort;
        accLong += slopeLong;
    }
    return true;
}

}  // namespace

void Mesh::drawFlat(uint32_t colour, int offsetX, int offsetY) {
    if (vertexCount <= 0) return;  // faces would name a vertex that does not exist
    for (int i = 0; i < faceCount; ++i) {
        const Face& face = faces[i];
        if (screenX[face.a] == kUnprojected || screenX[face.b] == kUnprojected ||
            screenX[face.c] == kUnprojected) {
            continue;
        }
        FlatPoint a{int64_t{screenX[face.a]} + offsetX, int64_t{screenY[face.a]} + offsetY};
        FlatPoint b{int64_t{screenX[face.b]} + offsetX, int64_t{screenY[face.b]} + offsetY};
        FlatPoint c{int64_t{screenX[face.c]} + offsetX, int64_t{screenY[face.c]} + offsetY};
        const int64_t cross = screenCross(a.x, a.y, b.x, b.y, c.x, c.y);
        if (cross >= 0) continue;
        const uint16_t shade = areaShade(colour, -cross * 65536);

        sortByY(a, b, c);
        if (c.y <= 0 || a.y >= Display::kHeight) continue;  // no row of it on the screen
        const int64_t slopeAB = edgeSlope(a, b);
        const int64_t slopeBC = edgeSlope(b, c);
        const int64_t slopeAC = edgeSlope(a, c);
        int64_t accAB = 0;
        int64_t accAC = 0;
        int64_t accBC = 0;
        if (!fillPart(pixels, a.y, b.y, a.x, accAB, slopeAB, a.x, accAC, slopeAC, shade)) continue;
        fillPart(pixels, b.y, c.y, b.x, accBC, slopeBC, a.x, accAC, slopeAC, shade);
    }
}
