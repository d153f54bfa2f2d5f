// colour.h - saturating per-channel operations on RGB565 colours.
//
// RGB565: red in bits 15..11 (0..31), green in bits 10..5 (0..63), blue in
// bits 4..0 (0..31). Every operation clamps each channel at its maximum.
// Factors and weights are 8.8 values: 256 is 1.0.
#pragma once

#include <cstdint>

// Whether the target has vector registers (x86-64's SSE2): pixel loops that
// the compiler turns into eight pixels a step pay off there. Elsewhere (the
// console's ARMv4T, WebAssembly) it splits them into single pixels, and loops
// written for 32-bit words do better.
#if defined(__SSE2__)
inline constexpr bool kVectorRegisters = true;
#else
inline constexpr bool kVectorRegisters = false;
#endif

namespace rgb565 {

constexpr int red(uint16_t c) {
    return c >> 11;
}
constexpr int green(uint16_t c) {
    return (c >> 5) & 63;
}
constexpr int blue(uint16_t c) {
    return c & 31;
}
constexpr uint16_t pack(int r, int g, int b) {
    return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

// A channel sum held in 16.16 (value * 65536), limited to max and brought back
// to an integer by flooring.
constexpr int saturateChannel(int64_t value16, int max) {
    const int64_t limit = int64_t{max} << 16;
    return static_cast<int>((value16 >= limit ? limit : value16) >> 16);
}

}  // namespace rgb565

// Each channel becomes min(floor(X*f/256), max).
constexpr uint16_t rgb565Scale(uint16_t c, int f) {
    using namespace rgb565;
    // X*f*256 is X<<16 times f<<8 shifted down by 16: the channel scaled, in 16.16.
    const auto scaled = [f](int x, int max) { return saturateChannel(int64_t{x} * f * 256, max); };
    return pack(scaled(red(c), 31), scaled(green(c), 63), scaled(blue(c), 31));
}

// Channel-wise sum, each channel clamped at its maximum.
constexpr uint16_t rgb565AddSat(uint16_t a, uint16_t b) {
    using namespace rgb565;
    const auto sum = [](int x, int y, int max) { return x + y > max ? max : x + y; };
    return pack(sum(red(a), red(b), 31), sum(green(a), green(b), 63), sum(blue(a), blue(b), 31));
}

// rgb565AddSat on two pixels at once, packed in the two halves of a 32-bit
// word (in either order): exact, each channel of each pixel on its own.
constexpr uint32_t rgb565AddSatPair(uint32_t a, uint32_t b) {
    // The top bit of every channel of both pixels. The other bits of a channel
    // add up to at most its top bit's place (15 + 15 < 16 for red and blue,
    // 31 + 31 < 32 for green), so no carry reaches the next channel or pixel.
    constexpr uint32_t kTop = 0x84108410;
    const uint32_t aTop = a & kTop, bTop = b & kTop;
    const uint32_t low = (a ^ aTop) + (b ^ bTop);  // each top bit: the carry into it
    const uint32_t sum = low ^ aTop ^ bTop;        // each channel's sum, less its carry out
    // A channel overflows when its top bit carries out: two of a's top bit,
    // b's and the carry into it are set.
    const uint32_t carry = (aTop & bTop) | ((aTop | bTop) & low);
    // An overflowing channel becomes all ones. Its carry (its top bit) less
    // the carry moved 4 bits down sets the 4 bits below the top, which is the
    // whole of red and blue; green, 6 bits wide, also needs the bit 5 below.
    const uint32_t full = (carry - (carry >> 4)) | carry | ((carry >> 5) & 0x00200020);
    return sum | full;
}

// Weighted channel sum: a weighs w/256 and b weighs (w XOR 256)/256, not
// (256 - w)/256. So w = 0 gives b, w = 256 gives a, and any w in 1..255 gives
// b plus a share of both, floored and clamped per channel.
constexpr uint16_t rgb565Blend(uint16_t a, uint16_t b, int w) {
    using namespace rgb565;
    const int wb = w ^ 256;
    const auto mix = [w, wb](int xa, int xb, int max) {
        return saturateChannel(int64_t{xa} * w * 256 + int64_t{xb} * wb * 256, max);
    };
    return pack(mix(red(a), red(b), 31), mix(green(a), green(b), 63), mix(blue(a), blue(b), 31));
}
