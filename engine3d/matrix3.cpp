#include "engine3d/matrix3.h"

void Matrix3::setIdentity() {
    for (int i = 0; i < 9; ++i) m[i] = (i % 4 == 0) ? kFixedOne : 0;
}

void Matrix3::multiply(const Matrix3& rhs) {
    const Matrix3 a = *this;
    const Matrix3 b = rhs;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m[3 * r + c] = sumOfProducts(a.m[3 * r], b.m[c], a.m[3 * r + 1], b.m[3 + c],
                                         a.m[3 * r + 2], b.m[6 + c]);
        }
    }
}

void Matrix3::setRotation(Fixed sX, Fixed sY, Fixed sZ, Fixed cX, Fixed cY, Fixed cZ) {
    // The three-factor terms are nested products (u and v first), which fixes
    // where they are floored.
    const Fixed u = fixedMul(sY, cZ);
    const Fixed v = fixedMul(sY, sZ);
    m[0] = fixedMul(cY, cZ);
    m[1] = fixedMul(sZ, cY);
    m[2] = wrapSub(0, sY);
    m[3] = wrapSub(fixedMul(sX, u), fixedMul(sZ, cX));
    m[4] = wrapAdd(fixedMul(sX, v), fixedMul(cX, cZ));
    m[5] = fixedMul(sX, cY);
    m[6] = wrapAdd(fixedMul(cX, u), fixedMul(sX, sZ));
    m[7] = wrapSub(fixedMul(cX, v), fixedMul(sX, cZ));
    m[8] = fixedMul(cX, cY);
}

Vector3 transformRow(const Vector3& v, const Matrix3& m) {
    return {sumOfProducts(v.x, m.m[0], v.y, m.m[3], v.z, m.m[6]),
            sumOfProducts(v.x, m.m[1], v.y, m.m[4], v.z, m.m[7]),
            sumOfProducts(v.x, m.m[2], v.y, m.m[5], v.z, m.m[8])};
}
