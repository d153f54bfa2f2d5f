// spid.cpp - "data/spid": the environment-mapped creature.
//
// A lumpy, pear-shaped body along the x axis (head at +x) on four hoops:
// each hoop leaves one flank, rises to a knee out to the side, drops to a
// foot tucked in under the body, runs across to the other foot and climbs back into the other
// flank, so the creature shows eight legs. Ten spines run down its back. About 50 file units across
// (1.0 after the engine's division by 50).
//
// The counts are fixed by the scene: 186 vertices, 384 faces. A closed
// surface with that many has Euler characteristic 186 - 384/2 = -6, that is
// four handles: the four hoops. Faces are environment-mapped except the head
// cap and the spines, which are mapped through texture vertices: one per
// vertex (a cylindrical map around the body with its seam underneath) plus a
// separate chart of 23 for the head cap, 209 in all.
#include <cmath>

#include "meshes/mesh_build.h"

namespace meshgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kLongitudes = 22;
constexpr int kRings = 5;
constexpr int kHoops = 4;
constexpr int kHoopRings = 4;

Vec3 bodyPoint(int ring, int longitude) {
    const double theta = kPi * (ring + 1) / (kRings + 1);
    const double phi = 2 * kPi * longitude / kLongitudes;
    const double lump = 1.0 + 0.07 * std::cos(3 * phi + ring);
    const double swell = std::sin(theta) * (0.8 + 0.1 * ring) * lump;
    return {13.0 * std::cos(theta), 8.0 * swell * std::cos(phi), 9.0 * swell * std::sin(phi)};
}

// Rotates v about the unit axis by the angle whose cosine and sine are given.
Vec3 rotate(Vec3 v, Vec3 axis, double c, double s) {
    return v * c + cross(axis, v) * s + axis * (dot(axis, v) * (1 - c));
}

// Turns the frame directions by the smallest rotation taking `from` to `to`,
// so a tube's cross-section does not twist as its path bends.
void transport(Vec3 (&directions)[4], Vec3 from, Vec3 to) {
    const Vec3 axis = cross(from, to);
    const double s = length(axis);
    if (s < 1e-12) return;
    const Vec3 unit = axis * (1.0 / s);
    const double c = dot(from, to);
    for (Vec3& d : directions) d = rotate(d, unit, c, s);
}

void joinLoops(MeshBuild& mesh, const int (&a)[4], const int (&b)[4]) {
    for (int m = 0; m < 4; ++m) {
        const int n = (m + 1) % 4;
        mesh.addFace({a[m], a[n], b[n]}, kEnvironmentMapped, {a[m], a[n], b[n]});
        mesh.addFace({a[m], b[n], b[m]}, kEnvironmentMapped, {a[m], b[n], b[m]});
    }
}

// Reorders the corners of the hole a tube ends in so that hole[m] lies
// nearest ring[m]. The tube's last faces run along the hole against its
// corner order (joinLoops walks its second loop backwards), and the body's
// faces around the hole run against it too unless the order is reversed
// here; only the reversed cyclic shifts keep the surface orientable.
void matchLoop(const MeshBuild& mesh, const int (&ring)[4], int (&hole)[4]) {
    int best[4] = {hole[0], hole[1], hole[2], hole[3]};
    double bestCost = 1e300;
    for (int shift = 0; shift < 4; ++shift) {
        int candidate[4];
        double cost = 0;
        for (int m = 0; m < 4; ++m) {
            candidate[m] = hole[(shift - m + 4) % 4];
            cost += length(mesh.positions[candidate[m]] - mesh.positions[ring[m]]);
        }
        if (cost < bestCost) {
            bestCost = cost;
            for (int m = 0; m < 4; ++m) best[m] = candidate[m];
        }
    }
    for (int m = 0; m < 4; ++m) hole[m] = best[m];
}

Vec3 loopCentre(const MeshBuild& mesh, const int (&loop)[4]) {
    Vec3 c;
    for (int v : loop) c = c + mesh.positions[v];
    return c * 0.25;
}

}  // namespace

MeshBuild buildSpid() {
    MeshBuild mesh;
    mesh.name = "spid";
    const int front = mesh.addVertex({13.0, 0, 0});
    int ring[kRings][kLongitudes];
    for (int r = 0; r < kRings; ++r) {
        for (int i = 0; i < kLongitudes; ++i) ring[r][i] = mesh.addVertex(bodyPoint(r, i));
    }
    const int back = mesh.addVertex({-13.0, 0, 0});

    // Hoop j sits in band j (between rings j and j+1), in the flank cells
    // around +z and -z, alternating so neighbouring hoops share no edge.
    auto leftCell = [](int band) { return band % 2 == 0 ? 5 : 6; };
    auto rightCell = [&](int band) { return kLongitudes - 1 - leftCell(band); };

    // The head cap has its own texture chart, after the per-vertex one.
    const int headChart = 186;
    for (int i = 0; i < kLongitudes; ++i) {
        const int n = (i + 1) % kLongitudes;
        mesh.addFace({front, ring[0][i], ring[0][n]}, kTextureMapped,
                     {headChart, headChart + 1 + i, headChart + 1 + n});
    }
    std::vector<size_t> spineFaces;
    for (int band = 0; band < kRings - 1; ++band) {
        for (int i = 0; i < kLongitudes; ++i) {
            if (i == leftCell(band) || i == rightCell(band)) continue;
            const int n = (i + 1) % kLongitudes;
            const int a = ring[band][i], b = ring[band][n];
            const int c = ring[band + 1][n], d = ring[band + 1][i];
            if (i == 0 || i == kLongitudes - 1) spineFaces.push_back(mesh.faces.size());
            mesh.addFace({a, b, c}, kEnvironmentMapped, {a, b, c});
            mesh.addFace({a, c, d}, kEnvironmentMapped, {a, c, d});
        }
    }
    for (int i = 0; i < kLongitudes; ++i) {
        const int n = (i + 1) % kLongitudes;
        if (i == 0 || i == kLongitudes - 1) spineFaces.push_back(mesh.faces.size());
        const int a = ring[kRings - 1][n], b = ring[kRings - 1][i];
        mesh.addFace({a, b, back}, kEnvironmentMapped, {a, b, back});
    }

    for (int hoop = 0; hoop < kHoops; ++hoop) {
        const int cl = leftCell(hoop), cr = rightCell(hoop);
        const int left[4] = {ring[hoop][cl], ring[hoop][cl + 1], ring[hoop + 1][cl + 1],
                             ring[hoop + 1][cl]};
        int right[4] = {ring[hoop][cr], ring[hoop][cr + 1], ring[hoop + 1][cr + 1],
                        ring[hoop + 1][cr]};
        const Vec3 startCentre = loopCentre(mesh, left);
        const Vec3 endCentre = loopCentre(mesh, right);
        const double splay = (hoop - 1.5) * 4.0;  // front legs reach forward
        const Vec3 path[kHoopRings + 2] = {startCentre,
                                           {startCentre.x + splay * 0.6, 9.0, 25.0},
                                           {startCentre.x + splay * 1.3, -15.0, 15.0},
                                           {endCentre.x + splay * 1.3, -15.0, -15.0},
                                           {endCentre.x + splay * 0.6, 9.0, -25.0},
                                           endCentre};
        const double halfWidth[kHoopRings + 1] = {0, 1.3, 0.9, 0.9, 1.3};

        Vec3 tangent = normalized(path[1] - path[0]);
        Vec3 directions[4];
        for (int m = 0; m < 4; ++m) {
            const Vec3 offset = mesh.positions[left[m]] - startCentre;
            directions[m] = normalized(offset - tangent * dot(offset, tangent));
        }
        int previous[4] = {left[0], left[1], left[2], left[3]};
        for (int k = 1; k <= kHoopRings; ++k) {
            const Vec3 next = normalized(path[k + 1] - path[k - 1]);
            transport(directions, tangent, next);
            tangent = next;
            int loop[4];
            for (int m = 0; m < 4; ++m) {
                loop[m] = mesh.addVertex(path[k] + directions[m] * halfWidth[k]);
            }
            joinLoops(mesh, previous, loop);
            for (int m = 0; m < 4; ++m) previous[m] = loop[m];
        }
        matchLoop(mesh, previous, right);
        joinLoops(mesh, previous, right);
    }

    // Spines: each chosen triangle of the back ridge becomes a pyramid, taller
    // toward the tail and leaning back.
    for (size_t s = 0; s < spineFaces.size(); ++s) {
        const size_t f = spineFaces[s];
        const Triangle t = mesh.faces[f];
        const Vec3 centre =
            (mesh.positions[t[0]] + mesh.positions[t[1]] + mesh.positions[t[2]]) * (1.0 / 3);
        const Vec3 out = normalized({0, centre.y, centre.z});
        const double height = 4.0 + 0.35 * static_cast<double>(s);
        const int apex = mesh.addVertex(centre + out * height + Vec3{-1.5, 0, 0});
        mesh.faces[f] = {t[0], t[1], apex};
        mesh.materials[f] = kTextureMapped;
        mesh.texFaces[f] = {t[0], t[1], apex};
        mesh.addFace({t[1], t[2], apex}, kTextureMapped, {t[1], t[2], apex});
        mesh.addFace({t[2], t[0], apex}, kTextureMapped, {t[2], t[0], apex});
    }

    // One texture vertex per vertex: around the body axis, seam underneath.
    for (const Vec3& p : mesh.positions) {
        const double u = (std::atan2(p.z, p.y) + kPi) / (2 * kPi);
        const double v = std::fmin(1.0, std::fmax(0.0, (p.x + 30.0) / 60.0));
        mesh.addTexVert(u, v);
    }
    // The head chart: the cap seen from the front.
    double reach = 0;
    for (int i = 0; i < kLongitudes; ++i) {
        const Vec3 p = mesh.positions[ring[0][i]];
        reach = std::fmax(reach, std::fmax(std::fabs(p.y), std::fabs(p.z)));
    }
    mesh.addTexVert(0.5, 0.5);
    for (int i = 0; i < kLongitudes; ++i) {
        const Vec3 p = mesh.positions[ring[0][i]];
        mesh.addTexVert(0.5 + 0.45 * p.z / reach, 0.5 + 0.45 * p.y / reach);
    }
    orientOutward(mesh);
    return mesh;
}

}  // namespace meshgen
