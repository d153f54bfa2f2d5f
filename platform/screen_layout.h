// screen_layout.h - the arithmetic every host's picture shares: where a
// picture scaled by a whole factor goes, the pixels of such a scaling, and
// RGB565 widened to 8 bits a channel.
//
// The desktop's window, the web page's canvas and capture's frames and video
// all show the 320x240 RGB565 screen this way, so that the same screen gives
// the same picture everywhere.
#pragma once

#include <cstddef>
#include <cstdint>

// Where a width x height picture goes in an area: the largest whole factor up
// to maxScale (at least 1) that fits, centred; an area smaller than the
// picture shows its top left corner.
struct ScreenLayout {
    int scale;
    int x;
    int y;
};
ScreenLayout platformFitScreen(int width, int height, int areaWidth, int areaHeight, int maxScale);

// `rows` rows of `width` pixels (`in`, one after another) with every pixel
// repeated `scale` times across and down, into rows `outPitch` pixels apart.
void scaleRowsUp(const uint16_t* in, int width, int rows, int scale, uint16_t* out,
                 size_t outPitch);

// An RGB565 pixel as 8-bit red, green and blue: each channel widened by
// repeating its top bits (31 -> 255, 63 -> 255), so that the exact RGB565
// values read back as the top 5, 6 and 5 bits.
inline void widenRgb565(uint16_t pixel, uint8_t* rgb) {
    const int r = pixel >> 11;
    const int g = (pixel >> 5) & 63;
    const int b = pixel & 31;
    rgb[0] = uint8_t((r << 3) | (r >> 2));
    rgb[1] = uint8_t((g << 2) | (g >> 4));
    rgb[2] = uint8_t((b << 3) | (b >> 2));
}
