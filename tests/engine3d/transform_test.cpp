#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace {

using enginetest::cameraAt;
using enginetest::loadText;

constexpr const char* kThreeVertices =
    "*MESH_VERTEX 0 0.0 0.0 0.0\n"
    "*MESH_VERTEX 1 25.0 -25.0 0.0\n"
    "*MESH_VERTEX 2 50.0 50.0 100.0\n"
    "*MESH_VERTEXNORMAL 0 0.0 0.0 -1.0\n";

TEST(Transform, ProjectsTheListedVertices) {
    cameraAt(0, 0, 0x20000);
    auto mesh = loadText(kThreeVertices, 3, 0, 0);
    EXPECT_EQ(mesh->focal, 0xFA0000);
    EXPECT_EQ(mesh->screenX[0], 160);
    EXPECT_EQ(mesh->screenY[0], 120);
    EXPECT_EQ(mesh->screenZ[0], 131072);
    // 62.5 and -62.5 both round down.
    EXPECT_EQ(mesh->screenX[1], 222);
    EXPECT_EQ(mesh->screenY[1], 57);
    EXPECT_EQ(mesh->screenX[2], 222);
    EXPECT_EQ(mesh->screenY[2], 182);
    EXPECT_EQ(mesh->screenZ[2], 4 * 65536);
    EXPECT_EQ(mesh->vertices[0].viewNormal.z, -65536);
}

TEST(Transform, AddsTheCameraPositionAndRotatesTheOffset) {
    auto mesh = loadText(kThreeVertices, 3, 0, 0);
    Camera& camera = cameraAt(0x8000, 0, 0x20000);
    mesh->posZ = 0x10000;
    mesh->transform();
    // x = 0.5 at z = 3.0: 250 * 0.5 / 3 = 41.67, floored.
    EXPECT_EQ(mesh->screenX[0], 160 + 41);
    EXPECT_EQ(mesh->screenZ[0], 3 * 65536);
    // A camera turned a quarter about y turns the offset (0.5, 0, 3) too.
    camera.rotY = 16384;
    camera.update();
    mesh->transform();
    EXPECT_EQ(mesh->screenZ[0], 0x8000);
}

TEST(Transform, ObjectRotationComesBeforeTheCamera) {
    Camera& camera = cameraAt(0, 0, 0x20000);
    camera.rotZ = 16384;  // x axis onto +y, z kept
    camera.update();
    auto mesh = loadText("*MESH_VERTEX 0 25.0 0.0 0.0\n", 1, 0, 0);
    mesh->rotY = 16384;  // x axis onto +z
    mesh->transform();
    // Object first: (0.5, 0, 0) -> (0, 0, 0.5), which the camera keeps. The
    // other order would give (0, 0.5, 0) and screen row 182.
    EXPECT_EQ(mesh->screenX[0], 160);
    EXPECT_EQ(mesh->screenY[0], 120);
    EXPECT_EQ(mesh->screenZ[0], 0x28000);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(mesh->matrix.m[i], rotationFromAngles(0, 16384, 0).m[i]);
    }
}

TEST(Transform, ReducesAnglesAndStoresThemBack) {
    cameraAt(0, 0, 0x20000);
    auto mesh = loadText(kThreeVertices, 3, 0, 0);
    mesh->rotY = -16384;
    mesh->rotX = 65536 * 3 + 7;
    mesh->transform();
    EXPECT_EQ(mesh->rotY, 49152);
    EXPECT_EQ(mesh->rotX, 7);
}

TEST(Transform, SkipNormalsLeavesBothNormalWordsAlone) {
    cameraAt(0, 0, 0x20000);
    auto mesh = loadText(kThreeVertices, 3, 0, 0);
    mesh->skipNormals = 1;
    mesh->rotY = 16384;
    mesh->vertices[0].normal = {11, 12, 13};
    mesh->vertices[0].viewNormal = {21, 22, 23};
    mesh->transform();
    EXPECT_EQ(mesh->vertices[0].normal.x, 11);
    EXPECT_EQ(mesh->vertices[0].viewNormal.x, 21);
    EXPECT_EQ(mesh->vertices[0].viewNormal.z, 23);
}

TEST(Transform, ZeroDepthAndOverflowingScaleLeaveNoProjection) {
    cameraAt(0, 0, 0);
    auto mesh = loadText(
        "*MESH_VERTEX 0 0.0 0.0 0.0\n"
        "*MESH_VERTEX 1 0.0 0.0 0.001\n"  // z = 1/65536: 250 << 16 overflows
        "*MESH_VERTEX 2 0.0 0.0 50.0\n",
        3, 0, 0);
    EXPECT_EQ(mesh->screenX[0], kUnprojected);
    EXPECT_EQ(mesh->screenY[0], kUnprojected);
    EXPECT_EQ(mesh->screenZ[0], 0);
    EXPECT_EQ(mesh->screenZ[1], 1);
    EXPECT_EQ(mesh->screenX[1], kUnprojected);
    EXPECT_EQ(mesh->screenX[2], 160);
    // Behind the viewer is still projected (mirrored), not refused.
    mesh->posZ = -0x20000;
    mesh->transform();
    EXPECT_EQ(mesh->screenZ[2], -0x10000);
    EXPECT_EQ(mesh->screenX[2], 160);
}

TEST(Transform, FacesWithAnUnprojectedVertexAreNotDrawn) {
    cameraAt(0, 0, 0);
    auto texture = enginetest::indexTexture();
    // A large front face whose first vertex sits at camera-space z = 0.
    auto mesh = loadText(
        "*MESH_VERTEX 0 0.0 0.0 0.0\n"
        "*MESH_VERTEX 1 0.0 50.0 50.0\n"
        "*MESH_VERTEX 2 50.0 0.0 50.0\n"
        "*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 0\n",
        3, 1, 1, texture.get());
    enginetest::fillScreen(0x1234);
    mesh->drawFlat(0xFFFF, 0, 0);
    Display* d = enginetest::engine();
    d->clearDepth(0x1E0000);
    mesh->drawTextured();
    for (int i = 0; i < Display::kPixelCount; ++i) ASSERT_EQ(d->pixels[i], 0x1234) << i;
    // The same face with its first vertex just in front of the viewer is a
    // front face and is drawn.
    mesh->posZ = 0x1000;
    mesh->transform();
    ASSERT_NE(mesh->screenX[0], kUnprojected);
    mesh->drawFlat(0xFFFF, 0, 0);
    int changed = 0;
    for (int i = 0; i < Display::kPixelCount; ++i) changed += d->pixels[i] != 0x1234;
    EXPECT_GT(changed, 1000);
}

}  // namespace
