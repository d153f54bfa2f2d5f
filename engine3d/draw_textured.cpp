// draw_textured.cpp - Mesh::drawTextured and Mesh::drawSpan: depth-buffered,
// affine texture mapping.
//
// Faces with materialId 1 take their texel coordinates from the camera-space
// vertex normals (128 * n + 128 texels, so a unit normal lands in the
// texture's inscribed disc) and read envTexture; all others use their texture
// vertices and read texture. Depths are camera-space 16.16, smaller nearer;
// a pixel is written only where it is strictly nearer than the depth buffer.
//
// Screen positions are carried in 64 bits (pixel << 16), so the edges never
// wrap, however far off the screen a vertex projects; where 32-bit positions
// would not wrap either, every increment and position is the same number.
// Texel coordinates and depths are 16.16 and wrap like the 32-bit words they
// are; the 16-bit texel index only ever sees their low 32 bits. Rows and
// columns off the screen are passed by stepping the interpolants straight to
// the first visible one. A triangle within +-16383 pixels (every one the
// scenes draw) has its rows drawn in 32 bits by textured_rows.h, the same
// numbers; one beyond, by the same spans from 64-bit edges.
#include <algorithm>

#include "engine3d/mesh.h"
#include "engine3d/screen_triangle.h"
#include "engine3d/textured_rows.h"
#include "video/display.h"
#include "video/image.h"

namespace {

constexpr int64_t kRow = 0x10000;
constexpr Fixed kEnvScale = 0x800000;  // 128.0 texels
constexpr int kTextureTexels = 256 * 256;
// Screen positions within +-16383 pixels: a triangle's edges, steps and
// every position between fit 32 bits (16.16), which the rows of
// textured_rows.h take.
constexpr bool narrow(int32_t pixels) {
    return pixels >= -16383 && pixels <= 16383;
}

struct TexPoint {
    int64_t x;  // pixel << 16
    int64_t y;  // pixel << 16
    Fixed u;
    Fixed v;
    Fixed z;
};

// One edge being walked down the rows: its current values and their per-row
// increments.
struct Edge {
    int64_t x = 0;
    Fixed u = 0;
    Fixed v = 0;
    Fixed z = 0;
    int64_t dx = 0;
    Fixed du = 0;
    Fixed dv = 0;
    Fixed dz = 0;

    void step() {
        x += dx;
        u = wrapAdd(u, du);
        v = wrapAdd(v, dv);
        z = wrapAdd(z, dz);
    }
};

// The reciprocal of an edge's row count, (1 << 32) / rows, as 16.16. The
// rows are whole (rows = n << 16), so it is floor(65536 / n).
int64_t rowReciprocal(int64_t rows) {
    return wholeReciprocal(rows >> 16);
}

// Which edge of a face is set up. Each edge rounds its own way: the
// reciprocal is truncated, so an increment taken through it can be a little
// smaller than the direct quotient (3 pixels over 3 rows: 3 * 21845 = 65535,
// not 65536), and an edge leaning right then ends some rows a pixel further
// left.
enum class EdgeKind {
    TopToMiddle,     // x by direct division, u, v, z through the reciprocal
    TopToBottom,     // z by direct division, x, u, v through the reciprocal
    MiddleToBottom,  // all four through the reciprocal
};

// The reciprocal's increment for a 16.16 difference, floor(delta * inv /
// 65536), cut to 32 bits like any 16.16 product.
Fixed throughReciprocal(Fixed delta, int64_t inv) {
    return static_cast<Fixed>((int64_t{delta} * inv) >> 16);
}

// The direct increment, (delta << 16) / rows truncated, cut to 32 bits. With
// whole rows (n << 16) that is delta / n truncated, a 32-bit quotient
// wherever n fits 31 bits (on a target without 64-bit division).
Fixed directQuotient(Fixed delta, int64_t rows) {
    const int64_t n = rows >> 16;
    if (!kWideDivision && n <= INT32_MAX) return delta / static_cast<int32_t>(n);
    return static_cast<Fixed>(int64_t{delta} * 65536 / rows);
}

// An edge's x increment by direct division, ((to - from) << 16) / rows
// truncated, for whole-pixel positions (pixels << 16) and whole rows (n <<
// 16): (pixels << 16) / n, a 32-bit quotient while that numerator fits (on a
// target without 64-bit division).
int64_t directSlope(int64_t dx, int64_t rows) {
    const int64_t pixels = dx >> 16;
    const int64_t n = rows >> 16;
    if (!kWideDivision && pixels >= -32767 && pixels <= 32767 && n <= INT32_MAX) {
        return static_cast<int32_t>(pixels * 65536) / static_cast<int32_t>(n);
    }
    return dx * 65536 / rows;
}

// An edge from `from` to `to`; one within one row does not move.
Edge makeEdge(const TexPoint& from, const TexPoint& to, EdgeKind kind) {
    Edge e;
    e.x = from.x;
    e.u = from.u;
    e.v = from.v;
    e.z = from.z;
    const int64_t rows = to.y - from.y;  // 16.16
    if (rows < 1) return e;
    const int64_t inv = rowReciprocal(rows);
    if (kind == EdgeKind::TopToMiddle) {
        e.dx = directSlope(to.x - from.x, rows);
    } else {
        // The positions are whole pixels, so the 16.16 product of their
        // difference and inv is exactly pixels * inv: no rounding, and no
        // overflow in 64 bits for any projected position.
        e.dx = ((to.x - from.x) >> 16) * inv;
    }
    e.du = throughReciprocal(wrapSub(to.u, from.u), inv);
    e.dv = throughReciprocal(wrapSub(to.v, from.v), inv);
    if (kind == EdgeKind::TopToBottom) {
        e.dz = directQuotient(wrapSub(to.z, from.z), rows);
    } else {
        e.dz = throughReciprocal(wrapSub(to.z, from.z), inv);
    }
    return e;
}

// A corner of a face within +-16383 pixels: x in whole pixels, where every
// position and step of its edges fits 32 bits.
struct NarrowPoint {
    int32_t x;
    int64_t y;  // pixel << 16
    Fixed u;
    Fixed v;
    Fixed z;
};

// makeEdge for such a corner, in 32 bits: the same numbers. With whole rows
// n and pixels, the direct slope is (pixels << 16) / n, the reciprocal's
// pixels * inv, the direct quotient of z delta / n, each truncated alike.
RowEdge narrowEdge(const NarrowPoint& from, const NarrowPoint& to, EdgeKind kind) {
    RowEdge e{from.x * 65536, from.u, from.v, from.z, 0, 0, 0, 0};
    const int32_t n = static_cast<int32_t>((to.y - from.y) >> 16);
    if (n < 1) return e;
    const int32_t inv = static_cast<int32_t>(wholeReciprocal(n));
    const int32_t pixels = to.x - from.x;
    e.dx = kind == EdgeKind::TopToMiddle ? pixels * 65536 / n : pixels * inv;
    e.du = throughReciprocal(wrapSub(to.u, from.u), inv);
    e.dv = throughReciprocal(wrapSub(to.v, from.v), inv);
    e.dz = kind == EdgeKind::TopToBottom ? wrapSub(to.z, from.z) / n
                                         : throughReciprocal(wrapSub(to.z, from.z), inv);
    return e;
}

// An edge passed over `rows` rows at once: the sums wrap alike.
template <class E>
void skipRows(E& e, int64_t rows) {
    e.x += static_cast<decltype(e.x)>(rows * e.dx);
    const uint32_t n = static_cast<uint32_t>(rows);
    e.u = wrapAdd(e.u, static_cast<Fixed>(n * static_cast<uint32_t>(e.du)));
    e.v = wrapAdd(e.v, static_cast<Fixed>(n * static_cast<uint32_t>(e.dv)));
    e.z = wrapAdd(e.z, static_cast<Fixed>(n * static_cast<uint32_t>(e.dz)));
}

// A face's rows, its corners sorted by y: the upper part between the long
// edge (top to bottom) and the edge top to middle, the lower one between the
// long edge and the edge middle to bottom. Rows above rowTop are passed over,
// those from rowBottom on end the face. edgeOf sets an edge up, drawRows
// draws rows from a 16.16 row and steps both edges past them.
template <class Point, class EdgeOf, class DrawRows>
void drawParts(const Point (&p)[3], int64_t rowTop, int64_t rowBottom, EdgeOf edgeOf,
               DrawRows drawRows) {
    auto longEdge = edgeOf(p[0], p[2], EdgeKind::TopToBottom);
    auto shortEdge = edgeOf(p[0], p[1], EdgeKind::TopToMiddle);
    int64_t y = p[0].y;
    for (int part = 0; part < 2; ++part) {
        const int64_t partEnd = part == 0 ? p[1].y : p[2].y;
        if (part == 1) shortEdge = edgeOf(p[1], p[2], EdgeKind::MiddleToBottom);
        if (y < rowTop && y < partEnd) {
            const int64_t rows = (std::min(rowTop, partEnd) - y + kRow - 1) / kRow;
            skipRows(longEdge, rows);
            skipRows(shortEdge, rows);
            y += rows * kRow;
        }
        const int64_t end = std::min(partEnd, rowBottom);
        if (y < end) {
            const int64_t rows = (end - y + kRow - 1) / kRow;
            drawRows(longEdge, shortEdge, y, rows);
            y += rows * kRow;
        }
        if (y < partEnd) break;  // ran below the visible rows
    }
}

bool usableTexture(const Image* image) {
    return image != nullptr && image->pixels != nullptr && image->count >= kTextureTexels;
}

}  // namespace

TexturedTarget Mesh::texturedTarget() const {
    return {pixels,
            depth,
            texels,
            display->depthLeftColumns(),
            display->depthRightColumns(),
            std::max(clipLeft, 0),
            std::min(clipRight, Display::kWidth)};
}

void Mesh::drawTextured() {
    if (vertexCount <= 0) return;  // faces would name a vertex that does not exist
    const int64_t rowLimitTop = std::max<int64_t>(clipTop, 0);
    const int64_t rowLimitBottom = std::min<int64_t>(clipBottom, int64_t{Display::kHeight} * kRow);
    for (int i = 0; i < faceCount; ++i) {
        const Face& face = faces[i];
        const int32_t index[3] = {face.a, face.b, face.c};
        const int32_t sx[3] = {screenX[index[0]], screenX[index[1]], screenX[index[2]]};
        if (sx[0] == kUnprojected || sx[1] == kUnprojected || sx[2] == kUnprojected) continue;
        const bool environment = face.materialId == kEnvironmentMaterial;
        if (!environment && texVertCount <= 0) continue;  // nothing to map this face through
        const Image* source = environment ? envTexture : texture;
        // A texture smaller than the 16-bit texel index can reach is never read.
        if (!usableTexture(source)) continue;
        texels = source->pixels;

        const int32_t sy[3] = {screenY[index[0]], screenY[index[1]], screenY[index[2]]};
        const Fixed sz[3] = {screenZ[index[0]], screenZ[index[1]], screenZ[index[2]]};
        if (sz[0] < 0 || sz[1] < 0 || sz[2] < 0) continue;
        if (sx[0] <= 0 && sx[1] <= 0 && sx[2] <= 0) continue;
        constexpr int32_t kRightEdge = Display::kWidth;
        if (sx[0] > kRightEdge && sx[1] > kRightEdge && sx[2] > kRightEdge) continue;
        if (screenCross(sx[0], sy[0], sx[1], sy[1], sx[2], sy[2]) >= 0) continue;

        Fixed u[3], v[3];
        if (environment) {
            for (int k = 0; k < 3; ++k) {
                const Vector3& n = vertices[index[k]].viewNormal;
                u[k] = wrapAdd(fixedMul(n.x, kEnvScale), kEnvScale);
                v[k] = wrapAdd(fixedMul(n.y, kEnvScale), kEnvScale);
            }
        } else {
            const Face& tf = texFaces[i];
            const int32_t t[3] = {tf.a, tf.b, tf.c};
            for (int k = 0; k < 3; ++k) {
                u[k] = texVerts[t[k]].u;
                v[k] = texVerts[t[k]].v;
            }
        }
        const TexturedTarget target = texturedTarget();

        if (narrow(sx[0]) && narrow(sx[1]) && narrow(sx[2]) && narrow(sy[0]) && narrow(sy[1]) &&
            narrow(sy[2])) {
            NarrowPoint p[3];
            for (int k = 0; k < 3; ++k) p[k] = {sx[k], int64_t{sy[k]} * kRow, u[k], v[k], sz[k]};
            sortByY(p[0], p[1], p[2]);
            if (p[2].y <= rowLimitTop || p[0].y >= rowLimitBottom) continue;  // no visible row
            // The spans run from the edge on the left: the short one where the
            // middle corner lies left of the long edge.
            const bool middleLeft = int64_t{p[1].x - p[0].x} * ((p[2].y - p[0].y) >> 16) <
                                    int64_t{p[2].x - p[0].x} * ((p[1].y - p[0].y) >> 16);
            drawParts(p, rowLimitTop, rowLimitBottom, narrowEdge,
                      [&](RowEdge& longEdge, RowEdge& shortEdge, int64_t y, int64_t rows) {
                          TexturedRows job{target, middleLeft ? &shortEdge : &longEdge,
                                           middleLeft ? &longEdge : &shortEdge,
                                           static_cast<int32_t>(y >> 16),
                                           static_cast<int32_t>(rows)};
                          drawTexturedRows(&job);
                      });
            continue;
        }
        TexPoint p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = {int64_t{sx[k]} * kRow, int64_t{sy[k]} * kRow, u[k], v[k], sz[k]};
        sortByY(p[0], p[1], p[2]);
        if (p[2].y <= rowLimitTop || p[0].y >= rowLimitBottom) continue;  // no visible row
        drawParts(p, rowLimitTop, rowLimitBottom, makeEdge,
                  [&](Edge& longEdge, Edge& shortEdge, int64_t y, int64_t rows) {
                      for (; rows > 0; --rows, y += kRow) {
                          texturedSpan(target, static_cast<int>(y >> 16),
                                       static_cast<int>(longEdge.x >> 16),
                                       static_cast<int>(shortEdge.x >> 16), longEdge.u, longEdge.v,
                                       shortEdge.u, shortEdge.v, longEdge.z, shortEdge.z);
                          longEdge.step();
                          shortEdge.step();
                      }
                  });
    }
}

void Mesh::drawSpan(int xStart, int xEnd, int y, Fixed uStart, Fixed vStart, Fixed uEnd, Fixed vEnd,
                    Fixed zStart, Fixed zEnd) {
    if (y < 0 || y >= Display::kHeight) return;
    texturedSpan(texturedTarget(), y, xStart, xEnd, uStart, vStart, uEnd, vEnd, zStart, zEnd);
}
