#include "engine3d/ase_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine_test_support.h"

namespace {

using enginetest::loadText;

// Runs the reader over text held in memory into zeroed arrays of the given
// sizes, without a Display.
struct Arrays {
    std::vector<Vertex> vertices;
    std::vector<Face> faces;
    std::vector<TexVert> texVerts;
    std::vector<Face> texFaces;

    Arrays(int v, int f, int t) : vertices(v), faces(f), texVerts(t), texFaces(f) {}
    void read(const std::string& text) {
        FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        readAse(file, AseArrays{vertices.data(), static_cast<int>(vertices.size()), faces.data(),
                                static_cast<int>(faces.size()), texVerts.data(),
                                static_cast<int>(texVerts.size()), texFaces.data()});
        fclose(file);
    }
};

std::string faceLine(int index, int a, int b, int c, int material) {
    return "*MESH_FACE " + std::to_string(index) + ":    A: " + std::to_string(a) +
           " B: " + std::to_string(b) + " C: " + std::to_string(c) +
           " AB: 1 BC: 1 CA: 0\t *MESH_SMOOTHING 1 \t*MESH_MTLID " + std::to_string(material) +
           "\n";
}

TEST(AseReader, ScalesVerticesInSinglePrecisionAndTruncates) {
    Arrays a(5, 0, 0);
    a.read(
        "*MESH_VERTEX 0 25.0 -12.5 50.0\n"
        "*MESH_VERTEX 1 -25.0 -25.0 0.0\n"
        "*MESH_VERTEX 2 1.8013 -0.9 0.0\n"
        "*MESH_VERTEX\t3\t100.0\t0.0\t-50.0\r\n");
    EXPECT_EQ(a.vertices[0].position.x, 32768);
    EXPECT_EQ(a.vertices[0].position.y, -16384);
    EXPECT_EQ(a.vertices[0].position.z, 65536);
    EXPECT_EQ(a.vertices[1].position.x, -32768);
    EXPECT_EQ(a.vertices[1].position.y, -32768);
    // In double precision 1.8013 would give 2360: the reader works in float.
    EXPECT_EQ(a.vertices[2].position.x, 2361);
    // -1179.648 truncates toward zero.
    EXPECT_EQ(a.vertices[2].position.y, -1179);
    EXPECT_EQ(a.vertices[3].position.x, 131072);
    EXPECT_EQ(a.vertices[3].position.z, -65536);
    EXPECT_EQ(a.vertices[4].position.x, 0);  // never named: stays zero
}

TEST(AseReader, FlipsTextureRowsAndScalesTo255Texels) {
    Arrays a(0, 0, 5);
    a.read(
        "*MESH_TVERT 0 0.25 0.75 0.0\n"
        "*MESH_TVERT 1 0.0 1.0 0.0\n"
        "*MESH_TVERT 2 1.0 0.0 0.0\n"
        "*MESH_TVERT 3 0.1 0.9 0.0\n"
        "*MESH_TVERT 4 0.5 0.0007 *MESH_VERTEX\n");
    EXPECT_EQ(a.texVerts[0].u, 0x3FC000);
    EXPECT_EQ(a.texVerts[0].v, 0x3FC000);
    EXPECT_EQ(a.texVerts[1].u, 0);
    EXPECT_EQ(a.texVerts[1].v, 0);
    EXPECT_EQ(a.texVerts[2].u, 0xFF0000);
    EXPECT_EQ(a.texVerts[2].v, 0xFF0000);
    EXPECT_EQ(a.texVerts[3].u, 1671168);
    EXPECT_EQ(a.texVerts[3].v, 1671168);  // 1671167 in double precision
    EXPECT_EQ(a.texVerts[4].v, 16699982);
}

TEST(AseReader, ReadsFacesMaterialsTextureFacesAndTheLastNormalOfAVertex) {
    Arrays a(4, 2, 3);
    a.read(faceLine(0, 2, 0, 3, 1) + faceLine(1, 1, 2, 3, 7) +
           "*MESH_TFACE 0 2 1 0\n*MESH_TFACE 1 0 0 2\n"
           "*MESH_FACENORMAL 0 9.0 9.0 9.0\n"
           "*MESH_VERTEXNORMAL 3 0.0 1.0 0.0\n"
           "*MESH_VERTEXNORMAL 3 0.5 -0.5 1.0\n");
    EXPECT_EQ(a.faces[0].a, 2);
    EXPECT_EQ(a.faces[0].b, 0);
    EXPECT_EQ(a.faces[0].c, 3);
    EXPECT_EQ(a.faces[0].materialId, 1);
    EXPECT_EQ(a.faces[1].materialId, 7);
    EXPECT_EQ(a.texFaces[0].a, 2);
    EXPECT_EQ(a.texFaces[1].c, 2);
    // Normals are not divided by 50.
    EXPECT_EQ(a.vertices[3].normal.x, 32768);
    EXPECT_EQ(a.vertices[3].normal.y, -32768);
    EXPECT_EQ(a.vertices[3].normal.z, 65536);
    // The face normal line is read past, not taken for a vertex normal.
    EXPECT_EQ(a.vertices[0].normal.x, 0);
}

TEST(AseReader, MatchesKeywordsOnlyAsWholeTokens) {
    Arrays a(2, 1, 1);
    a.read(
        "*MESH_VERTEX_LIST {\n*MESH_VERTEXX 0 1.0 1.0 1.0\n"
        "*MESH_NUMVERTEX 2\n*MESH_FACEX 0: A: 1 B: 1 C: 1\n*mesh_vertex 0 5.0 5.0 5.0\n"
        "*MESH_TVERTLIST {\n*MESH_VERTEX 0 50.0 0.0 0.0\n");
    EXPECT_EQ(a.vertices[0].position.x, 65536);
    EXPECT_EQ(a.vertices[1].position.x, 0);
    EXPECT_EQ(a.faces[0].a, 0);
}

TEST(AseReader, AnIncompleteLineKeepsThePreviousLinesValues) {
    Arrays a(3, 3, 0);
    // An empty *MESH_SMOOTHING stops the face format before the material:
    // the material of the line before stays (0 before the first line).
    a.read(
        "*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING *MESH_MTLID 4\n"
        "*MESH_FACE 1: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 5\n"
        "*MESH_FACE 2: A: 2 B: 1 C: 0 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING *MESH_MTLID 6\n"
        "*MESH_VERTEX 0 50.0 50.0 50.0\n*MESH_VERTEX 1 25.0 x\n");
    EXPECT_EQ(a.faces[0].materialId, 0);
    EXPECT_EQ(a.faces[1].materialId, 5);
    EXPECT_EQ(a.faces[2].materialId, 5);
    EXPECT_EQ(a.faces[2].a, 2);
    EXPECT_EQ(a.vertices[1].position.x, 32768);
    EXPECT_EQ(a.vertices[1].position.y, 65536);
    EXPECT_EQ(a.vertices[1].position.z, 65536);
}

TEST(AseReader, DropsLinesBeyondTheCountsAndOutOfRangeIndices) {
    Arrays a(2, 2, 1);
    std::string text = "*MESH_VERTEX 0 50.0 0 0\n*MESH_VERTEX 1 100.0 0 0\n";
    for (int i = 0; i < 50; ++i) text += "*MESH_VERTEX 9 150.0 150.0 150.0\n";
    text += faceLine(0, 0, 1, 2, 1);  // vertex 2 does not exist: slot stays zero
    text += faceLine(1, 1, 0, 1, 1);
    text += faceLine(2, 1, 1, 1, 1);  // beyond the face count
    text += "*MESH_TFACE 0 0 0 1\n*MESH_TFACE 1 0 0 0\n*MESH_TFACE 2 0 0 0\n";
    text += "*MESH_TVERT 0 1.0 1.0 0\n*MESH_TVERT 1 0.5 0.5 0\n";
    text += "*MESH_VERTEXNORMAL 2 1.0 0 0\n*MESH_VERTEXNORMAL -1 1.0 0 0\n";
    text += "*MESH_VERTEXNORMAL 99999999999 1.0 0 0\n";
    a.read(text);
    EXPECT_EQ(a.vertices[0].position.x, 65536);
    EXPECT_EQ(a.vertices[1].position.x, 131072);
    EXPECT_EQ(a.faces[0].a, 0);
    EXPECT_EQ(a.faces[0].c, 0);
    EXPECT_EQ(a.faces[0].materialId, 0);
    EXPECT_EQ(a.faces[1].a, 1);  // later faces keep their numbering
    EXPECT_EQ(a.faces[1].materialId, 1);
    EXPECT_EQ(a.texFaces[0].c, 0);  // index 1 is outside one texture vertex
    EXPECT_EQ(a.texVerts[0].u, 0xFF0000);
    EXPECT_EQ(a.vertices[0].normal.x, 0);
    EXPECT_EQ(a.vertices[1].normal.x, 0);
}

TEST(AseReader, RefusesNumbersThatCannotBecome16Dot16) {
    Arrays a(6, 0, 3);
    a.read(
        "*MESH_VERTEX 0 nan 0 0\n*MESH_VERTEX 1 inf 0 0\n*MESH_VERTEX 2 1e30 0 0\n"
        "*MESH_VERTEX 3 1638350.0 0 0\n"   // 2^31 - 50/65536: still fits
        "*MESH_VERTEX 4 1638400.0 0 0\n"   // exactly 2^31: does not
        "*MESH_VERTEX 5 -1638400.0 0 0\n"  // exactly -2^31: fits
        "*MESH_TVERT 0 -inf 0 0\n*MESH_TVERT 1 0.5 -1e10 0\n*MESH_TVERT 2 0.5 0.5 0\n"
        "*MESH_VERTEXNORMAL 0 1e6 0 0\n*MESH_VERTEXNORMAL 1 -nan 0 0\n");
    EXPECT_EQ(a.vertices[0].position.x, 0);
    EXPECT_EQ(a.vertices[1].position.x, 0);
    EXPECT_EQ(a.vertices[2].position.x, 0);
    EXPECT_GT(a.vertices[3].position.x, 2147000000);
    EXPECT_EQ(a.vertices[4].position.x, 0);
    EXPECT_EQ(a.vertices[5].position.x, INT32_MIN);
    EXPECT_EQ(a.texVerts[0].u, 0);
    EXPECT_EQ(a.texVerts[1].u, 0);
    EXPECT_EQ(a.texVerts[2].u, 0x7F8000);  // the line after a refused one is read
    EXPECT_EQ(a.vertices[0].normal.x, 0);
    EXPECT_EQ(a.vertices[1].normal.x, 0);
}

TEST(AseReader, SkipsLongTokensWhole) {
    Arrays a(2, 0, 0);
    // 200 characters whose tail is a keyword: no piece of it may count.
    const std::string longToken = std::string(188, 'x') + "*MESH_VERTEX";
    const std::string exact79(79, 'y');
    a.read(longToken + " 0 50.0 50.0 50.0\n" + exact79 + "\n*MESH_VERTEX 0 100.0 0 0\n" +
           std::string(80, 'z') + "\n*MESH_VERTEX 1 " + std::string(300, '1') + " 0 0\n");
    EXPECT_EQ(a.vertices[0].position.x, 131072);
    EXPECT_EQ(a.vertices[1].position.x, 0);  // a 300-digit number is not finite in float
}

TEST(MeshLoading, ShortFileLeavesZeroedDegenerateFaces) {
    enginetest::cameraAt(0, 0, 0x20000);
    auto mesh = loadText("*MESH_VERTEX 0 10.0 0 0\n", 4, 3, 2);
    EXPECT_EQ(mesh->vertexCount, 4);
    EXPECT_EQ(mesh->faces[2].a | mesh->faces[2].b | mesh->faces[2].c, 0);
    EXPECT_EQ(mesh->texVerts[1].u, 0);
    EXPECT_EQ(mesh->clipRight, 320);
    EXPECT_EQ(mesh->clipBottom, 240 << 16);
    // Loading ends with a transform. x = 0.2 is 13107/65536, just under
    // 0.2, so 24.9996 pixels right of the centre floors to 24.
    EXPECT_EQ(mesh->screenX[0], 160 + 24);
    EXPECT_EQ(mesh->screenZ[3], 0x20000);
}

// A cut file renders flat or not at all: the loader says so once a file,
// naming what is missing, and loads the rest.
TEST(MeshLoading, AFileCutShortIsNamedOnceWithWhatItLacks) {
    enginetest::engine();
    const std::string cut = enginetest::scratchFile(
        "*MESH_VERTEX 0 1 0 0\n*MESH_VERTEX 1 0 1 0\n" + faceLine(0, 0, 1, 0, 0) +
        "*MESH_TVERT 0 0.5 0.5 0\n*MESH_VERTEXNORMAL 1 0 0 1\n");
    const std::string whole = enginetest::scratchFile(
        "*MESH_VERTEX 0 1 0 0\n" + faceLine(0, 0, 0, 0, 0) +
        "*MESH_TVERT 0 0.5 0.5 0\n*MESH_TFACE 0 0 0 0\n*MESH_VERTEXNORMAL 0 0 0 1\n");
    testing::internal::CaptureStdout();
    Mesh first(cut.c_str(), nullptr, nullptr, 3, 2, 1);
    Mesh again(cut.c_str(), nullptr, nullptr, 3, 2, 1);
    Mesh complete(whole.c_str(), nullptr, nullptr, 1, 1, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              cut +
                  " is incomplete: it has 2 of 3 vertices, 1 of 2 faces, 0 of 2 texture faces, "
                  "1 of 3 vertex normals; the rest is left empty\n");
    EXPECT_EQ(first.vertices[1].normal.z, 0x10000);
    EXPECT_EQ(first.vertices[2].position.x, 0);
    std::filesystem::remove(cut);
    std::filesystem::remove(whole);
}

TEST(MeshLoading, TheEmptyMeshDrawsIntoTheDisplayWithAFullScreenClip) {
    Display* display = enginetest::engine();
    Mesh mesh;
    EXPECT_EQ(mesh.display, display);
    EXPECT_EQ(mesh.pixels, display->pixels);
    EXPECT_EQ(mesh.depth, display->depth);
    EXPECT_EQ(mesh.vertices, nullptr);
    EXPECT_EQ(mesh.texels, nullptr);
    EXPECT_EQ(mesh.clipLeft, 0);
    EXPECT_EQ(mesh.clipRight, 320);
    EXPECT_EQ(mesh.clipTop, 0);
    EXPECT_EQ(mesh.clipBottom, 0xF00000);
    EXPECT_EQ(mesh.matrix.m[0], 0x10000);
    EXPECT_EQ(mesh.matrix.m[1], 0);
}

TEST(MeshLoading, AMissingFileEndsTheProgramWithItsName) {
    enginetest::engine();
    EXPECT_EXIT(
        {
            dup2(2, 1);  // the message goes to standard output
            Mesh mesh("data/no-such-mesh", nullptr, nullptr, 1, 1, 1);
        },
        testing::ExitedWithCode(1), "error loading data/no-such-mesh");
}

}  // namespace
