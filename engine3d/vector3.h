// vector3.h - a point or direction of the 3D engine: three 16.16 numbers.
//
// Vectors are row vectors; they are multiplied from the left onto a Matrix3
// (see transformRow in matrix3.h).
#pragma once

#include "fixed/fixed.h"

struct Vector3 {
    Fixed x = 0;
    Fixed y = 0;
    Fixed z = 0;
};

// Two's-complement sum and difference: results that do not fit 32 bits wrap
// instead of being undefined. Geometry from a well-formed mesh never wraps.
constexpr Fixed wrapAdd(Fixed a, Fixed b) {
    return static_cast<Fixed>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr Fixed wrapSub(Fixed a, Fixed b) {
    return static_cast<Fixed>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// a0*b0 + a1*b1 + a2*b2 with every product floored to 16.16 on its own
// (fixedMul) before the three are added; the sum wraps to 32 bits.
constexpr Fixed sumOfProducts(Fixed a0, Fixed b0, Fixed a1, Fixed b1, Fixed a2, Fixed b2) {
    return static_cast<Fixed>(int64_t{fixedMul(a0, b0)} + fixedMul(a1, b1) + fixedMul(a2, b2));
}
