// polar.h - distance and angle of a table cell from the table centre, as the
// background effects of the title and the logo overlay precompute them.
//
// Both effects index a texture by distance (rows) and angle (columns) through
// two 512 x 512 tables built once at start-up, so that no square root or arc
// tangent is computed per pixel.
#pragma once

#include <cstdint>

#include "fixed/fixed.h"

constexpr int kPolarTableSize = 512;
constexpr int kPolarTableCentre = 256;

// floor(sqrt(dx² + dy²)).
constexpr int polarDistance(int dx, int dy) {
    return static_cast<int>(isqrt(static_cast<uint32_t>(dx * dx + dy * dy)));
}

// The angle of (dx, dy) in 256ths of a turn, 0..255: fixedAtan2's radians
// times 2670176 (2^24 / 2pi, rounded down) in 64 bits, shifted down by 32;
// negative angles wrap to 128..255. The centre itself gives 63, because
// fixedAtan2 reads the origin as just under a quarter turn.
constexpr int polarAngle256(int dx, int dy) {
    const int64_t radians = fixedAtan2(dy, dx);
    return static_cast<int>(((radians * 2670176) >> 32) & 0xFF);
}
