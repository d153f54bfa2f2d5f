// matrix3.h - 3x3 rotation matrices of 16.16 numbers.
//
// Entries m[0..8] are row-major (row r, column c at m[3r + c]). Vectors are
// row vectors multiplied from the left, v' = v x M, so row r is the image of
// axis r. There is no translation in a matrix: positions are added apart.
// Every entry of a product is a sum of fixedMul products, each floored on its
// own; the low bits of all transformed coordinates depend on that order.
#pragma once

#include "engine3d/vector3.h"

struct Matrix3 {
    Fixed m[9] = {kFixedOne, 0, 0, 0, kFixedOne, 0, 0, 0, kFixedOne};

    void setIdentity();
    // this := this x rhs. All entries of both are read before any is written,
    // so rhs may be this matrix itself.
    void multiply(const Matrix3& rhs);
    // The rotation about x, then y, then z (for row vectors) from the table
    // sines and cosines of the three angles, taken as they are.
    void setRotation(Fixed sX, Fixed sY, Fixed sZ, Fixed cX, Fixed cY, Fixed cZ);
};

// v x m.
Vector3 transformRow(const Vector3& v, const Matrix3& m);
