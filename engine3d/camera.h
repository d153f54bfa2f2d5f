// camera.h - the one camera every mesh transform looks through.
//
// It is made on the first sharedCamera() call and the Display keeps the
// pointer; scenes write the position and the angles (65536 per turn), then
// call update() before transforming meshes. The position is added to every
// mesh position, not subtracted.
#pragma once

#include "engine3d/matrix3.h"

class Camera {
  public:
    Camera() = default;

    // Reduces the angles to their low 16 bits (stored back) and rebuilds the
    // matrix from the sine and cosine tables. The position is left alone.
    void update();

    // A circle of the given radius about the vertical axis, facing its centre:
    // rotX and rotZ 0, rotY -16384 - angle (the angle as given, unreduced),
    // position (cos, 0, sin) x radius read at the angle's low 16 bits. The
    // matrix waits for update().
    void placeOnOrbit(int32_t angle, Fixed radius);

    Fixed posX = 0;
    Fixed posY = 0;
    Fixed posZ = 0;
    int32_t rotX = 0;
    int32_t rotY = 0;
    int32_t rotZ = 0;
    Fixed spare[3] = {0, 0, 0};  // kept in the record, never used
    Matrix3 matrix;
};

// The one camera, made on first use (position and angles 0, matrix identity)
// and kept as the Display's camera.
Camera& sharedCamera();

// The rotation for three angles (each reduced to 16 bits by the caller) from
// the sine and cosine tables.
Matrix3 rotationFromAngles(int32_t rotX, int32_t rotY, int32_t rotZ);

// Reduces three stored angles to their low 16 bits, writing them back, and
// rebuilds matrix as identity x rotation (which leaves it equal to the
// rotation, with the product's rounding). Shared by the camera and the meshes.
void rebuildRotation(int32_t& rotX, int32_t& rotY, int32_t& rotZ, Matrix3& matrix);
