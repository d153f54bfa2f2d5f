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
#include <cstdlib>

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
constexpr int64_t kNarrow = int64_t{16383} << 16;

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

    Edge() = default;
    explicit Edge(const RowEdge& e)
        : x(e.x), u(e.u), v(e.v), z(e.z), dx(e.dx), du(e.du), dv(e.dv), dz(e.dz) {}
    // The same edge in 32 bits, for one whose positions all fit there.
    RowEdge narrow() const {
        return {static_cast<Fixed>(x), u, v, z, static_cast<Fixed>(dx), du, dv, dz};
    }

    void step() {
        x += dx;
        u = wrapAdd(u, du);
        v = wrapAdd(v, dv);
        z = wrapAdd(z, dz);
    }
    // The same as `rows` calls of step(): the sums wrap alike.
    void skip(int64_t rows) {
        x += rows * dx;
        const uint32_t n = static_cast<uint32_t>(rows);
        u = wrapAdd(u, static_cast<Fixed>(n * static_cast<uint32_t>(du)));
        v = wrapAdd(v, static_cast<Fixed>(n * static_cast<uint32_t>(dv)));
        z = wrapAdd(z, static_cast<Fixed>(n * static_cast<uint32_t>(dz)));
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
        if (screenX[index[0]] == kUnprojected || screenX[index[1]] == kUnprojected ||
            screenX[index[2]] == kUnprojected) {
            continue;
        }
        TexPoint p[3];
        for (int k = 0; k < 3; ++k) {
            p[k].x = int64_t{screenX[index[k]]} * kRow;
            p[k].y = int64_t{screenY[index[k]]} * kRow;
            p[k].z = screenZ[index[k]];
        }
        const Image* source;
        if (face.materialId == kEnvironmentMaterial) {
            for (int k = 0; k < 3; ++k) {
                const Vector3& n = vertices[index[k]].viewNormal;
                p[k].u = wrapAdd(fixedMul(n.x, kEnvScale), kEnvScale);
                p[k].v = wrapAdd(fixedMul(n.y, kEnvScale), kEnvScale);
            }
            source = envTexture;
        } else {
            if (texVertCount <= 0) continue;  // nothing to map this face through
            const Face& tf = texFaces[i];
            const int32_t t[3] = {tf.a, tf.b, tf.c};
            for (int k = 0; k < 3; ++k) {
                p[k].u = texVerts[t[k]].u;
                p[k].v = texVerts[t[k]].v;
            }
            source = texture;
        }
        // A texture smaller than the 16-bit texel index can reach is never read.
        if (!usableTexture(source)) continue;
        texels = source->pixels;

        if (p[0].z < 0 || p[1].z < 0 || p[2].z < 0) continue;
        constexpr int64_t kRightEdge = int64_t{Display::kWidth} * kRow;
        if (p[0].x <= 0 && p[1].x <= 0 && p[2].x <= 0) continue;
        if (p[0].x > kRightEdge && p[1].x > kRightEdge && p[2].x > kRightEdge) continue;
        if (screenCross(screenX[index[0]], screenY[index[0]], screenX[index[1]], screenY[index[1]],
                        screenX[index[2]], screenY[index[2]]) >= 0) {
            continue;
        }

        sortByY(p[0], p[1], p[2]);
        if (p[2].y <= rowLimitTop || p[0].y >= rowLimitBottom) continue;  // no visible row
        // Within +-16383 pixels every edge position and step fits 32 bits.
        const bool narrow = std::abs(p[0].x) <= kNarrow && std::abs(p[1].x) <= kNarrow &&
                            std::abs(p[2].x) <= kNarrow;
        const TexturedTarget target = texturedTarget();
        // The middle vertex, and with it the short edge, lies left of the long one.
        const bool middleLeft = ((p[1].x - p[0].x) >> 16) * ((p[2].y - p[0].y) >> 16) <
                                ((p[2].x - p[0].x) >> 16) * ((p[1].y - p[0].y) >> 16);
        Edge longEdge = makeEdge(p[0], p[2], EdgeKind::TopToBottom);
        Edge shortEdge = makeEdge(p[0], p[1], EdgeKind::TopToMiddle);

        int64_t y = p[0].y;
        for (int part = 0; part < 2; ++part) {
            const int64_t partEnd = part == 0 ? p[1].y : p[2].y;
            if (part == 1) shortEdge = makeEdge(p[1], p[2], EdgeKind::MiddleToBottom);
            if (y < rowLimitTop && y < partEnd) {
                const int64_t rows = (std::min(rowLimitTop, partEnd) - y + kRow - 1) / kRow;
                longEdge.skip(rows);
                shortEdge.skip(rows);
                y += rows * kRow;
            }
            const int64_t end = std::min(partEnd, rowLimitBottom);
            if (narrow && y < end) {
                RowEdge longRows = longEdge.narrow();
                RowEdge shortRows = shortEdge.narrow();
                const int64_t rows = (end - y + kRow - 1) / kRow;
                // The spans run from the edge on the left, whichever it is.
                TexturedRows job{target, middleLeft ? &shortRows : &longRows,
                                 middleLeft ? &longRows : &shortRows,
                                 static_cast<int32_t>(y >> 16), static_cast<int32_t>(rows)};
                drawTexturedRows(&job);
                longEdge = Edge(longRows);
                shortEdge = Edge(shortRows);
                y += rows * kRow;
            }
            for (; y < end; y += kRow) {
                texturedSpan(target, static_cast<int>(y >> 16), static_cast<int>(longEdge.x >> 16),
                             static_cast<int>(shortEdge.x >> 16), longEdge.u, longEdge.v,
                             shortEdge.u, shortEdge.v, longEdge.z, shortEdge.z);
                longEdge.step();
                shortEdge.step();
            }
            if (y < partEnd) break;  // ran below the visible rows
        }
    }
}

void Mesh::drawSpan(int xStart, int xEnd, int y, Fixed uStart, Fixed vStart, Fixed uEnd, Fixed vEnd,
                    Fixed zStart, Fixed zEnd) {
    if (y < 0 || y >= Display::kHeight) return;
    texturedSpan(texturedTarget(), y, xStart, xEnd, uStart, vStart, uEnd, vEnd, zStart, zEnd);
}
