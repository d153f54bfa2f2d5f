// mesh.h - a triangle mesh with its pose, projection state and the per-vertex
// results of the last transform.
//
// Scenes load a mesh from an ASE text file, set its angles and position each
// frame, call transform() and draw it with drawFlat() or drawTextured(). The
// stages live in their own files: ase_reader.cpp (loading), transform.cpp
// (model to screen), draw_flat.cpp and draw_textured.cpp (rasterizers).
//
// Invariants the rasterizers rely on: every face and texture-face index lies
// inside its array (the reader never stores one that does not; slots it never
// fills hold index 0, so a mesh without vertices draws nothing and faces of a
// mesh without texture vertices are mapped only from normals), and a vertex
// that could not be projected has screenX == kUnprojected, which keeps every
// face that uses it from being drawn. The mesh owns its arrays and frees them
// with delete[]; textures and the Display are shared.
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "engine3d/matrix3.h"
#include "engine3d/mesh_records.h"

class Display;
class Image;
struct TexturedTarget;

// A front face as drawFlat fills it, wherever it is drawn: its corners from
// the top down (screen pixels, before the offset), twice its area, and its
// edges' 16.16 steps a row.
struct FlatFace {
    int64_t ax, ay, bx, by, cx, cy;
    int64_t twiceArea;
    int64_t slopeAB, slopeBC, slopeAC;
};

// screenX of a vertex whose projection does not exist (camera-space z of 0)
// or does not fit 32 bits. No projected pixel can take this value.
constexpr int32_t kUnprojected = INT32_MIN;

// The material whose faces are mapped from their camera-space normals.
constexpr int32_t kEnvironmentMaterial = 1;

class Mesh {
  public:
    // An empty mesh for callers that fill vertices themselves: identity
    // matrix, zero pose, full-screen clip, no arrays.
    Mesh();
    // Loads the ASE file at path (used exactly as given) holding the given
    // numbers of vertices, faces and texture vertices, then transforms once.
    // A file that cannot be opened prints "error loading <path>" and ends the
    // process with status 1; a malformed file never does. A file with fewer
    // vertices, faces, texture entries or vertex normals than given is loaded
    // as far as it goes (the rest stay zero) with one warning naming it, once
    // a process.
    Mesh(const char* path, Image* texture, Image* envTexture, int vertexCount, int faceCount,
         int texVertCount);
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Moves the mesh along its own axes: the matrix applied to (dx, dy, dz)
    // as a column vector, each product floored on its own.
    void moveLocal(Fixed dx, Fixed dy, Fixed dz);

    // Rebuilds the matrix from the angles and projects every vertex through
    // the shared camera into screenX, screenY, screenZ (and viewNormal unless
    // skipNormals is set).
    void transform();

    // Front faces filled with colour scaled by their projected area, shifted
    // by (offsetX, offsetY) pixels. No depth test or write.
    void drawFlat(uint32_t colour, int offsetX, int offsetY);
    // The same in two steps, for a mesh drawn at many places: its front faces
    // as projected now (flatFaces), then drawn at each place.
    void flatFaces(std::vector<FlatFace>* front) const;
    void drawFlat(const std::vector<FlatFace>& front, uint32_t colour, int offsetX, int offsetY);
    // Front faces texture-mapped (materialId other than 1) or environment-
    // mapped (materialId 1), depth-tested against Display::depth.
    void drawTextured();
    // One textured, depth-tested row of drawTextured: columns xStart up to
    // (not including) xEnd, in either order.
    void drawSpan(int xStart, int xEnd, int y, Fixed uStart, Fixed vStart, Fixed uEnd, Fixed vEnd,
                  Fixed zStart, Fixed zEnd);

    // What frames change: the pose, the vertices and the last projection.
    // Listed for saving and putting back (core/engine_state.h).
    template <class State>
    void state(State& s) {
        s(matrix, rotX, rotY, rotZ, posX, posY, posZ);
        s.buffer(vertices, vertexCount);
        s.buffer(screenX, vertexCount);
        s.buffer(screenY, vertexCount);
        s.buffer(screenZ, vertexCount);
    }

    Image* texture = nullptr;
    Image* envTexture = nullptr;
    Matrix3 matrix;
    int32_t rotX = 0;
    int32_t rotY = 0;
    int32_t rotZ = 0;
    Fixed posX = 0;
    Fixed posY = 0;
    Fixed posZ = 0;
    Vertex* vertices = nullptr;
    Face* faces = nullptr;
    TexVert* texVerts = nullptr;
    Face* texFaces = nullptr;
    int vertexCount = 0;
    int faceCount = 0;
    int texVertCount = 0;
    int clipRight = 320;
    int clipLeft = 0;
    Fixed clipBottom = 240 << 16;
    Fixed clipTop = 0;
    int32_t* screenX = nullptr;
    int32_t* screenY = nullptr;
    Fixed* screenZ = nullptr;
    Fixed focal = 0;
    int skipNormals = 0;
    Display* display = nullptr;
    int32_t* depth = nullptr;
    uint16_t* pixels = nullptr;
    const uint16_t* texels = nullptr;

  private:
    TexturedTarget texturedTarget() const;
};
