// mesh_build.h - triangle meshes as the mesh generator builds them, and their
// ASE text form.
//
// A MeshBuild is a list of positions (ASE file units: the engine divides them
// by 50), triangles with a material id each, and texture vertices in 0..1
// with one texture triangle per triangle. orientOutward() winds every
// triangle so that (b - a) x (c - a) points out of the closed surface, which
// is what the engine's back-face test draws; toAse() adds unit vertex normals
// and writes the keyword layout the engine's reader scans.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace meshgen {

struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(Vec3 v);
Vec3 normalized(Vec3 v);

using Triangle = std::array<int, 3>;

struct MeshBuild {
    std::string name;
    std::vector<Vec3> positions;
    std::vector<Triangle> faces;
    std::vector<int> materials;
    std::vector<std::array<double, 2>> texVerts;
    std::vector<Triangle> texFaces;

    int addVertex(Vec3 p) {
        positions.push_back(p);
        return static_cast<int>(positions.size()) - 1;
    }
    int addTexVert(double u, double v) {
        texVerts.push_back({u, v});
        return static_cast<int>(texVerts.size()) - 1;
    }
    void addFace(Triangle face, int material, Triangle texFace) {
        faces.push_back(face);
        materials.push_back(material);
        texFaces.push_back(texFace);
    }
};

// The material the engine maps from camera-space normals.
constexpr int kEnvironmentMapped = 1;
// Faces mapped through their texture vertices.
constexpr int kTextureMapped = 2;

// Winds all triangles alike across shared edges, then turns the whole
// surface so that it encloses a positive volume. Texture triangles follow
// their triangles. Returns false if the surface cannot be wound consistently.
bool orientOutward(MeshBuild& mesh);

// True when every directed edge occurs exactly once and its reverse exactly
// once: a closed surface, wound consistently.
bool isClosedAndConsistent(const std::vector<Triangle>& faces);

// Six times the enclosed volume: positive for outward winding.
double signedVolume6(const MeshBuild& mesh);

// Unit vertex normals: the triangle normals around each vertex, weighted by
// the triangle's angle at that vertex.
std::vector<Vec3> vertexNormals(const MeshBuild& mesh);

// The ASE text of one object.
std::string toAse(const MeshBuild& mesh);

MeshBuild buildCube();
MeshBuild buildSpid();
MeshBuild buildFlow();

}  // namespace meshgen
