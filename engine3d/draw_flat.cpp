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

// Columns xl up to xr (exclusive) of one row, clamped to the screen: a
// face's rows are short, so up to a few words are stored here, longer runs
// by the fill that stores whole cache lines.
template <typename Int>
void fillRow(uint16_t* row, Int xl, Int xr, uint16_t shade) {
    const Int first = std::max<Int>(xl, 0);
    const Int end = std::min<Int>(xr, Display::kWidth);
    if (first >= end) return;
    uint16_t* p = row + first;
    int count = static_cast<int>(end - first);
    if (count >= 32) {
        fillHalfwords(p, shade, static_cast<size_t>(count));
        return;
    }
    if (reinterpret_cast<uintptr_t>(p) & 2) {
        *p++ = shade;
        --count;
    }
    typedef uint32_t PixelPair __attribute__((may_alias));
    const uint32_t pair = shade * 0x10001u;
    auto* pairs = reinterpret_cast<PixelPair*>(p);
    for (; count >= 2; count -= 2) *pairs++ = pair;
    if (count) *reinterpret_cast<uint16_t*>(pairs) = shade;
}

// Rows y from yStart while y < yEnd, between the edge from `left` (stepped by
// slopeLeft, accumulated in accLeft) and the long edge from the top vertex.
// Rows above the screen are passed by stepping the accumulators at once.
// Returns false when the rows have run below the screen. Int is int64_t, or
// int32_t where every value stays within 32 bits (the same results, a
// fraction of the work on a 32-bit processor).
template <typename Int>
bool fillPart(uint16_t* pixels, Int yStart, Int yEnd, Int xShort, Int& accShort, Int slopeShort,
              Int xLong, Int& accLong, Int slopeLong, uint16_t shade) {
    Int y = yStart;
    if (y < 0) {
        const Int skipped = std::min<Int>(yEnd, 0) - y;
        if (skipped > 0) {
            accShort += skipped * slopeShort;
            accLong += skipped * slopeLong;
            y += skipped;
        }
    }
    for (; y < yEnd; ++y) {
        if (y >= Display::kHeight) return false;
        const Int a = xShort + (accShort >> 16);
        const Int b = xLong + (accLong >> 16);
        fillRow<Int>(pixels + y * Display::kWidth, std::min(a, b), std::max(a, b), shade);
        accShort += slopeShort;
        accLong += slopeLong;
    }
    return true;
}

// Where every edge's accumulator stays within 32 bits: an edge of dx pixels
// sums to at most |dx| << 16 over its rows, and positions and rows stay far
// from the limit.
constexpr int64_t kNarrowReach = 1 << 14;

bool narrow(const FlatPoint& a, const FlatPoint& b, const FlatPoint& c) {
    for (const FlatPoint* p : {&a, &b, &c}) {
        if (p->x <= -kNarrowReach || p->x >= kNarrowReach || p->y <= -kNarrowReach ||
            p->y >= kNarrowReach)
            return false;
    }
    return true;
}

template <typename Int>
void fillFace(uint16_t* pixels, const FlatPoint& a, const FlatPoint& b, const FlatPoint& c,
              const FlatFace& face, uint16_t shade) {
    Int accAB = 0, accAC = 0, accBC = 0;
    if (!fillPart<Int>(pixels, Int(a.y), Int(b.y), Int(a.x), accAB, Int(face.slopeAB), Int(a.x),
                       accAC, Int(face.slopeAC), shade)) {
        return;
    }
    fillPart<Int>(pixels, Int(b.y), Int(c.y), Int(b.x), accBC, Int(face.slopeBC), Int(a.x), accAC,
                  Int(face.slopeAC), shade);
}

}  // namespace

// A face's shape does not change with where it is drawn: its facing, the
// order of its corners from the top and its edges' slopes are found once for
// every place the mesh is drawn at (the greets draw each cube twenty times).
void Mesh::flatFaces(std::vector<FlatFace>* out) const {
    out->clear();
    if (vertexCount <= 0) return;  // faces would name a vertex that does not exist
    for (int i = 0; i < faceCount; ++i) {
        const Face& face = faces[i];
        if (screenX[face.a] == kUnprojected || screenX[face.b] == kUnprojected ||
            screenX[face.c] == kUnprojected) {
            continue;
        }
        FlatPoint a{screenX[face.a], screenY[face.a]};
        FlatPoint b{screenX[face.b], screenY[face.b]};
        FlatPoint c{screenX[face.c], screenY[face.c]};
        const int64_t cross = screenCross(a.x, a.y, b.x, b.y, c.x, c.y);
        if (cross >= 0) continue;
        sortByY(a, b, c);
        out->push_back(FlatFace{a.x, a.y, b.x, b.y, c.x, c.y, -cross, edgeSlope(a, b),
                                edgeSlope(b, c), edgeSlope(a, c)});
    }
}

void Mesh::drawFlat(const std::vector<FlatFace>& front, uint32_t colour, int offsetX, int offsetY) {
    for (const FlatFace& face : front) {
        const FlatPoint a{face.ax + offsetX, face.ay + offsetY};
        const FlatPoint b{face.bx + offsetX, face.by + offsetY};
        const FlatPoint c{face.cx + offsetX, face.cy + offsetY};
        if (c.y <= 0 || a.y >= Display::kHeight) continue;  // no row of it on the screen
        const uint16_t shade = areaShade(colour, face.twiceArea * 65536);
        if (narrow(a, b, c)) {
            fillFace<int32_t>(pixels, a, b, c, face, shade);
        } else {
            fillFace<int64_t>(pixels, a, b, c, face, shade);
        }
    }
}

void Mesh::drawFlat(uint32_t colour, int offsetX, int offsetY) {
    std::vector<FlatFace> front;
    flatFaces(&front);
    drawFlat(front, colour, offsetX, offsetY);
}
