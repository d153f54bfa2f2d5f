// flower.cpp - "data/flower.png", the texture of the flower mesh.
//
// The texture is baked from the generated flower itself: every triangle of
// "data/flow" is filled in texture space with the colour of the point of the
// surface that lands on each texel, so the texture follows the mesh's texture
// vertices however the mesh generator lays them out. The head is seen from
// above (colour a function of the point's x and y, so the petals' upper and
// lower faces and the stamens agree on the texels they share): flame orange
// petals paling to warm white at their tips, with a light vein down each, and
// a dark violet heart set with golden florets in a sunflower's spiral. The
// stem is green, darker at its foot, and the two leaves shade from a light
// midrib to darker edges. Texels just outside the triangles repeat their
// neighbours, since the rasterizer's affine steps can land a texel off.
#include "meshes/mesh_build.h"
#include "pictures/pictures.h"

using namespace art;
using meshgen::Vec3;

namespace {

constexpr int kSize = 256;

enum class Part { kHead, kStem, kLeaf };

struct FlowerShape {
    std::vector<float> tipAngles;  // directions of the petal tips
    float petalReach = 24;         // tip distance from the axis
    float heartRadius = 4;         // the domed centre
};

float angleGap(float a, float b) {
    const float d = std::fabs(std::remainder(a - b, 2 * kPi));
    return d;
}

Colour petalColour(const FlowerShape& shape, float x, float y) {
    const float r = std::hypot(x, y);
    if (r < shape.heartRadius + 0.3f) {
        // Florets on a Fermat spiral, golden on dark violet.
        const float golden = 2.39996f;
        float nearest = 1e9f;
        for (int k = 1; k < 60; ++k) {
            const float fr = 0.52f * std::sqrt(float(k)), fa = float(k) * golden;
            nearest = std::min(nearest, std::hypot(x - fr * std::cos(fa), y - fr * std::sin(fa)));
        }
        const float floret = 1 - smoothstep(0.16f, 0.3f, nearest);
        const Colour base =
            mix(fromRgb(0x5A1A3A), palette::kViolet, clamp01(r / shape.heartRadius));
        return mix(base, fromRgb(0xFFC040),
                   floret * (0.6f + 0.4f * clamp01(r / shape.heartRadius)));
    }
    const float a = std::atan2(y, x);
    float gap = kPi;
    for (float tip : shape.tipAngles) gap = std::min(gap, angleGap(a, tip));
    const float half = kPi / float(shape.tipAngles.size());
    const float across = clamp01(gap / half);  // 0 on a petal's middle, 1 between petals
    const float along = clamp01((r - shape.heartRadius) / (shape.petalReach - shape.heartRadius));
    Colour c = gradient({fromRgb(0xB02A10), palette::kFlame, palette::kFlameLight, palette::kSpark},
                        along * (1 - 0.35f * across));
    // The vein down the middle, fading toward the tip; shade toward the
    // crease between petals.
    const float vein = (1 - smoothstep(0.03f, 0.09f, across)) * (1 - along * 0.8f);
    c = mix(c, fromRgb(0xFFE0A0), 0.45f * vein);
    return c * (1 - 0.3f * across * across);
}

// The stem's chart is small and the leaves stretch it across much of the
// screen, so their colours change only slowly from texel to texel.
Colour stemColour(Vec3 p) {
    const float rise = clamp01(float(p.z) / 40);
    return mix(fromRgb(0x2A5A10), fromRgb(0x6AAA20), rise);
}

Colour leafColour(Vec3 p, Vec3 ridgeFrom, Vec3 ridgeTo) {
    const Vec3 d = ridgeTo - ridgeFrom;
    const double t = std::clamp(dot(p - ridgeFrom, d) / dot(d, d), 0.0, 1.0);
    const float off = float(meshgen::length(p - (ridgeFrom + d * t)));
    const float midrib = 1 - smoothstep(0.0f, 2.0f, off);
    const Colour body = mix(fromRgb(0x50961E), fromRgb(0x3A7A18), smoothstep(0.0f, 5.0f, off));
    return mix(body, fromRgb(0xA0D858), 0.35f * midrib * float(1 - 0.5 * t));
}

struct TexPoint {
    float u, v;  // texel units, as the demo's loader reads them
};

TexPoint texelOf(const std::array<double, 2>& uv) {
    return {float(uv[0] * 255), float((1 - uv[1]) * 255)};
}

}  // namespace

Canvas drawFlower() {
    const meshgen::MeshBuild mesh = meshgen::buildFlow();
    FlowerShape shape;
    float reach = 0;
    for (const Vec3& p : mesh.positions) reach = std::max(reach, float(std::hypot(p.x, p.y)));
    shape.petalReach = reach;
    for (const Vec3& p : mesh.positions)
        if (std::hypot(p.x, p.y) > reach * 0.9f) shape.tipAngles.push_back(std::atan2(p.y, p.x));

    Canvas canvas(kSize, kSize);
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        const auto& face = mesh.faces[f];
        const auto& tex = mesh.texFaces[f];
        Vec3 p[3];
        TexPoint t[3];
        for (int k = 0; k < 3; ++k) {
            p[k] = mesh.positions[face[k]];
            t[k] = texelOf(mesh.texVerts[tex[k]]);
        }
        // The stem's chart lies at the bottom of the texture; a stem
        // triangle with a vertex standing off the stem belongs to a leaf.
        Part part = Part::kHead;
        int leafTip = -1, leafBase = -1;
        if (t[0].v > 180 && t[1].v > 180 && t[2].v > 180) {
            part = Part::kStem;
            for (int k = 0; k < 3; ++k) {
                const double off = std::hypot(p[k].x, p[k].y);
                if (p[k].z < 37 && off > 1.5) part = Part::kLeaf;
            }
        }
        Vec3 ridgeFrom{}, ridgeTo{};
        if (part == Part::kLeaf) {
            // The leaf's ridge: its innermost and outermost off-stem points.
            const double angle = std::atan2(p[0].y + p[1].y + p[2].y, p[0].x + p[1].x + p[2].x);
            double nearest = 1e9, farthest = 0;
            for (size_t v = 0; v < mesh.positions.size(); ++v) {
                const Vec3 q = mesh.positions[v];
                const double off = std::hypot(q.x, q.y);
                if (q.z >= 37 || off <= 1.5 ||
                    std::fabs(std::remainder(std::atan2(q.y, q.x) - angle, 2 * kPi)) > 0.6)
                    continue;
                if (off < nearest) nearest = off, leafBase = int(v);
                if (off > farthest) farthest = off, leafTip = int(v);
            }
            ridgeFrom = mesh.positions[leafBase];
            ridgeTo = mesh.positions[leafTip];
        }
        // Fill the texels whose centres fall in the texture triangle.
        const float area =
            (t[1].u - t[0].u) * (t[2].v - t[0].v) - (t[2].u - t[0].u) * (t[1].v - t[0].v);
        if (std::fabs(area) < 1e-6f) continue;
        const int x0 = std::max(0, int(std::floor(std::min({t[0].u, t[1].u, t[2].u}))));
        const int x1 = std::min(kSize - 1, int(std::ceil(std::max({t[0].u, t[1].u, t[2].u}))));
        const int y0 = std::max(0, int(std::floor(std::min({t[0].v, t[1].v, t[2].v}))));
        const int y1 = std::min(kSize - 1, int(std::ceil(std::max({t[0].v, t[1].v, t[2].v}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const float px = x + 0.5f, py = y + 0.5f;
                const float w1 =
                    ((px - t[0].u) * (t[2].v - t[0].v) - (t[2].u - t[0].u) * (py - t[0].v)) / area;
                const float w2 =
                    ((t[1].u - t[0].u) * (py - t[0].v) - (px - t[0].u) * (t[1].v - t[0].v)) / area;
                const float w0 = 1 - w1 - w2;
                if (w0 < -0.01f || w1 < -0.01f || w2 < -0.01f) continue;
                const Vec3 s = p[0] * w0 + p[1] * w1 + p[2] * w2;
                Colour c;
                switch (part) {
                    case Part::kHead:
                        c = petalColour(shape, float(s.x), float(s.y));
                        break;
                    case Part::kStem:
                        c = stemColour(s);
                        break;
                    case Part::kLeaf:
                        c = leafColour(s, ridgeFrom, ridgeTo);
                        break;
                }
                canvas.set(x, y, c, 1);
            }
    }
    // Bleed: texels next to the painted ones take their average, three
    // times over, so off-by-one samples at the triangles' edges still find
    // the right colour.
    for (int pass = 0; pass < 3; ++pass) {
        Canvas next = canvas;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                if (canvas.coverage(x, y) > 0) continue;
                Colour sum;
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int sx = x + dx, sy = y + dy;
                        if (sx < 0 || sy < 0 || sx >= kSize || sy >= kSize ||
                            canvas.coverage(sx, sy) == 0)
                            continue;
                        sum = sum + canvas.colour(sx, sy);
                        ++n;
                    }
                if (n > 0) next.set(x, y, sum * (1.0f / float(n)), 1);
            }
        canvas = next;
    }
    // Texels no triangle reaches: a dark ground.
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (canvas.coverage(x, y) == 0) canvas.set(x, y, palette::kViolet * 0.5f, 1);
    return canvas;
}
