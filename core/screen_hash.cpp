#include "core/screen_hash.h"

#include <cinttypes>
#include <cstdio>
#include <utility>

namespace {

constexpr uint64_t kFnvPrime = 0x100000001b3ull;

uint64_t fnvStep(uint64_t hash, uint32_t byte) {
    return (hash ^ byte) * kFnvPrime;
}

// One hash a screen, all advanced in one loop. The chains are spelt out, one
// per K, so that each stays in a register.
template <size_t... K>
void hashSideBySide(std::index_sequence<K...>, const uint16_t* const* screens, size_t count,
                    uint64_t* hashes) {
    uint64_t h[] = {(void(K), kFnvOffset)...};
    const uint16_t* const screen[] = {screens[K]...};
    for (size_t i = 0; i < count; ++i) {
        ((h[K] = fnvStep(fnvStep(h[K], screen[K][i] & 0xFFu), screen[K][i] >> 8u)), ...);
    }
    ((hashes[K] = h[K]), ...);
}

}  // namespace

uint64_t screenHash(const uint16_t* pixels, size_t count) {
    uint64_t hash;
    hashSideBySide(std::make_index_sequence<1>(), &pixels, count, &hash);
    return hash;
}

void screenHashes(const uint16_t* const* screens, size_t screensCount, size_t count,
                  uint64_t* hashes) {
    static_assert(kScreensHashedTogether == 4);
    switch (screensCount) {
        case 4:
            return hashSideBySide(std::make_index_sequence<4>(), screens, count, hashes);
        case 3:
            return hashSideBySide(std::make_index_sequence<3>(), screens, count, hashes);
        case 2:
            return hashSideBySide(std::make_index_sequence<2>(), screens, count, hashes);
        case 1:
            return hashSideBySide(std::make_index_sequence<1>(), screens, count, hashes);
        default:
            return;
    }
}

uint64_t fnv1a(uint64_t hash, const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) hash = fnvStep(hash, bytes[i]);
    return hash;
}

void formatHashLine(char (&line)[kHashLineSize], uint64_t frame, uint32_t ms, int32_t position,
                    int32_t row, uint64_t hash) {
    snprintf(line, sizeof line, "%" PRIu64 " %" PRIu32 " %" PRId32 " %" PRId32 " %016" PRIx64 "\n",
             frame, ms, position, row, hash);
}
