// mesh_records.h - the records a mesh is made of: its vertices, its faces and
// texture faces, its texture vertices. The ASE reader fills them and the mesh
// owns them: both take them from here, so the reader needs nothing else of
// the mesh.
#pragma once

#include <cstdint>

#include "engine3d/vector3.h"

struct Vertex {
    Vector3 position;    // model units
    Vector3 normal;      // unit length, model space
    Vector3 viewNormal;  // normal rotated into camera space by the last transform
};

// A face (vertex indices) or a texture face (texVerts indices, a/b/c only).
struct Face {
    int32_t a = 0;
    int32_t b = 0;
    int32_t c = 0;
    Vector3 normal;  // kept in the record, never set or read
    int32_t materialId = 0;
};

// Texel coordinates in a 256 x 256 texture: u the column, v the row.
struct TexVert {
    Fixed u = 0;
    Fixed v = 0;
};
