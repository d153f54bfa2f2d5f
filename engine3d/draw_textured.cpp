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
// the first visible one.
#include <algorithm>

#include "engine3d/mesh.h"
#include "engine3d/screen_triangle.h"
#include "video/display.h"
#include "video/image.h"

namespace {

constexpr int64_t kRow = 0x10000;
constexpr Fixed kEnvScale = 0x800000;  // 128.0 texels
constexpr int kTextureTexels = 256 * 256;

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
            for (; y < partEnd; y += kRow) {
                if (y >= rowLimitBottom) break;
                span(static_cast<int>(longEdge.x >> 16), static_cast<int>(shortEdge.x >> 16),
                     static_cast<int>(y >> 16), longEdge.u, longEdge.v, shortEdge.u, shortEdge.v,
                     longEdge.z, shortEdge.z);
                longEdge.step();
                shortEdge.step();
            }
            if (y < partEnd) break;  // ran below the visible rows
        }
    }
}

void Mesh::drawSpan(int xStart, int xEnd, int y, Fixed uStart, Fixed vStart, Fixed uEnd, Fixed vEnd,
                    Fixed zStart, Fixed zEnd) {
    span(xStart, xEnd, y, uStart, vStart, uEnd, vEnd, zStart, zEnd);
}

// drawSpan's work, built into drawTextured's loop over the rows: a call with
// nine arguments a row cost the console as much as a few pixels.
inline __attribute__((always_inline)) void Mesh::span(int xStart, int xEnd, int y, Fixed uStart,
                                                      Fixed vStart, Fixed uEnd, Fixed vEnd,
                                                      Fixed zStart, Fixed zEnd) {
    if (xStart < 0 && xEnd < 0) return;
    if (xStart >= Display::kWidth && xEnd >= Display::kWidth) return;
    if (y < 0 || y >= Display::kHeight) return;
    if (xStart > xEnd) {
        std::swap(xStart, xEnd);
        std::swap(uStart, uEnd);
        std::swap(vStart, vEnd);
        std::swap(zStart, zEnd);
    }
    const int64_t width = int64_t{xEnd} - xStart;
    if (width <= 0) return;
    // (1 << 32) / (width << 16), at most 65536: each step is a 32 x 32-bit
    // product shifted down, cut to 32 bits.
    const int32_t inv = static_cast<int32_t>(wholeReciprocal(width));
    const Fixed du = static_cast<Fixed>((int64_t{inv} * wrapSub(uEnd, uStart)) >> 16);
    const Fixed dv = static_cast<Fixed>((int64_t{inv} * wrapSub(vEnd, vStart)) >> 16);
    const Fixed dz = static_cast<Fixed>((int64_t{inv} * wrapSub(zEnd, zStart)) >> 16);

    // Columns left of the screen are passed in one step; the sums wrap alike.
    int x = xStart;
    uint32_t u = static_cast<uint32_t>(uStart);
    uint32_t v = static_cast<uint32_t>(vStart);
    uint32_t z = static_cast<uint32_t>(zStart);
    if (x < 0) {
        const uint32_t n = static_cast<uint32_t>(-x);
        u += n * static_cast<uint32_t>(du);
        v += n * static_cast<uint32_t>(dv);
        z += n * static_cast<uint32_t>(dz);
        x = 0;
    }
    // The mesh's clip columns the same way: only clipLeft <= x < clipRight is
    // drawn, and the columns before it only step the sums.
    if (x < clipLeft) {
        const uint32_t n = static_cast<uint32_t>(clipLeft) - static_cast<uint32_t>(x);
        u += n * static_cast<uint32_t>(du);
        v += n * static_cast<uint32_t>(dv);
        z += n * static_cast<uint32_t>(dz);
        x = clipLeft;
    }
    const int end = std::min({xEnd, Display::kWidth, clipRight});
    if (x >= end) return;
    display->noteDepthSpan(y, x, end);

    // Every pixel keeps its own depth test. The texel index is 16 bits,
    // (row << 8) | column, so a column outside 0..255 spills into the row
    // bits rather than wrapping on its own: its low byte is u's bits 16..23,
    // its high byte v's bits 16..23 or'ed with u's bits 24..31. v is carried
    // shifted up by 8 (it wraps alike), which puts its bits where the index
    // wants them with one mask, and the byte offset takes one shift more.
    int32_t* depthAt = depth + y * Display::kWidth + x;
    uint16_t* pixelAt = pixels + y * Display::kWidth + x;
    const auto* texture = reinterpret_cast<const unsigned char*>(texels);
    uint32_t v8 = v << 8;
    const uint32_t dv8 = static_cast<uint32_t>(dv) << 8;
    auto plot = [&](int k) {
        const Fixed depthHere = static_cast<Fixed>(z);
        if (depthAt[k] > depthHere) {
            depthAt[k] = depthHere;
            const uint32_t offset = ((v8 >> 15) & 0x1FE00) | ((u >> 16) << 1);
            pixelAt[k] = *reinterpret_cast<const uint16_t*>(texture + offset);
        }
        u += static_cast<uint32_t>(du);
        v8 += dv8;
        z += static_cast<uint32_t>(dz);
    };
    int count = end - x;
    for (; count & 3; --count, ++depthAt, ++pixelAt) plot(0);
    for (; count > 0; count -= 4, depthAt += 4, pixelAt += 4) {
        plot(0);
        plot(1);
        plot(2);
        plot(3);
    }
}
