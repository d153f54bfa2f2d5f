// png_writer.h - the tools' one PNG writer: 8-bit RGB, no ancillary chunks,
// the rows asked for one at a time, top to bottom.
//
// Either the whole file is written, or the result is false with the reason in
// *reason ("No space left on device", or libpng's own words); nothing is
// printed, so the caller names the file once in its own message. The bytes
// depend only on the rows and the compression level.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Fills row y of the picture: width x 3 bytes, red, green, blue.
using PngRowSource = std::function<void(int y, uint8_t* rgb)>;

// zlib's default level, as libpng chooses it.
constexpr int kPngDefaultCompression = -1;

bool writeRgbPng(const std::string& path, int width, int height, int compressionLevel,
                 const PngRowSource& fillRow, std::string* reason);
