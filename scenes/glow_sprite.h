// glow_sprite.h - the additive glow sprite: a tinted light added onto the screen.
//
// The sprite is a 16 x 16 picture whose 6-bit green field g is the intensity.
// Drawn with a tint T at top-left (left, top), sprite pixel (k, j) adds
// (T_c * g) >> 6 to each channel c of the screen pixel at the linear index
// n = (top + j) * 320 + left + k, saturating at 31, 63, 31: the same as
// rgb565AddSat(D, rgb565Scale(T, 4 * g)). Only pixels with 0 < n < 76800 are
// touched; that bound is the only clipping, so a sprite crossing the left or
// right edge continues at the other end of the neighbouring row.
//
// A tinted sprite is a table of 256 RGB565 values to add, 0 where the sprite
// adds nothing (g = 0, or a low byte of 0 for scenes that gate on it). Adding
// 0 leaves a pixel as it was, so a sprite wholly inside the bound is added
// row by row, eight pixels at a time, with no per-pixel test.
#pragma once

#include <cstdint>

class Image;

// The tint of a warm spark from a level e of 0..63: red 31, green 48..63,
// blue 16..31, light orange to white.
constexpr uint16_t warmSparkTint(int e) {
    return static_cast<uint16_t>(0xF800 | (((e + 192) >> 2) << 5) | ((2 * e + 128) >> 3));
}

class GlowSprite {
  public:
    static constexpr int kSize = 16;
    static constexpr int kPixels = kSize * kSize;

    // sprite: at least 16 x 16 pixels, read as rows of 16. lowByteGates: a
    // pixel whose low byte is 0 is not drawn, whatever its green field.
    GlowSprite(const Image& sprite, bool lowByteGates);

    // The 256 values that the sprite tinted with `tint` adds, row by row.
    void tint(uint16_t tint, uint16_t* tinted) const;

    // Adds a table made by tint(); the cheap way for a scene whose tints are
    // known in advance.
    void drawTinted(uint16_t* screen, int left, int top, const uint16_t* tinted) const;

    // Tints and adds in one call.
    void draw(uint16_t* screen, int left, int top, uint16_t tint) const;

  private:
    uint8_t weight[kPixels];  // g of each pixel drawn, 0 for the others
};
