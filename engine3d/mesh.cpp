#include "engine3d/mesh.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine3d/ase_reader.h"
#include "platform/messages.h"
#include "video/display.h"
#include "video/image.h"

namespace {

constexpr Fixed kLoadedFocal = 250 << 16;

// Arrays start zeroed, so lines missing from a short file leave degenerate
// (culled) faces at the origin rather than garbage.
template <typename T>
T* zeroedArray(int count) {
    return count > 0 ? new T[count]() : nullptr;
}

// Appends ", N of M NAME" for what the file has of what it falls short of.
void noteShort(std::string* text, int got, int wanted, const char* what) {
    if (got >= wanted) return;
    *text += (text->empty() ? "" : ", ") + std::to_string(got) + " of " + std::to_string(wanted) +
             " " + what;
}

// The scenes load some meshes many times (the greets cube 16 times): one
// warning a file is enough.
void warnIfCutShort(const char* path, const AseCounts& got, const AseCounts& wanted) {
    std::string has;
    noteShort(&has, got.vertices, wanted.vertices, "vertices");
    noteShort(&has, got.faces, wanted.faces, "faces");
    noteShort(&has, got.texVerts, wanted.texVerts, "texture vertices");
    noteShort(&has, got.texFaces, wanted.texFaces, "texture faces");
    noteShort(&has, got.normals, wanted.normals, "vertex normals");
    if (has.empty()) return;
    static std::vector<std::string> warned;
    for (const std::string& name : warned) {
        if (name == path) return;
    }
    warned.push_back(path);
    problemLine("%s is incomplete: it has %s; the rest is left empty", path, has.c_str());
}

}  // namespace

Mesh::Mesh() {
    display = Display::instance();
    matrix.setIdentity();
    pixels = display->pixels;
    depth = display->depth;
}

Mesh::Mesh(const char* path, Image* texture_, Image* envTexture_, int vertexCount_, int faceCount_,
           int texVertCount_) {
    display = Display::instance();
    FILE* file = fopen(path, "rt");
    if (file == nullptr) exitLoadingFailed(path);
    skipNormals = 0;
    vertexCount = vertexCount_ > 0 ? vertexCount_ : 0;
    faceCount = faceCount_ > 0 ? faceCount_ : 0;
    texVertCount = texVertCount_ > 0 ? texVertCount_ : 0;
    vertices = zeroedArray<Vertex>(vertexCount);
    faces = zeroedArray<Face>(faceCount);
    texVerts = zeroedArray<TexVert>(texVertCount);
    texFaces = zeroedArray<Face>(faceCount);
    screenX = zeroedArray<int32_t>(vertexCount);
    screenY = zeroedArray<int32_t>(vertexCount);
    screenZ = zeroedArray<Fixed>(vertexCount);
    matrix.setIdentity();
    texture = texture_;
    envTexture = envTexture_;
    pixels = display->pixels;
    depth = display->depth;
    focal = kLoadedFocal;
    texels = texture != nullptr ? texture->pixels : nullptr;

    const AseCounts read = readAse(
        file, AseArrays{vertices, vertexCount, faces, faceCount, texVerts, texVertCount, texFaces});
    fclose(file);
    warnIfCutShort(path, read,
                   AseCounts{vertexCount, faceCount, texVertCount, faceCount, vertexCount});
    transform();
}

Mesh::~Mesh() {
    delete[] vertices;
    delete[] faces;
    delete[] texVerts;
    delete[] texFaces;
    delete[] screenX;
    delete[] screenY;
    delete[] screenZ;
}

void Mesh::moveLocal(Fixed dx, Fixed dy, Fixed dz) {
    const Fixed* m = matrix.m;
    posX = wrapAdd(posX, sumOfProducts(dx, m[0], dy, m[1], dz, m[2]));
    posY = wrapAdd(posY, sumOfProducts(dx, m[3], dy, m[4], dz, m[5]));
    posZ = wrapAdd(posZ, sumOfProducts(dx, m[6], dy, m[7], dz, m[8]));
}
