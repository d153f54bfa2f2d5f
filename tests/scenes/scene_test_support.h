// scene_test_support.h - what the scene tests share: the music clock set to a
// given moment, and frames written to PNG so a person can look at them.
#pragma once

#include <cstdint>
#include <string>

#include "common/asset_files.h"
#include "music/pattern_data.h"

namespace scenetest {

// The music time, in ms, of the middle of a row: float rounding in the clock
// cannot move it to a neighbouring row.
inline int msAt(int position, int row) {
    return static_cast<int>((position * 128 + row) * 41.6 + 20);
}

// Advances the one music clock to the middle of (position, row).
inline void clockTo(int position, int row) {
    PatternData::instance().update(msAt(position, row));
}

// A 320 x 240 RGB565 screen as an 8-bit RGB picture, each channel widened
// by repeating its top bits.
inline RgbPicture toRgb(const uint16_t* pixels, int width = 320, int height = 240) {
    RgbPicture picture(width, height);
    for (int i = 0; i < width * height; ++i) {
        const uint16_t p = pixels[i];
        const int r = p >> 11, g = (p >> 5) & 63, b = p & 31;
        picture.set(i % width, i / width, uint8_t((r << 3) | (r >> 2)),
                    uint8_t((g << 2) | (g >> 4)), uint8_t((b << 3) | (b >> 2)));
    }
    return picture;
}

// Writes the screen to DEMO_BINARY_DIR/frames/<name>.png for inspection.
inline bool saveFrame(const std::string& name, const uint16_t* pixels) {
    return writePng(outputPath(DEMO_BINARY_DIR, "frames/" + name + ".png"), toRgb(pixels));
}

}  // namespace scenetest
