// image.h - RGB565 pictures loaded from PNG, and the coverage blend.
//
// A picture is converted once, at load time, to the screen's format, so all
// drawing is plain 16-bit copies. Transparency is either the colour key
// (kColourKey, skipped by keyed drawing) or an alpha map: an Image loaded from
// the "-alpha" PNG beside the picture whose 6-bit green field is the coverage.
#pragma once

#include <cstdint>

constexpr uint16_t kColourKey = 0xF81F;

class Image {
  public:
    // Loads a PNG. A missing or undecodable file prints "error loading <path>"
    // and ends the process with status 1.
    explicit Image(const char* path);
    // A black image of width x height pixels.
    Image(int width, int height);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int count = 0;
    uint16_t* pixels = nullptr;  // row after row, no padding
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
};

// Loads a picture that a scene reads with a fixed size or index range. One
// narrower than minWidth (or not exactly minWidth wide when exactWidth is
// set: a scene that reads it with that stride) or shorter than minHeight
// ends the process with status 1 and a line that says why ("data/title.png
// is 640×480, the demo needs it 320 pixels wide and at least 195 high"), so
// no scene ever reads a picture wrongly or past its end.
Image* loadPicture(const char* path, int minWidth, int minHeight, bool exactWidth = false);
// Loads the alpha map of a picture loaded before: one of another size than
// its picture ends the process the same way.
Image* loadAlphaMap(const char* path, const Image& picture, const char* picturePath);

// The coverage of an alpha-map pixel: its 6-bit green field, 0..63.
constexpr int coverageOf(uint16_t alphaPixel) {
    return (alphaPixel >> 5) & 63;
}

// Soft transparency: coverage 63 copies s, 0 keeps d, and anything between
// weighs s by a/64 (not a/63) per channel, truncating:
// (d*(64-a) + s*a) >> 6.
constexpr uint16_t blendCoverage(uint16_t d, uint16_t s, int a) {
    if (a == 63) return s;
    if (a == 0) return d;
    // Red and blue weighed together in place, green on its own: a channel's
    // weighted sum is at most 64 times its maximum (31 * 64 < 2^11 below
    // red's place, 63 * 64 fits green's word), so no field reaches the next
    // one, and each is floored by the shift and the mask alone.
    const uint32_t w = 64 - a;
    const uint32_t redBlue = (d & 0xF81Fu) * w + (s & 0xF81Fu) * uint32_t(a);
    const uint32_t green = (d & 0x07E0u) * w + (s & 0x07E0u) * uint32_t(a);
    return static_cast<uint16_t>(((redBlue >> 6) & 0xF81F) | ((green >> 6) & 0x07E0));
}

// blendCoverage with one source pixel and coverage (1..62) over many
// destinations: the source's weighed channels are formed once.
class CoverageBlend {
  public:
    constexpr CoverageBlend(uint16_t s, int a)
        : w_(64 - uint32_t(a)),
          redBlue_((s & 0xF81Fu) * uint32_t(a)),
          green_((s & 0x07E0u) * uint32_t(a)) {}
    constexpr uint16_t over(uint16_t d) const {
        const uint32_t redBlue = (d & 0xF81Fu) * w_ + redBlue_;
        const uint32_t green = (d & 0x07E0u) * w_ + green_;
        return static_cast<uint16_t>(((redBlue >> 6) & 0xF81F) | ((green >> 6) & 0x07E0));
    }

  private:
    uint32_t w_, redBlue_, green_;
};
