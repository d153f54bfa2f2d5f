#include "meshes/mesh_build.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

namespace meshgen {

double length(Vec3 v) {
    return std::sqrt(dot(v, v));
}

Vec3 normalized(Vec3 v) {
    const double l = length(v);
    return l > 0 ? v * (1.0 / l) : v;
}

namespace {

using EdgeKey = std::pair<int, int>;

void flip(MeshBuild& mesh, size_t f) {
    std::swap(mesh.faces[f][1], mesh.faces[f][2]);
    std::swap(mesh.texFaces[f][1], mesh.texFaces[f][2]);
}

// Rounds to the four decimals written, without a "-0.0000".
double tidy(double v) {
    const double r = std::round(v * 10000.0) / 10000.0;
    return r == 0.0 ? 0.0 : r;
}

void appendf(std::string& out, const char* format, auto... values) {
    char line[256];
    snprintf(line, sizeof line, format, values...);
    out += line;
}

}  // namespace

bool isClosedAndConsistent(const std::vector<Triangle>& faces) {
    std::map<EdgeKey, int> directed;
    for (const Triangle& t : faces) {
        for (int k = 0; k < 3; ++k) ++directed[{t[k], t[(k + 1) % 3]}];
    }
    for (const auto& [edge, count] : directed) {
        if (count != 1) return false;
        const auto reverse = directed.find({edge.second, edge.first});
        if (reverse == directed.end() || reverse->second != 1) return false;
    }
    return true;
}

double signedVolume6(const MeshBuild& mesh) {
    double volume = 0;
    for (const Triangle& t : mesh.faces) {
        volume += dot(mesh.positions[t[0]], cross(mesh.positions[t[1]], mesh.positions[t[2]]));
    }
    return volume;
}

bool orientOutward(MeshBuild& mesh) {
    // Undirected edge -> the faces on it. A face is flipped when it runs along
    // a shared edge in the same direction as its already-wound neighbour.
    std::map<EdgeKey, std::vector<size_t>> edgeFaces;
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        for (int k = 0; k < 3; ++k) {
            const int a = mesh.faces[f][k];
            const int b = mesh.faces[f][(k + 1) % 3];
            edgeFaces[{std::min(a, b), std::max(a, b)}].push_back(f);
        }
    }
    auto runsForward = [&](size_t f, int a, int b) {
        for (int k = 0; k < 3; ++k) {
            if (mesh.faces[f][k] == a && mesh.faces[f][(k + 1) % 3] == b) return true;
        }
        return false;
    };
    std::vector<int> state(mesh.faces.size(), 0);  // 0 unvisited, 1 wound
    for (size_t seed = 0; seed < mesh.faces.size(); ++seed) {
        if (state[seed] != 0) continue;
        state[seed] = 1;
        std::vector<size_t> queue{seed};
        while (!queue.empty()) {
            const size_t f = queue.back();
            queue.pop_back();
            for (int k = 0; k < 3; ++k) {
                const int a = mesh.faces[f][k];
                const int b = mesh.faces[f][(k + 1) % 3];
                for (size_t g : edgeFaces[{std::min(a, b), std::max(a, b)}]) {
                    if (g == f) continue;
                    if (state[g] == 0) {
                        if (runsForward(g, a, b)) flip(mesh, g);
                        state[g] = 1;
                        queue.push_back(g);
                    } else if (runsForward(g, a, b)) {
                        return false;  // not orientable as built
                    }
                }
            }
        }
    }
    if (signedVolume6(mesh) < 0) {
        for (size_t f = 0; f < mesh.faces.size(); ++f) flip(mesh, f);
    }
    return isClosedAndConsistent(mesh.faces);
}

std::vector<Vec3> vertexNormals(const MeshBuild& mesh) {
    std::vector<Vec3> sum(mesh.positions.size());
    for (const Triangle& t : mesh.faces) {
        const Vec3 n = normalized(cross(mesh.positions[t[1]] - mesh.positions[t[0]],
                                        mesh.positions[t[2]] - mesh.positions[t[0]]));
        for (int k = 0; k < 3; ++k) {
            const Vec3 p = mesh.positions[t[k]];
            const Vec3 e1 = normalized(mesh.positions[t[(k + 1) % 3]] - p);
            const Vec3 e2 = normalized(mesh.positions[t[(k + 2) % 3]] - p);
            const double angle = std::acos(std::fmax(-1.0, std::fmin(1.0, dot(e1, e2))));
            sum[t[k]] = sum[t[k]] + n * angle;
        }
    }
    for (Vec3& n : sum) n = normalized(n);
    return sum;
}

std::string toAse(const MeshBuild& mesh) {
    const std::vector<Vec3> normals = vertexNormals(mesh);
    std::string out;
    out += "*3DSMAX_ASCIIEXPORT\t200\n";
    appendf(out, "*COMMENT \"%s, written by the demo's mesh generator\"\n", mesh.name.c_str());
    out += "*GEOMOBJECT {\n";
    appendf(out, "\t*NODE_NAME \"%s\"\n", mesh.name.c_str());
    out += "\t*MESH {\n\t\t*TIMEVALUE 0\n";
    appendf(out, "\t\t*MESH_NUMVERTEX %zu\n", mesh.positions.size());
    appendf(out, "\t\t*MESH_NUMFACES %zu\n", mesh.faces.size());
    out += "\t\t*MESH_VERTEX_LIST {\n";
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const Vec3 p = mesh.positions[i];
        appendf(out, "\t\t\t*MESH_VERTEX %4zu\t%.4f\t%.4f\t%.4f\n", i, tidy(p.x), tidy(p.y),
                tidy(p.z));
    }
    out += "\t\t}\n\t\t*MESH_FACE_LIST {\n";
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        const Triangle& t = mesh.faces[f];
        appendf(out,
                "\t\t\t*MESH_FACE %4zu:    A: %4d B: %4d C: %4d AB:    1 BC:    1 CA:    1\t "
                "*MESH_SMOOTHING 1 \t*MESH_MTLID %d\n",
                f, t[0], t[1], t[2], mesh.materials[f]);
    }
    out += "\t\t}\n";
    appendf(out, "\t\t*MESH_NUMTVERTEX %zu\n", mesh.texVerts.size());
    out += "\t\t*MESH_TVERTLIST {\n";
    for (size_t i = 0; i < mesh.texVerts.size(); ++i) {
        appendf(out, "\t\t\t*MESH_TVERT %zu\t%.4f\t%.4f\t0.0000\n", i, tidy(mesh.texVerts[i][0]),
                tidy(mesh.texVerts[i][1]));
    }
    out += "\t\t}\n";
    appendf(out, "\t\t*MESH_NUMTVFACES %zu\n", mesh.texFaces.size());
    out += "\t\t*MESH_TFACELIST {\n";
    for (size_t f = 0; f < mesh.texFaces.size(); ++f) {
        const Triangle& t = mesh.texFaces[f];
        appendf(out, "\t\t\t*MESH_TFACE %zu\t%d\t%d\t%d\n", f, t[0], t[1], t[2]);
    }
    out += "\t\t}\n\t\t*MESH_NORMALS {\n";
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        const Triangle& t = mesh.faces[f];
        const Vec3 n = normalized(cross(mesh.positions[t[1]] - mesh.positions[t[0]],
                                        mesh.positions[t[2]] - mesh.positions[t[0]]));
        appendf(out, "\t\t\t*MESH_FACENORMAL %zu\t%.4f\t%.4f\t%.4f\n", f, tidy(n.x), tidy(n.y),
                tidy(n.z));
        for (int k = 0; k < 3; ++k) {
            const Vec3 vn = normals[t[k]];
            appendf(out, "\t\t\t\t*MESH_VERTEXNORMAL %d\t%.4f\t%.4f\t%.4f\n", t[k], tidy(vn.x),
                    tidy(vn.y), tidy(vn.z));
        }
    }
    out += "\t\t}\n\t}\n}\n";
    return out;
}

}  // namespace meshgen
