// cube.cpp - "data/cube": the small cube of the greets wall.
//
// 3.4 file units a side (0.068 after the engine's division by 50). At focal
// 200 and 2.0 away that is 6.8 pixels face-on and at most about 12 across any
// diagonal: as large as spinning cubes on a 13 x 14 pixel grid can be without
// touching. The wall's flat shade weighs a colour by a triangle's area over
// 64 square pixels, so every pixel of size makes the greetings brighter. The 12
// texture vertices are the corners of a 3 x 2 atlas, one cell per side.
#include "meshes/mesh_build.h"

namespace meshgen {

MeshBuild buildCube() {
    constexpr double kHalfSide = 1.7;
    MeshBuild mesh;
    mesh.name = "cube";
    for (int i = 0; i < 8; ++i) {
        mesh.addVertex({(i & 1) ? kHalfSide : -kHalfSide, (i & 2) ? kHalfSide : -kHalfSide,
                        (i & 4) ? kHalfSide : -kHalfSide});
    }
    for (int row = 0; row <= 2; ++row) {
        for (int column = 0; column <= 3; ++column) mesh.addTexVert(column / 3.0, row / 2.0);
    }
    // The six sides as corner cycles; orientOutward settles the winding.
    const int sides[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1},
                             {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 6, 7, 5}};
    for (int s = 0; s < 6; ++s) {
        const int cx = s % 3;
        const int cy = s / 3;
        const int t[4] = {cy * 4 + cx, cy * 4 + cx + 1, (cy + 1) * 4 + cx + 1, (cy + 1) * 4 + cx};
        const int* q = sides[s];
        mesh.addFace({q[0], q[1], q[2]}, kTextureMapped, {t[0], t[1], t[2]});
        mesh.addFace({q[0], q[2], q[3]}, kTextureMapped, {t[0], t[2], t[3]});
    }
    orientOutward(mesh);
    return mesh;
}

}  // namespace meshgen
