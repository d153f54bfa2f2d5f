// Shared set-up of the 3D engine tests: the headless Display with its camera,
// the sine tables, ASE text written to scratch files, and meshes whose
// screen positions a test sets by hand.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine3d/camera.h"
#include "engine3d/mesh.h"
#include "fixed/tables.h"
#include "video/display.h"
#include "video/image.h"

namespace enginetest {

inline Display* engine() {
    static bool tablesBuilt = false;
    if (!tablesBuilt) {
        buildSineTable(nullptr);
        buildCosineTable();
        tablesBuilt = true;
    }
    return Display::instance();
}

// The camera at `position`, angles 0 (identity matrix).
inline Camera& cameraAt(Fixed x, Fixed y, Fixed z) {
    engine();
    Camera& camera = sharedCamera();
    camera.posX = x;
    camera.posY = y;
    camera.posZ = z;
    camera.rotX = camera.rotY = camera.rotZ = 0;
    camera.update();
    return camera;
}

inline std::string scratchFile(const std::string& text) {
    static int serial = 0;
    const auto path =
        std::filesystem::temp_directory_path() /
        ("engine3d_test_" + std::to_string(getpid()) + "_" + std::to_string(serial++) + ".ase");
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    return path.string();
}

inline std::unique_ptr<Mesh> loadText(const std::string& text, int vertices, int faces,
                                      int texVerts, Image* texture = nullptr) {
    engine();
    const std::string path = scratchFile(text);
    auto mesh = std::make_unique<Mesh>(path.c_str(), texture, texture, vertices, faces, texVerts);
    std::filesystem::remove(path);
    return mesh;
}

// A 256 x 256 texture whose texel i holds the value i, so a drawn pixel
// shows which texel index it read.
inline std::unique_ptr<Image> indexTexture() {
    auto image = std::make_unique<Image>(256, 256);
    for (int i = 0; i < 65536; ++i) image->pixels[i] = static_cast<uint16_t>(i);
    return image;
}

struct ScreenVertex {
    int x;
    int y;
    Fixed z;
};

// A mesh whose projection is set directly: one vertex per entry, faces as
// given (materialId 0, texture face = the same indices).
inline std::unique_ptr<Mesh> screenMesh(const std::vector<ScreenVertex>& points,
                                        const std::vector<Face>& faceList) {
    engine();
    auto mesh = std::make_unique<Mesh>();
    const int n = static_cast<int>(points.size());
    mesh->vertexCount = n;
    mesh->vertices = new Vertex[n]();
    mesh->screenX = new int32_t[n];
    mesh->screenY = new int32_t[n];
    mesh->screenZ = new Fixed[n];
    mesh->texVerts = new TexVert[n]();
    mesh->texVertCount = n;
    for (int i = 0; i < n; ++i) {
        mesh->screenX[i] = points[i].x;
        mesh->screenY[i] = points[i].y;
        mesh->screenZ[i] = points[i].z;
    }
    mesh->faceCount = static_cast<int>(faceList.size());
    mesh->faces = new Face[faceList.size()]();
    mesh->texFaces = new Face[faceList.size()]();
    for (size_t f = 0; f < faceList.size(); ++f) {
        mesh->faces[f] = faceList[f];
        mesh->texFaces[f] = faceList[f];
    }
    return mesh;
}

inline Face face(int a, int b, int c, int material = 0) {
    Face f;
    f.a = a;
    f.b = b;
    f.c = c;
    f.materialId = material;
    return f;
}

inline void fillScreen(uint16_t value) {
    Display* d = engine();
    for (int i = 0; i < Display::kPixelCount; ++i) d->pixels[i] = value;
}

inline uint16_t pixelAt(int x, int y) {
    return engine()->pixels[y * 320 + x];
}

}  // namespace enginetest
