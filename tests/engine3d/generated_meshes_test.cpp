// The meshes the generator wrote into the run folder: exact counts, closed
// outward-wound surfaces with unit normals, and shapes that fit their scenes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "engine_test_support.h"
#include "meshes/mesh_build.h"

namespace {

struct GeneratedMesh {
    const char* file;
    int vertices;
    int faces;
    int texVerts;
};

constexpr GeneratedMesh kCube{"cube", 8, 12, 12};
constexpr GeneratedMesh kSpid{"spid", 186, 384, 209};
constexpr GeneratedMesh kFlow{"flow", 60, 116, 70};

std::string pathOf(const GeneratedMesh& m) {
    return std::string(DEMO_RUN_DIR) + "/data/" + m.file;
}

std::map<std::string, int> countKeywordLines(const std::string& path) {
    std::map<std::string, int> counts;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first;
        if (words >> first) ++counts[first];
    }
    return counts;
}

std::unique_ptr<Mesh> load(const GeneratedMesh& m, Image* texture) {
    return std::make_unique<Mesh>(pathOf(m).c_str(), texture, texture, m.vertices, m.faces,
                                  m.texVerts);
}

// Every directed edge once and its reverse once: closed and wound alike.
bool closedAndConsistent(const Mesh& mesh) {
    std::vector<meshgen::Triangle> faces;
    for (int f = 0; f < mesh.faceCount; ++f) {
        faces.push_back({mesh.faces[f].a, mesh.faces[f].b, mesh.faces[f].c});
    }
    return meshgen::isClosedAndConsistent(faces);
}

// Six times the enclosed volume in model units, from the loaded positions.
double volume6(const Mesh& mesh) {
    double v = 0;
    for (int f = 0; f < mesh.faceCount; ++f) {
        const Vector3* p[3] = {&mesh.vertices[mesh.faces[f].a].position,
                               &mesh.vertices[mesh.faces[f].b].position,
                               &mesh.vertices[mesh.faces[f].c].position};
        meshgen::Vec3 q[3];
        for (int k = 0; k < 3; ++k)
            q[k] = {p[k]->x / 65536.0, p[k]->y / 65536.0, p[k]->z / 65536.0};
        v += meshgen::dot(q[0], meshgen::cross(q[1], q[2]));
    }
    return v;
}

class GeneratedMeshes : public testing::TestWithParam<GeneratedMesh> {};

TEST_P(GeneratedMeshes, HoldExactlyTheCountsTheirScenesPass) {
    const GeneratedMesh m = GetParam();
    auto counts = countKeywordLines(pathOf(m));
    EXPECT_EQ(counts["*MESH_VERTEX"], m.vertices);
    EXPECT_EQ(counts["*MESH_FACE"], m.faces);
    EXPECT_EQ(counts["*MESH_TVERT"], m.texVerts);
    EXPECT_EQ(counts["*MESH_TFACE"], m.faces);
    EXPECT_EQ(counts["*MESH_VERTEXNORMAL"], 3 * m.faces);
    EXPECT_EQ(counts["*GEOMOBJECT"], 1);
}

TEST_P(GeneratedMeshes, LoadAsClosedOutwardSurfacesWithUnitNormals) {
    enginetest::cameraAt(0, 0, 0x20000);
    auto texture = enginetest::indexTexture();
    auto mesh = load(GetParam(), texture.get());
    EXPECT_TRUE(closedAndConsistent(*mesh));
    EXPECT_GT(volume6(*mesh), 0.0);
    std::vector<bool> used(mesh->vertexCount, false);
    for (int f = 0; f < mesh->faceCount; ++f) {
        used[mesh->faces[f].a] = used[mesh->faces[f].b] = used[mesh->faces[f].c] = true;
    }
    for (int i = 0; i < mesh->vertexCount; ++i) {
        EXPECT_TRUE(used[i]) << "vertex " << i;
        const Vector3& n = mesh->vertices[i].normal;
        const double length = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
        EXPECT_NEAR(length, 65536.0, 16.0) << "vertex " << i;
    }
    for (int t = 0; t < mesh->texVertCount; ++t) {
        EXPECT_GE(mesh->texVerts[t].u, 0);
        EXPECT_LE(mesh->texVerts[t].u, 255 << 16);
        EXPECT_GE(mesh->texVerts[t].v, 0);
        EXPECT_LE(mesh->texVerts[t].v, 255 << 16);
    }
}

TEST_P(GeneratedMeshes, AreWrittenTheSameEveryTime) {
    const GeneratedMesh m = GetParam();
    const meshgen::MeshBuild build = std::string(m.file) == "cube"   ? meshgen::buildCube()
                                     : std::string(m.file) == "spid" ? meshgen::buildSpid()
                                                                     : meshgen::buildFlow();
    std::ifstream in(pathOf(m), std::ios::binary);
    const std::string onDisk((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(meshgen::toAse(build), onDisk);
}

INSTANTIATE_TEST_SUITE_P(All, GeneratedMeshes, testing::Values(kCube, kSpid, kFlow),
                         [](const auto& info) { return std::string(info.param.file); });

TEST(GeneratedCube, SpinningCubesOnTheGreetsGridNeverTouch) {
    // The greets wall: focal 200, camera 2.0 away, cells 13 x 14 pixels apart.
    enginetest::cameraAt(0, 0, 0x20000);
    auto mesh = load(kCube, nullptr);
    mesh->focal = 0xC80000;
    int widest = 0, tallest = 0, narrowest = 1000;
    for (int step = 0; step < 400; ++step) {
        mesh->rotX = step * 100;
        mesh->rotY = step * 500;
        mesh->rotZ = step * 320;
        mesh->transform();
        const auto [minX, maxX] = std::minmax_element(mesh->screenX, mesh->screenX + 8);
        const auto [minY, maxY] = std::minmax_element(mesh->screenY, mesh->screenY + 8);
        widest = std::max(widest, *maxX - *minX);
        tallest = std::max(tallest, *maxY - *minY);
        narrowest = std::min(narrowest, *maxX - *minX);
    }
    // Spans are right-exclusive, so a cube covers at most (max - min) columns.
    EXPECT_LT(widest, 13);
    EXPECT_LT(tallest, 14);
    EXPECT_GE(narrowest, 5);
}

TEST(GeneratedCube, AtRestOnlyTheSideFacingTheCameraIsDrawn) {
    // The camera looks along +z from 2.0 in front: the side at model z = -1.7
    // (file units) faces it, the others face away or are seen from inside
    // their planes. A reversed winding would draw the other five instead.
    enginetest::cameraAt(0, 0, 0x20000);
    auto mesh = load(kCube, nullptr);
    mesh->focal = 0xC80000;
    mesh->transform();
    const Fixed nearSide = -(34 << 16) / 1000;
    int frontFaces = 0;
    for (int f = 0; f < mesh->faceCount; ++f) {
        const Face& face = mesh->faces[f];
        const int64_t cross = int64_t(mesh->screenX[face.b] - mesh->screenX[face.a]) *
                                  (mesh->screenY[face.c] - mesh->screenY[face.a]) -
                              int64_t(mesh->screenX[face.c] - mesh->screenX[face.a]) *
                                  (mesh->screenY[face.b] - mesh->screenY[face.a]);
        if (cross >= 0) continue;
        ++frontFaces;
        for (int v : {face.a, face.b, face.c}) {
            EXPECT_EQ(mesh->vertices[v].position.z, nearSide) << "face " << f;
        }
    }
    EXPECT_EQ(frontFaces, 2);
    enginetest::fillScreen(0);
    mesh->drawFlat(0xFFFF, 0, 0);
    EXPECT_NE(enginetest::pixelAt(160, 120), 0);
}

TEST(GeneratedSpid, IsAboutOneAcrossWithMostFacesEnvironmentMapped) {
    enginetest::cameraAt(0, 0, 0x20000);
    auto mesh = load(kSpid, nullptr);
    Fixed lo[3] = {INT32_MAX, INT32_MAX, INT32_MAX}, hi[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
    for (int i = 0; i < mesh->vertexCount; ++i) {
        const Fixed p[3] = {mesh->vertices[i].position.x, mesh->vertices[i].position.y,
                            mesh->vertices[i].position.z};
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
    }
    const double across = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]}) / 65536.0;
    EXPECT_GT(across, 0.9);
    EXPECT_LT(across, 1.2);
    int environment = 0;
    for (int f = 0; f < mesh->faceCount; ++f) environment += mesh->faces[f].materialId == 1;
    EXPECT_GT(environment, mesh->faceCount / 2);
    EXPECT_LT(environment, mesh->faceCount);
}

TEST(GeneratedFlow, IsAboutOneTallAlongItsZAxis) {
    enginetest::cameraAt(0, 0, 0x20000);
    auto mesh = load(kFlow, nullptr);
    Fixed lo[3] = {INT32_MAX, INT32_MAX, INT32_MAX}, hi[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
    for (int i = 0; i < mesh->vertexCount; ++i) {
        const Fixed p[3] = {mesh->vertices[i].position.x, mesh->vertices[i].position.y,
                            mesh->vertices[i].position.z};
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
    }
    const double tall = (hi[2] - lo[2]) / 65536.0;
    EXPECT_GT(tall, 0.9);
    EXPECT_LT(tall, 1.1);
    EXPECT_LT(hi[0] - lo[0], hi[2] - lo[2]);
    EXPECT_LT(hi[1] - lo[1], hi[2] - lo[2]);
}

}  // namespace
