#include <gtest/gtest.h>

#include "engine3d/camera.h"
#include "engine3d/matrix3.h"
#include "engine_test_support.h"

namespace {

Matrix3 matrixOf(std::initializer_list<Fixed> entries) {
    Matrix3 m;
    int i = 0;
    for (Fixed e : entries) m.m[i++] = e;
    return m;
}

void expectEntries(const Matrix3& m, std::initializer_list<Fixed> entries) {
    int i = 0;
    for (Fixed e : entries) {
        EXPECT_EQ(m.m[i], e) << "entry " << i;
        ++i;
    }
}

TEST(Matrix3Multiply, IdentityOnEitherSideCopiesTheOther) {
    const Matrix3 a = matrixOf({1, -2, 3, 40000, -50000, 60000, 7, 80000, -9});
    Matrix3 left = a;
    Matrix3 identity;
    identity.setIdentity();
    left.multiply(identity);
    expectEntries(left, {1, -2, 3, 40000, -50000, 60000, 7, 80000, -9});
    identity.multiply(a);
    expectEntries(identity, {1, -2, 3, 40000, -50000, 60000, 7, 80000, -9});
}

TEST(Matrix3Multiply, SquaringItselfReadsOnlyTheOldEntries) {
    // A quarter turn about z: its square is the half turn. Writing entries
    // while still reading them would leave a mixture.
    Matrix3 m = matrixOf({0, 0x10000, 0, -0x10000, 0, 0, 0, 0, 0x10000});
    m.multiply(m);
    expectEntries(m, {-0x10000, 0, 0, 0, -0x10000, 0, 0, 0, 0x10000});
}

TEST(Matrix3Multiply, FloorsEachProductBeforeAdding) {
    // 0.5 * (1/65536) three times: each product floors to 0 on its own, while
    // the exact sum 1.5/65536 would floor to 1.
    Matrix3 a = matrixOf({0x8000, 0x8000, 0x8000, 0, 0, 0, 0, 0, 0});
    const Matrix3 b = matrixOf({1, 0, 0, 1, 0, 0, 1, 0, 0});
    a.multiply(b);
    EXPECT_EQ(a.m[0], 0);
    // Negative products floor toward minus infinity: three times -1.
    Matrix3 c = matrixOf({-0x8000, -0x8000, -0x8000, 0, 0, 0, 0, 0, 0});
    c.multiply(b);
    EXPECT_EQ(c.m[0], -3);
}

TEST(TransformRow, MultipliesTheRowVectorFromTheLeft) {
    const Matrix3 m = matrixOf({1, 2, 3, 4, 5, 6, 7, 8, 9});
    const Vector3 row0 = transformRow({0x10000, 0, 0}, m);
    EXPECT_EQ(row0.x, 1);
    EXPECT_EQ(row0.y, 2);
    EXPECT_EQ(row0.z, 3);
    const Vector3 v = transformRow({0x10000, 0x20000, -0x10000}, m);
    EXPECT_EQ(v.x, 1 + 2 * 4 - 7);  // column 0
    EXPECT_EQ(v.y, 2 + 2 * 5 - 8);
    EXPECT_EQ(v.z, 3 + 2 * 6 - 9);
}

TEST(SetRotation, AnglesZeroGiveTheIdentityWithTheNegatedTables) {
    enginetest::engine();
    const Matrix3 r = rotationFromAngles(0, 0, 0);
    expectEntries(r, {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x10000});
}

TEST(SetRotation, QuarterTurnAboutYFollowsTheTableSign) {
    enginetest::engine();
    // SineTable[16384] is -1.0: the x axis turns onto +z for row vectors.
    const Matrix3 r = rotationFromAngles(0, 16384, 0);
    const Vector3 x = transformRow({0x10000, 0, 0}, r);
    EXPECT_EQ(x.x, 0);
    EXPECT_EQ(x.y, 0);
    EXPECT_EQ(x.z, 0x10000);
}

TEST(CameraUpdate, ReducesItsAnglesAndRebuildsTheMatrix) {
    enginetest::engine();
    Camera camera;
    camera.posX = 5;
    camera.rotY = 70000;
    camera.rotX = -1;
    camera.update();
    EXPECT_EQ(camera.rotY, 4464);
    EXPECT_EQ(camera.rotX, 65535);
    EXPECT_EQ(camera.posX, 5);
    const Matrix3 expected = rotationFromAngles(65535, 4464, 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(camera.matrix.m[i], expected.m[i]);
}

TEST(DisplayCamera, StartsAtTheOriginWithTheIdentity) {
    enginetest::engine();
    const Camera& camera = sharedCamera();
    EXPECT_EQ(camera.posX | camera.posY | camera.posZ, 0);
    expectEntries(camera.matrix, {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x10000});
}

TEST(MoveLocal, AppliesTheMatrixToAColumnVector) {
    enginetest::engine();
    Mesh mesh;
    mesh.moveLocal(0, 35000, 0);
    EXPECT_EQ(mesh.posX, 0);
    EXPECT_EQ(mesh.posY, 35000);
    EXPECT_EQ(mesh.posZ, 0);
    // Column vector: posX gains the first ROW dotted with (dx, dy, dz).
    mesh.matrix = matrixOf({1, 2, 3, 4, 5, 6, 7, 8, 9});
    mesh.moveLocal(0x10000, 0, 0);
    EXPECT_EQ(mesh.posX, 1);
    EXPECT_EQ(mesh.posY, 35000 + 4);
    EXPECT_EQ(mesh.posZ, 7);
}

}  // namespace
