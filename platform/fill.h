// fill.h - runs of pixels and depths filled with one value: where the build
// has the console's routines for ARMv4T (platform/armv4t/block_fill.S, which
// stores a whole cache line with each STM and reads nothing), those;
// elsewhere std::fill_n, which the compiler vectorises.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#if DEMO_ARMV4T_ROUTINES
// count halfwords from dst (halfword-aligned), count words from dst (word-aligned).
extern "C" void fillHalfwords(uint16_t* dst, uint16_t value, size_t count);
extern "C" void fillWords(uint32_t* dst, uint32_t value, size_t count);
#else
inline void fillHalfwords(uint16_t* dst, uint16_t value, size_t count) {
    std::fill_n(dst, count, value);
}
inline void fillWords(uint32_t* dst, uint32_t value, size_t count) {
    std::fill_n(dst, count, value);
}
#endif
