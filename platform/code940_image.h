// code940_image.h - the program image our build writes as "code940.bin".
//
// The simulated second processor runs the decoder program only when the image
// at its address 0 starts with this magic and version; anything else (an empty
// memory, another program) leaves it idle, as a real processor would be lost
// running bytes it does not understand. 16 bytes: the 8-byte magic, the version
// as a 32-bit little-endian word, 4 zero bytes.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

constexpr uint8_t kCode940Magic[8] = {'O', 'N', 'D', 'V', '9', '4', '0', 0x1A};
constexpr uint32_t kCode940Version = 1;
constexpr size_t kCode940ImageSize = 16;

inline std::array<uint8_t, kCode940ImageSize> code940Image() {
    std::array<uint8_t, kCode940ImageSize> image{};
    memcpy(image.data(), kCode940Magic, sizeof kCode940Magic);
    for (int i = 0; i < 4; ++i) image[8 + i] = uint8_t(kCode940Version >> (8 * i));
    return image;
}

inline bool code940ImageRecognised(const uint8_t* memory) {
    const auto image = code940Image();
    return memcmp(memory, image.data(), image.size()) == 0;
}
