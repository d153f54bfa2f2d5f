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
// A sprite is tinted once per colour (TintedGlow): the light each pixel adds,
// 0 where it adds nothing (g = 0, a level too dim for the tint, or a low byte
// of 0 for scenes that gate on it). Adding 0 leaves a pixel as it was, so rows
// inside the bound are added whole, with no per-pixel test: eight pixels at a
// time where the processor has vector registers, else two pixels to a 32-bit
// word over each row's run of lit pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "video/display.h"

class Image;

// The tint of a warm spark from a level e of 0..63: red 31, green 48..63,
// blue 16..31, light orange to white.
constexpr uint16_t warmSparkTint(int e) {
    return static_cast<uint16_t>(0xF800 | (((e + 192) >> 2) << 5) | ((2 * e + 128) >> 3));
}

struct TintedGlow {
    static constexpr int kSize = 16;
    static constexpr int kWords = kSize / 2 + 1;  // a row in pixel pairs, one more when odd-aligned

    uint16_t light[kSize * kSize];  // what each sprite pixel adds, row by row
    // The same light as 32-bit words of two screen pixels (in memory order),
    // for a sprite whose first column lands on an even screen index (phase 0:
    // word w holds columns 2w and 2w + 1) or an odd one (phase 1: columns
    // 2w - 1 and 2w, the ones outside the sprite adding 0); and in each row
    // the run of words that add anything.
    uint32_t words[2][kSize][kWords];
    uint8_t firstWord[2][kSize];
    uint8_t wordCount[2][kSize];
    uint8_t firstRow, endRow;  // the rows that add anything: firstRow .. endRow - 1
};

// A sprite made by GlowSprite::tint inside its window, its light added a
// word at a time: each row's run of lit words of the given phase onto the
// screen words from rowStart (the word that holds the sprite row 0's word 0),
// 160 words a row. On the console (DEMO_ARMV4T_ROUTINES) it is
// platform/armv4t/glow_words.S, which does the same.
void addGlowWords(uint32_t* rowStart, const TintedGlow& tinted, int phase);
#if DEMO_ARMV4T_ROUTINES
extern "C" void addGlowWordsArmv4t(uint32_t* rowStart, const TintedGlow* tinted, int phase);
static_assert(sizeof(TintedGlow) == 1732 && offsetof(TintedGlow, words) == 512 &&
                  offsetof(TintedGlow, firstWord) == 1664 && offsetof(TintedGlow, firstRow) == 1728,
              "the layout glow_words.S reads");
#endif

class GlowSprite {
  public:
    static constexpr int kSize = TintedGlow::kSize;
    static constexpr int kPixels = kSize * kSize;

    // sprite: at least 16 x 16 pixels, read as rows of 16. lowByteGates: a
    // pixel whose low byte is 0 is not drawn, whatever its green field.
    GlowSprite(const Image& sprite, bool lowByteGates);

    // The sprite tinted with `tint`.
    void tint(uint16_t tint, TintedGlow* tinted) const;

    // Adds a sprite made by tint() to the pixels with firstIndex <= n <
    // endIndex (within 1 .. 76800): a scene that covers some rows afterwards
    // need not light them.
    static void drawTinted(uint16_t* screen, int left, int top, const TintedGlow& tinted,
                           int firstIndex = 1, int endIndex = Display::kPixelCount);

    // drawTinted's way on a processor without vector registers, such as the
    // console's (two pixels a 32-bit word); public so that every host checks it.
    static void drawTintedByWords(uint16_t* screen, int left, int top, const TintedGlow& tinted,
                                  int firstIndex, int endIndex);

    // Tints and adds in one call.
    void draw(uint16_t* screen, int left, int top, uint16_t tint) const;

  private:
    uint8_t weight[kPixels];  // g of each pixel drawn, 0 for the others
};
