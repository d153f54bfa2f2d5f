// libFuzzer target: arbitrary bytes as an ASE file, read into a mesh, then
// transformed and drawn both ways. The first eight bytes choose the array
// sizes, the pose and the projection, so that tiny and zero depths, huge
// screen positions and out-of-range indices all get tried; the rest is the
// file text. Any read or write outside the arrays, the screen or the depth
// buffer, and any undefined operation, ends the run under the sanitizers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "engine3d/ase_reader.h"
#include "engine3d/camera.h"
#include "engine3d/mesh.h"
#include "fixed/tables.h"
#include "video/display.h"
#include "video/image.h"

namespace {

Image* gTexture = nullptr;
Image* gTinyTexture = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    buildSineTable(nullptr);
    buildCosineTable();
    Display::instance();
    gTexture = new Image(256, 256);
    gTinyTexture = new Image(4, 4);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    const int vertexCount = data[0] % 48;
    const int faceCount = data[1] % 48;
    const int texVertCount = data[2] % 48;

    Mesh mesh;
    mesh.vertexCount = vertexCount;
    mesh.faceCount = faceCount;
    mesh.texVertCount = texVertCount;
    mesh.vertices = vertexCount ? new Vertex[vertexCount]() : nullptr;
    mesh.faces = faceCount ? new Face[faceCount]() : nullptr;
    mesh.texVerts = texVertCount ? new TexVert[texVertCount]() : nullptr;
    mesh.texFaces = faceCount ? new Face[faceCount]() : nullptr;
    mesh.screenX = vertexCount ? new int32_t[vertexCount]() : nullptr;
    mesh.screenY = vertexCount ? new int32_t[vertexCount]() : nullptr;
    mesh.screenZ = vertexCount ? new Fixed[vertexCount]() : nullptr;
    mesh.texture = (data[7] & 1) ? gTinyTexture : gTexture;
    mesh.envTexture = gTexture;

    FILE* file = fmemopen(const_cast<uint8_t*>(data + 8), size - 8, "r");
    if (file == nullptr) return 0;
    readAse(file, AseArrays{mesh.vertices, vertexCount, mesh.faces, faceCount, mesh.texVerts,
                            texVertCount, mesh.texFaces});
    fclose(file);

    Display* display = Display::instance();
    Camera& camera = sharedCamera();
    camera.posX = camera.posY = 0;
    camera.posZ = (static_cast<int32_t>(data[3]) - 128) * 4096;  // around z = 0
    camera.rotX = data[4] * 257;
    camera.rotY = data[5] * 257;
    camera.rotZ = 0;
    camera.update();
    mesh.focal = (data[6] & 0x80) ? static_cast<Fixed>(uint32_t{data[6]} << 24) : 0xFA0000;
    mesh.rotZ = data[6] * 300;

    mesh.transform();
    mesh.drawFlat(0xFFFF, data[4] - 128, data[5] - 128);
    display->clearDepth(0x1E0000);
    mesh.drawTextured();
    return 0;
}
