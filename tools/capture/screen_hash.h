// screen_hash.h - the hash that names a screen in capture's hash lines and in
// the web page's: 64-bit FNV-1a over the RGB565 pixels.
#pragma once

#include <cstddef>
#include <cstdint>

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
