#include "platform/code940/decoder_program.h"

#include <unistd.h>

#include <array>
#include <cstring>
#include <memory>

#include "platform/code940/song_decoder.h"

namespace {

constexpr useconds_t kPollMicroseconds = 1000;

// An Ogg page: "OggS", version 0, header type, granule position (64-bit
// little-endian at 6), serial, sequence, checksum (at 22), segment count (at
// 26), then the segment table and the body.
constexpr size_t kPageHeader = 27;
constexpr size_t kChecksumAt = 22;

// Ogg's CRC-32: polynomial 0x04C11DB7, not reflected, starting from 0.
constexpr std::array<uint32_t, 256> kCrcTable = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 24;
        for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
        table[i] = r;
    }
    return table;
}();

uint32_t word32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

// The length of the whole page at `at` (header, table and body), 0 if no
// whole page with a right checksum starts there.
size_t wholePageAt(const uint8_t* song, size_t length, size_t at) {
    if (length - at < kPageHeader || memcmp(song + at, "OggS", 4) != 0 || song[at + 4] != 0) {
        return 0;
    }
    const size_t segments = song[at + 26];
    if (length - at < kPageHeader + segments) return 0;
    size_t size = kPageHeader + segments;
    for (size_t i = 0; i < segments; ++i) size += song[at + kPageHeader + i];
    if (length - at < size) return 0;
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        const bool inChecksum = i >= kChecksumAt && i < kChecksumAt + 4;
        crc = (crc << 8) ^ kCrcTable[((crc >> 24) ^ (inChecksum ? 0 : song[at + i])) & 0xFF];
    }
    return crc == word32(song + at + kChecksumAt) ? size : 0;
}

}  // namespace

bool decoderAcceptsSong(const uint8_t* song, size_t length) {
    if (length > UINT32_MAX) return false;
    // About 24 KiB of working space: on the heap, not on the caller's stack.
    auto scratch = std::make_unique<SongDecoder>();
    return songDecoderAccepts(scratch.get(), song, uint32_t(length)) != 0;
}

uint64_t songSamples(const uint8_t* song, size_t length) {
    // From the end back: the last pages are near it, those of a cut file
    // just before the cut.
    for (size_t at = length >= kPageHeader ? length - kPageHeader + 1 : 0; at-- > 0;) {
        if (song[at] != 'O' || wholePageAt(song, length, at) == 0) continue;
        const uint64_t granule = uint64_t(word32(song + at + 10)) << 32 | word32(song + at + 6);
        // Negative (-1): no packet ends on this page.
        if (int64_t(granule) >= 0) return granule;
    }
    return 0;
}

void decoderProgramMain(uint8_t* memory, const std::atomic<bool>& halt) {
    // About 40 KiB: on the heap, not on the thread's stack.
    auto program = std::make_unique<DecoderProgram>();
    decoderProgramInit(program.get(), memory);
    while (!halt.load()) {
        if (!decoderProgramStep(program.get())) usleep(kPollMicroseconds);
    }
    decoderProgramEnd(program.get());
}
