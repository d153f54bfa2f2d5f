// picture.h - PNG files decoded into the screen's RGB565 pixels.
//
// Every platform gives the same values: each channel truncated to its 5, 6
// and 5 bits, alpha dropped, as SDL converts a picture to a 16-bit screen. The
// desktop decodes through SDL_image and converts to the screen's format; the
// page and the console decode the PNG with stb_image (platform/stb/): the
// console has no SDL, and a browser's own image decoding may correct colours.
#pragma once

#include <cstdint>

struct PlatformPixelFormat;

// The pixels of the PNG at path, converted to the screen's format
// (platform/present.h), width x height row after row without padding, in an
// array the caller releases with delete[]; null if the file is missing or
// cannot be decoded.
uint16_t* platformLoadPicture(const char* path, const PlatformPixelFormat* screenFormat, int* width,
                              int* height);
