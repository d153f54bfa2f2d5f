// ase_reader.h - reads the few ASE (ASCII Scene Export) keywords a mesh needs.
//
// The reader does not follow the file's nesting or its own counts: it scans
// whitespace-separated tokens and, for each of *MESH_VERTEX, *MESH_FACE,
// *MESH_TVERT, *MESH_TFACE, *MESH_FACENORMAL and *MESH_VERTEXNORMAL, reads the
// rest of the line with one fscanf. Lines are stored in file order into the
// arrays the caller sized. A field a line does not supply keeps the value of
// the previous line of the same keyword (0 for the first).
//
// Numbers are single precision; vertex positions are divided by 50, texture
// coordinates become texels of a 256 x 256 texture (u * 255, (1 - v) * 255,
// so v is flipped), all in float in that order, then truncated to 16.16.
//
// Bad input is never written or read outside the arrays:
// - lines beyond the caller's counts are read past and dropped;
// - a line whose number is not finite or whose 16.16 value does not fit 32
//   bits, or whose face, texture-face or normal index falls outside its
//   array, stores nothing (a face or vertex slot still advances and stays
//   zero, so later lines keep their numbering);
// - a token of 80 characters or more is skipped whole.
#pragma once

#include <cstdio>

#include "engine3d/mesh_records.h"

struct AseArrays {
    Vertex* vertices;
    int vertexCount;
    Face* faces;
    int faceCount;
    TexVert* texVerts;
    int texVertCount;
    Face* texFaces;  // faceCount entries
};

// How many entries of each array the file filled (a line that stores nothing
// still counts: its slot was the file's to fill), and how many vertices got a
// normal from at least one line.
struct AseCounts {
    int vertices = 0;
    int faces = 0;
    int texVerts = 0;
    int texFaces = 0;
    int normals = 0;
};

// Scans the file to its end. The arrays must start zeroed.
AseCounts readAse(FILE* file, const AseArrays& arrays);
