// Loads ASE files that other tools wrote (3ds Max, LightRay3D, Q3Map2) and
// checks the mesh against the same lines read here by a plain line parser.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine_test_support.h"

namespace {

struct Expected {
    std::vector<std::array<double, 3>> vertices;
    std::vector<std::array<int, 4>> faces;  // a, b, c, material
    std::vector<std::array<double, 2>> texVerts;
    std::vector<std::array<int, 3>> texFaces;
    std::map<int, std::array<double, 3>> normals;  // the last line per vertex
};

// Splits each line at whitespace (CR included) and reads the numbers after
// the keyword directly; face lines are read by their "A:", "B:", "C:" labels.
Expected parseByLines(const std::string& path) {
    Expected e;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string s; words >> s;) w.push_back(s);
        if (w.empty()) continue;
        if (w[0] == "*MESH_VERTEX") {
            e.vertices.push_back({std::stod(w[2]), std::stod(w[3]), std::stod(w[4])});
        } else if (w[0] == "*MESH_FACE") {
            // A line with an empty smoothing group gives no material of its
            // own: the reader keeps the material of the line before.
            std::array<int, 4> f{-1, -1, -1, e.faces.empty() ? 0 : e.faces.back()[3]};
            bool emptySmoothing = false;
            for (size_t i = 1; i + 1 < w.size(); ++i) {
                if (w[i] == "A:") f[0] = std::stoi(w[i + 1]);
                if (w[i] == "B:") f[1] = std::stoi(w[i + 1]);
                if (w[i] == "C:") f[2] = std::stoi(w[i + 1]);
                if (w[i] == "*MESH_SMOOTHING") emptySmoothing = w[i + 1] == "*MESH_MTLID";
                if (w[i] == "*MESH_MTLID" && !emptySmoothing) f[3] = std::stoi(w[i + 1]);
            }
            e.faces.push_back(f);
        } else if (w[0] == "*MESH_TVERT") {
            e.texVerts.push_back({std::stod(w[2]), std::stod(w[3])});
        } else if (w[0] == "*MESH_TFACE") {
            e.texFaces.push_back({std::stoi(w[2]), std::stoi(w[3]), std::stoi(w[4])});
        } else if (w[0] == "*MESH_VERTEXNORMAL") {
            e.normals[std::stoi(w[1])] = {std::stod(w[2]), std::stod(w[3]), std::stod(w[4])};
        }
    }
    return e;
}

// The reader rounds once per float step; a unit or two of 16.16 apart from
// the exact value is all that single precision may cost here.
void expectFixedNear(Fixed actual, double expected, const std::string& what) {
    EXPECT_NEAR(actual, expected, 2.0) << what;
}

void checkFile(const char* name, int vertexCount, int faceCount, int texVertCount,
               size_t tvertLines, size_t tfaceLines) {
    const std::string path = std::string(DEMO_ASE_TESTDATA) + "/" + name;
    const Expected e = parseByLines(path);
    ASSERT_EQ(e.vertices.size(), static_cast<size_t>(vertexCount)) << name;
    ASSERT_EQ(e.faces.size(), static_cast<size_t>(faceCount)) << name;
    ASSERT_EQ(e.texVerts.size(), tvertLines) << name;
    ASSERT_EQ(e.texFaces.size(), tfaceLines) << name;

    enginetest::cameraAt(0, 0, 0x40000);
    auto texture = enginetest::indexTexture();
    Mesh mesh(path.c_str(), texture.get(), texture.get(), vertexCount, faceCount, texVertCount);
    for (int i = 0; i < vertexCount; ++i) {
        for (int k = 0; k < 3; ++k) {
            const Fixed got = k == 0   ? mesh.vertices[i].position.x
                              : k == 1 ? mesh.vertices[i].position.y
                                       : mesh.vertices[i].position.z;
            expectFixedNear(got, std::trunc(e.vertices[i][k] / 50.0 * 65536.0),
                            std::string(name) + " vertex " + std::to_string(i));
        }
    }
    for (int f = 0; f < faceCount; ++f) {
        EXPECT_EQ(mesh.faces[f].a, e.faces[f][0]) << name << " face " << f;
        EXPECT_EQ(mesh.faces[f].b, e.faces[f][1]) << name << " face " << f;
        EXPECT_EQ(mesh.faces[f].c, e.faces[f][2]) << name << " face " << f;
        EXPECT_EQ(mesh.faces[f].materialId, e.faces[f][3]) << name << " face " << f;
        EXPECT_EQ(mesh.texFaces[f].a, e.texFaces[f][0]) << name << " tface " << f;
        EXPECT_EQ(mesh.texFaces[f].b, e.texFaces[f][1]) << name << " tface " << f;
        EXPECT_EQ(mesh.texFaces[f].c, e.texFaces[f][2]) << name << " tface " << f;
    }
    for (int t = 0; t < texVertCount; ++t) {
        expectFixedNear(mesh.texVerts[t].u, std::trunc(e.texVerts[t][0] * 255.0 * 65536.0),
                        std::string(name) + " tvert u " + std::to_string(t));
        expectFixedNear(mesh.texVerts[t].v, std::trunc((1.0 - e.texVerts[t][1]) * 255.0 * 65536.0),
                        std::string(name) + " tvert v " + std::to_string(t));
    }
    for (const auto& [index, n] : e.normals) {
        ASSERT_LT(index, vertexCount);
        expectFixedNear(mesh.vertices[index].normal.x, std::trunc(n[0] * 65536.0), name);
        expectFixedNear(mesh.vertices[index].normal.y, std::trunc(n[1] * 65536.0), name);
        expectFixedNear(mesh.vertices[index].normal.z, std::trunc(n[2] * 65536.0), name);
    }
    // Drawing the loaded file must stay inside the screen and its arrays.
    Display* d = enginetest::engine();
    d->clearDepth(0x1E0000);
    mesh.drawTextured();
    mesh.drawFlat(0xFFFF, 0, 0);
}

TEST(AseRealFiles, Max2008WithNormalsInsideTheNormalsBlock) {
    checkFile("UVTransform_Normal.ASE", 25, 32, 35, 35, 32);
}

TEST(AseRealFiles, Max2005WithCrlfAndASecondMappingChannel) {
    // 72 texture vertex and face lines: the second channel (with "-1.#IND"
    // printouts of NaN) lies beyond the counts and must be dropped.
    checkFile("TonneTest_LoD3.ase", 20, 36, 42, 72, 72);
}

TEST(AseRealFiles, LightRay3DWithEmptySmoothingGroups) {
    checkFile("lamp1.ase", 30, 34, 41, 41, 34);
}

TEST(AseRealFiles, Q3Map2WithTabsAndNoColonAfterTheFaceNumber) {
    checkFile("shrub01a.ase", 54, 50, 54, 54, 50);
}

}  // namespace
