#include "engine3d/ase_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace {

constexpr int kTokenSize = 80;

// Reads one whitespace-delimited token. A token that does not fit the buffer
// is consumed whole and returned empty, so it matches no keyword and no piece
// of it is taken for a token of its own. False at end of file.
bool readToken(FILE* file, char (&token)[kTokenSize]) {
    if (fscanf(file, "%79s", token) != 1) return false;
    const int next = getc(file);
    if (next == EOF) return true;
    if (isspace(next)) {
        ungetc(next, file);
        return true;
    }
    int c;
    while ((c = getc(file)) != EOF && !isspace(c)) {
    }
    token[0] = '\0';
    return true;
}

// float to 16.16 by truncation toward zero, refusing values (NaN, infinities,
// anything outside the 32-bit range) whose conversion would be undefined.
bool toFixed(float value, Fixed& out) {
    if (!(value >= -2147483648.0f && value < 2147483648.0f)) return false;
    out = static_cast<Fixed>(value);
    return true;
}

bool inRange(int index, int count) {
    return index >= 0 && index < count;
}

// Values a line does not supply come from the previous line of its keyword.
struct LineState {
    float vertex[3] = {0, 0, 0};
    int face[4] = {0, 0, 0, 0};  // a, b, c, materialId
    float texVert[2] = {0, 0};
    int texFace[3] = {0, 0, 0};
    float faceNormal[3] = {0, 0, 0};
    float normal[3] = {0, 0, 0};
};

struct Cursor {
    int vertex = 0;
    int face = 0;
    int texVert = 0;
    int texFace = 0;
    std::vector<bool> hasNormal;  // one flag a vertex
};

void readVertex(FILE* file, const AseArrays& out, LineState& s, Cursor& at) {
    fscanf(file, "%*s %f %f %f", &s.vertex[0], &s.vertex[1], &s.vertex[2]);
    if (at.vertex >= out.vertexCount) return;
    Vector3 p;
    // Each step in float, in this order: the low bits depend on it.
    if (toFixed(s.vertex[0] / 50.0f * 65536.0f, p.x) &&
        toFixed(s.vertex[1] / 50.0f * 65536.0f, p.y) &&
        toFixed(s.vertex[2] / 50.0f * 65536.0f, p.z)) {
        out.vertices[at.vertex].position = p;
    }
    ++at.vertex;
}

void readFace(FILE* file, const AseArrays& out, LineState& s, Cursor& at) {
    fscanf(file,
           "%*s %*s %d %*s %d %*s %d AB: %*d BC: %*d CA: %*d *MESH_SMOOTHING %*d *MESH_MTLID %d",
           &s.face[0], &s.face[1], &s.face[2], &s.face[3]);
    if (at.face >= out.faceCount) return;
    if (inRange(s.face[0], out.vertexCount) && inRange(s.face[1], out.vertexCount) &&
        inRange(s.face[2], out.vertexCount)) {
        Face& f = out.faces[at.face];
        f.a = s.face[0];
        f.b = s.face[1];
        f.c = s.face[2];
        f.materialId = s.face[3];
    }
    ++at.face;
}

void readTexVert(FILE* file, const AseArrays& out, LineState& s, Cursor& at) {
    // The third coordinate stays unread and is later skipped as a token.
    fscanf(file, "%*s %f %f", &s.texVert[0], &s.texVert[1]);
    if (at.texVert >= out.texVertCount) return;
    TexVert t;
    if (toFixed(s.texVert[0] * 255.0f * 65536.0f, t.u) &&
        toFixed((1.0f - s.texVert[1]) * 255.0f * 65536.0f, t.v)) {
        out.texVerts[at.texVert] = t;
    }
    ++at.texVert;
}

void readTexFace(FILE* file, const AseArrays& out, LineState& s, Cursor& at) {
    fscanf(file, "%*s %d %d %d", &s.texFace[0], &s.texFace[1], &s.texFace[2]);
    if (at.texFace >= out.faceCount) return;
    if (inRange(s.texFace[0], out.texVertCount) && inRange(s.texFace[1], out.texVertCount) &&
        inRange(s.texFace[2], out.texVertCount)) {
        Face& f = out.texFaces[at.texFace];
        f.a = s.texFace[0];
        f.b = s.texFace[1];
        f.c = s.texFace[2];
    }
    ++at.texFace;
}

void readVertexNormal(FILE* file, const AseArrays& out, LineState& s, Cursor& at) {
    int index = 0;
    fscanf(file, "%d %f %f %f", &index, &s.normal[0], &s.normal[1], &s.normal[2]);
    if (!inRange(index, out.vertexCount)) return;
    at.hasNormal[size_t(index)] = true;
    Vector3 n;
    if (toFixed(s.normal[0] * 65536.0f, n.x) && toFixed(s.normal[1] * 65536.0f, n.y) &&
        toFixed(s.normal[2] * 65536.0f, n.z)) {
        // ASE lists a normal per face corner; the last line for a vertex wins.
        out.vertices[index].normal = n;
    }
}

}  // namespace

AseCounts readAse(FILE* file, const AseArrays& arrays) {
    LineState state;
    Cursor at;
    at.hasNormal.resize(size_t(arrays.vertexCount > 0 ? arrays.vertexCount : 0));
    char token[kTokenSize];
    while (readToken(file, token)) {
        if (strcmp(token, "*MESH_VERTEX") == 0) {
            readVertex(file, arrays, state, at);
        } else if (strcmp(token, "*MESH_FACE") == 0) {
            readFace(file, arrays, state, at);
        } else if (strcmp(token, "*MESH_TVERT") == 0) {
            readTexVert(file, arrays, state, at);
        } else if (strcmp(token, "*MESH_TFACE") == 0) {
            readTexFace(file, arrays, state, at);
        } else if (strcmp(token, "*MESH_FACENORMAL") == 0) {
            fscanf(file, "%*s %*d %f %f %f", &state.faceNormal[0], &state.faceNormal[1],
                   &state.faceNormal[2]);
        } else if (strcmp(token, "*MESH_VERTEXNORMAL") == 0) {
            readVertexNormal(file, arrays, state, at);
        }
    }
    const int normals = int(std::count(at.hasNormal.begin(), at.hasNormal.end(), true));
    return {at.vertex, at.face, at.texVert, at.texFace, normals};
}
