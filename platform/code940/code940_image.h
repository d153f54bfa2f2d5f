// code940_image.h - what the desktop checks of the second processor's
// program image before it runs it (the layout is in code940_layout.h).
//
// An image is recognised when it holds the whole header, its magic and
// version match, its recorded length fits both the bytes at hand and the
// 2 MiB before the control block, its code length fits inside it, its first
// word is a branch (the reset vector: execution starts at address 0) and the
// FNV-1a checksum of its code matches. Only the code is checked: the program
// changes its own data as it runs, and may be stopped and released again.
// code940ImageChecksum hashes `length` bytes with the checksum word read as
// zero.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/code940/code940_layout.h"
#include "platform/sound_control_layout.h"

constexpr size_t kCode940Capacity = kControlBlockOffset;

inline uint32_t code940Word(const uint8_t* image, size_t offset) {
    return uint32_t(image[offset]) | uint32_t(image[offset + 1]) << 8 |
           uint32_t(image[offset + 2]) << 16 | uint32_t(image[offset + 3]) << 24;
}

inline uint32_t code940ImageChecksum(const uint8_t* image, size_t length) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; ++i) {
        const bool inChecksum = i >= CODE940_CHECKSUM_OFFSET && i < CODE940_CHECKSUM_OFFSET + 4;
        hash = (hash ^ (inChecksum ? 0 : image[i])) * 16777619u;
    }
    return hash;
}

// An ARM branch (B, condition "always") in the reset vector.
inline bool code940StartsWithBranch(const uint8_t* image) {
    return (code940Word(image, 0) & 0xFF000000u) == 0xEA000000u;
}

inline bool code940ImageRecognised(const uint8_t* image, size_t size) {
    if (size < CODE940_HEADER_END) return false;
    if (code940Word(image, CODE940_HEADER_OFFSET) != CODE940_MAGIC_LOW ||
        code940Word(image, CODE940_HEADER_OFFSET + 4) != CODE940_MAGIC_HIGH ||
        code940Word(image, CODE940_HEADER_OFFSET + 8) != CODE940_VERSION) {
        return false;
    }
    const uint32_t length = code940Word(image, CODE940_LENGTH_OFFSET);
    const uint32_t codeLength = code940Word(image, CODE940_CODE_LENGTH_OFFSET);
    if (length > size || length > kCode940Capacity) return false;
    if (codeLength < CODE940_HEADER_END || codeLength > length) return false;
    return code940StartsWithBranch(image) &&
           code940ImageChecksum(image, codeLength) == code940Word(image, CODE940_CHECKSUM_OFFSET);
}
