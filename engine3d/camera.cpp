#include "engine3d/camera.h"

#include "fixed/tables.h"
#include "video/display.h"

Camera& sharedCamera() {
    Display* display = Display::instance();
    if (display->camera == nullptr) display->camera = new Camera();
    return *display->camera;
}

Matrix3 rotationFromAngles(int32_t rotX, int32_t rotY, int32_t rotZ) {
    Matrix3 r;
    r.setIdentity();
    r.setRotation(SineTable[rotX], SineTable[rotY], SineTable[rotZ], CosineTable[rotX],
                  CosineTable[rotY], CosineTable[rotZ]);
    return r;
}

void rebuildRotation(int32_t& rotX, int32_t& rotY, int32_t& rotZ, Matrix3& matrix) {
    rotX &= 0xFFFF;
    rotY &= 0xFFFF;
    rotZ &= 0xFFFF;
    const Matrix3 r = rotationFromAngles(rotX, rotY, rotZ);
    matrix.setIdentity();
    matrix.multiply(r);
}

void Camera::update() {
    rebuildRotation(rotX, rotY, rotZ, matrix);
}

void Camera::placeOnOrbit(int32_t angle, Fixed radius) {
    rotX = 0;
    rotZ = 0;
    rotY = -16384 - angle;
    posX = fixedMul(CosineTable[angle & 0xFFFF], radius);
    posY = 0;
    posZ = fixedMul(SineTable[angle & 0xFFFF], radius);
}
