// screen_hash.h - the hash that names a screen in the hash lines of offline
// runs (capture's, the web page's, the tests'): 64-bit FNV-1a over the RGB565
// pixels, and the line itself.
#pragma once

#include <cstddef>
#include <cstdint>

// 64-bit FNV-1a, continuing from `hash` (kFnvOffset to begin) over `count` bytes.
constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
uint64_t fnv1a(uint64_t hash, const uint8_t* bytes, size_t count);

// 64-bit FNV-1a of the pixels as little-endian bytes, low byte first.
uint64_t screenHash(const uint16_t* pixels, size_t count);

// screenHash of each of up to kScreensHashedTogether screens of count pixels,
// into hashes[0 .. screensCount-1]. One screen's hash is a single chain of
// dependent multiplies that leaves the multiplier idle most of the time;
// several chains side by side keep it busy, so this is several times faster
// per screen than one screenHash after another.
constexpr size_t kScreensHashedTogether = 4;
void screenHashes(const uint16_t* const* screens, size_t screensCount, size_t count,
                  uint64_t* hashes);

// "n ms position row hash" and a newline, into line: frame n at music time
// ms showed that position and row, and its visible screen has that hash (16
// hex digits). Nothing is allocated: writers call it for every frame.
constexpr size_t kHashLineSize = 96;
void formatHashLine(char (&line)[kHashLineSize], uint64_t frame, uint32_t ms, int32_t position,
                    int32_t row, uint64_t hash);
