// flow.cpp - "data/flow": the flower, standing along its model z axis.
//
// A thin stem with two leaves rises to a receptacle; above it five petals
// spread as a star-shaped sheet around a domed centre with four stamens. About
// 50 file units tall (1.0 after the engine's division by 50); the scene turns
// it a quarter turn about x so that z becomes the screen's vertical.
//
// Every face is mapped through texture vertices into two charts of
// "data/flower.png": the head seen from above (petals radiating from the
// centre at (0.5, 0.6), reaching 0.38 out) and the stem below it (around
// (0.5, 0.1), growing outward with height). Each of the 60 vertices has one
// texture vertex in its own chart; the ten receptacle vertices, where the
// charts meet, have a second one in the stem chart: 70 in all.
#include <cmath>

#include "meshes/mesh_build.h"

namespace meshgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSides = 10;

double sideAngle(double i) {
    return 2 * kPi * i / kSides;
}

Vec3 around(double angle, double radius, double z) {
    return {radius * std::cos(angle), radius * std::sin(angle), z};
}

std::array<double, 2> headChart(Vec3 p) {
    const double reach = 0.38 * std::hypot(p.x, p.y) / 24.0;
    const double angle = std::atan2(p.y, p.x);
    return {0.5 + reach * std::cos(angle), 0.6 + reach * std::sin(angle)};
}

std::array<double, 2> stemChart(Vec3 p) {
    const double reach = 0.09 * std::fmin(p.z, 40.0) / 40.0;
    const double angle = std::atan2(p.y, p.x);
    return {0.5 + reach * std::cos(angle), 0.1 + reach * std::sin(angle)};
}

}  // namespace

MeshBuild buildFlow() {
    MeshBuild mesh;
    mesh.name = "flow";
    const int bottom = mesh.addVertex({0, 0, 0});
    int stemBase[kSides], stemTop[kSides], receptacle[kSides], petals[kSides], dome[kSides];
    for (int i = 0; i < kSides; ++i) stemBase[i] = mesh.addVertex(around(sideAngle(i), 1.0, 0.6));
    for (int i = 0; i < kSides; ++i) stemTop[i] = mesh.addVertex(around(sideAngle(i), 0.9, 36.0));
    for (int i = 0; i < kSides; ++i) {
        receptacle[i] = mesh.addVertex(around(sideAngle(i), 3.5, 40.0));
    }
    for (int i = 0; i < kSides; ++i) {
        const bool tip = i % 2 == 0;
        petals[i] = mesh.addVertex(around(sideAngle(i), tip ? 24.0 : 5.0, tip ? 44.5 : 42.0));
    }
    for (int i = 0; i < kSides; ++i) dome[i] = mesh.addVertex(around(sideAngle(i), 4.0, 44.0));
    const int top = mesh.addVertex({0, 0, 45.5});
    const int firstStemDuplicate = 60;  // stem-chart texture vertices of the receptacle

    std::vector<int> stemChartVertices{bottom};
    for (int i = 0; i < kSides; ++i) {
        stemChartVertices.push_back(stemBase[i]);
        stemChartVertices.push_back(stemTop[i]);
    }

    auto face = [&](int a, int b, int c) { mesh.addFace({a, b, c}, kTextureMapped, {a, b, c}); };
    auto stemTex = [&](int v) {
        for (int i = 0; i < kSides; ++i) {
            if (receptacle[i] == v) return firstStemDuplicate + i;
        }
        return v;
    };

    for (int i = 0; i < kSides; ++i) face(bottom, stemBase[(i + 1) % kSides], stemBase[i]);
    // Stem sides; two of them grow a leaf: the side's quad becomes a wedge
    // whose ridge runs from a point near the stem out to the leaf tip.
    for (int i = 0; i < kSides; ++i) {
        const int n = (i + 1) % kSides;
        const int a = stemBase[i], b = stemBase[n], c = stemTop[n], d = stemTop[i];
        if (i == 0 || i == 5) {
            const double angle = sideAngle(i + 0.5);
            const int p = mesh.addVertex(around(angle, 2.0, 8.0));
            const int q = mesh.addVertex(around(angle, 11.0, 26.0));
            stemChartVertices.push_back(p);
            stemChartVertices.push_back(q);
            face(a, b, p);
            face(c, d, q);
            face(b, c, q);
            face(b, q, p);
            face(d, a, p);
            face(d, p, q);
        } else {
            face(a, b, c);
            face(a, c, d);
        }
    }
    for (int i = 0; i < kSides; ++i) {
        const int n = (i + 1) % kSides;
        const int a = stemTop[i], b = stemTop[n], c = receptacle[n], d = receptacle[i];
        mesh.addFace({a, b, c}, kTextureMapped, {a, b, stemTex(c)});
        mesh.addFace({a, c, d}, kTextureMapped, {a, stemTex(c), stemTex(d)});
    }
    for (int i = 0; i < kSides; ++i) {
        const int n = (i + 1) % kSides;
        face(receptacle[i], receptacle[n], petals[n]);
        face(receptacle[i], petals[n], petals[i]);
        face(petals[i], petals[n], dome[n]);
        face(petals[i], dome[n], dome[i]);
    }
    for (int i = 0; i < kSides; ++i) {
        const int n = (i + 1) % kSides;
        if (i == 0 || i == 2 || i == 5 || i == 7) {
            const Vec3 centre =
                (mesh.positions[dome[i]] + mesh.positions[dome[n]] + mesh.positions[top]) *
                (1.0 / 3);
            const int stamen = mesh.addVertex(centre + Vec3{0, 0, 4.5});
            face(dome[i], dome[n], stamen);
            face(dome[n], top, stamen);
            face(top, dome[i], stamen);
        } else {
            face(dome[i], dome[n], top);
        }
    }

    std::vector<bool> inStemChart(mesh.positions.size(), false);
    for (int v : stemChartVertices) inStemChart[v] = true;
    for (size_t v = 0; v < mesh.positions.size(); ++v) {
        const Vec3 p = mesh.positions[v];
        const auto uv = inStemChart[v] ? stemChart(p) : headChart(p);
        mesh.addTexVert(uv[0], uv[1]);
    }
    for (int i = 0; i < kSides; ++i) {
        const auto uv = stemChart(mesh.positions[receptacle[i]]);
        mesh.addTexVert(uv[0], uv[1]);
    }
    orientOutward(mesh);
    return mesh;
}

}  // namespace meshgen
