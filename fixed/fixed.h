// fixed.h - the 16.16 number format and the integer maths the engine runs on.
//
// Fixed is a signed 32-bit value with 16 fractional bits (0x10000 is 1.0).
// Every product and quotient of run-time geometry goes through fixedMul and
// fixedDiv, so the low bits of every transformed coordinate follow from the
// rounding stated here. Sums of products shift each product on its own.
#pragma once

#include <array>
#include <cstdint>

using Fixed = int32_t;

constexpr Fixed kFixedOne = 0x10000;

// floor(a*b / 65536), rounds toward minus infinity; the result wraps to 32 bits.
constexpr Fixed fixedMul(Fixed a, Fixed b) {
    return static_cast<Fixed>((static_cast<int64_t>(a) * b) >> 16);
}

// trunc(a*65536 / b), rounds toward zero; the result wraps to 32 bits. b must not be 0.
constexpr Fixed fixedDiv(Fixed a, Fixed b) {
    return static_cast<Fixed>((static_cast<int64_t>(a) * 65536) / b);
}

// Whether the target divides 64-bit numbers in one instruction (x86-64,
// AArch64, WebAssembly). Elsewhere, and on the console's ARMv4T, which has no
// divide instruction at all, a 64-bit quotient is a library call several
// times dearer than a 32-bit one: code that can take a 32-bit quotient there
// does.
#if defined(__x86_64__) || defined(__aarch64__) || defined(__wasm__)
inline constexpr bool kWideDivision = true;
#else
inline constexpr bool kWideDivision = false;
#endif

// floor(65536 / n) for n >= 1, 0 from n = 65537 on: a whole number's
// reciprocal in 16.16, the same as (1 << 32) / (n << 16) truncated. Small n
// (a span's width, an edge's rows) come from a table, larger ones from a
// 32-bit division: neither needs the 64-bit division a processor without a
// divide instruction pays dearly for.
inline constexpr int kReciprocalTableSize = 512;
inline constexpr std::array<uint32_t, kReciprocalTableSize> kReciprocals = [] {
    std::array<uint32_t, kReciprocalTableSize> table{};
    for (uint32_t n = 1; n < kReciprocalTableSize; ++n) table[n] = 65536 / n;
    return table;
}();
constexpr uint32_t wholeReciprocal(int64_t n) {
    if (n < kReciprocalTableSize) return kReciprocals[n];
    return n <= 65536 ? 65536 / static_cast<uint32_t>(n) : 0;
}

// floor(sqrt(n)) for every 32-bit n: 16 shift-and-subtract steps, no division.
// root carries twice the partial square root, so each trial is root + 2^k.
constexpr uint32_t isqrt(uint32_t n) {
    uint32_t root = 0;
    for (int k = 15; k >= 0; --k) {
        uint32_t trial = root + (1u << k);
        if (n >= (trial << k)) {
            n -= trial << k;
            root |= 2u << k;
        }
    }
    return root >> 1;
}

// Angle of the point (x, y) in Fixed radians, about -pi..pi, by a rational
// approximation. |y| is taken as |y| + 1 so that no divisor is ever 0: the
// origin gives pi/2 and the positive x axis a small positive angle.
constexpr Fixed fixedAtan2(int32_t y, int32_t x) {
    constexpr Fixed kQuarterPi = 51471;        // pi/4
    constexpr Fixed kThreeQuarterPi = 154415;  // 3pi/4
    const int64_t ay = y >= 0 ? int64_t{y} + 1 : 1 - int64_t{y};
    Fixed angle;
    if (x >= 0) {
        const Fixed r = static_cast<Fixed>(((x - ay) * 65536) / (x + ay));
        angle = kQuarterPi - fixedMul(r, kQuarterPi);
    } else {
        const Fixed r = static_cast<Fixed>(((x + ay) * 65536) / (ay - x));
        angle = kThreeQuarterPi - fixedMul(r, kQuarterPi);
    }
    return y >= 0 ? angle : -angle;
}
