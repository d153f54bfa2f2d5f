// transform.cpp - model space to screen: Mesh::transform.
//
// Camera space has x to the right, y down and z into the screen. Each vertex
// is rotated by the mesh's matrix and then the camera's, offset by the mesh
// and camera positions (the camera position is added), and divided by its
// depth around the fixed centre pixel (160, 120). Nothing is clipped here.
#include "engine3d/camera.h"
#include "engine3d/mesh.h"
#include "video/display.h"

namespace {

constexpr int kCentreX = 160;
constexpr int kCentreY = 120;

// focal / z as 16.16, trunc((focal << 16) / z). False when z is 0 or the
// quotient does not fit 32 bits: such a vertex has no projection.
bool projectionScale(Fixed focal, Fixed z, Fixed& scale) {
    if (z == 0) return false;
    const int64_t q = int64_t{focal} * 65536 / z;
    if (q < INT32_MIN || q > INT32_MAX) return false;
    scale = static_cast<Fixed>(q);
    return true;
}

}  // namespace

void Mesh::transform() {
    rebuildRotation(rotX, rotY, rotZ, matrix);

    const Camera& camera = sharedCamera();
    Matrix3 toCamera;  // object rotation first, then the camera's
    toCamera.setIdentity();
    toCamera.multiply(matrix);
    toCamera.multiply(camera.matrix);

    const Vector3 offset = transformRow(
        {wrapAdd(posX, camera.posX), wrapAdd(posY, camera.posY), wrapAdd(posZ, camera.posZ)},
        camera.matrix);

    for (int i = 0; i < vertexCount; ++i) {
        Vertex& vertex = vertices[i];
        const Vector3 q = transformRow(vertex.position, toCamera);
        const Fixed x = wrapAdd(q.x, offset.x);
        const Fixed y = wrapAdd(q.y, offset.y);
        const Fixed z = wrapAdd(q.z, offset.z);
        if (skipNormals == 0) vertex.viewNormal = transformRow(vertex.normal, toCamera);

        screenZ[i] = z;
        Fixed scale;
        if (!projectionScale(focal, z, scale)) {
            screenX[i] = kUnprojected;
            screenY[i] = kUnprojected;
            continue;
        }
        // Arithmetic shifts: pixel positions round toward minus infinity.
        screenX[i] = (fixedMul(scale, x) >> 16) + kCentreX;
        screenY[i] = (fixedMul(scale, y) >> 16) + kCentreY;
    }
}
