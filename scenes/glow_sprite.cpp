#include "scenes/glow_sprite.h"

#include <cstring>

#include "fixed/colour.h"
#include "video/image.h"

namespace {

constexpr int kStride = Display::kWidth;
constexpr int kSize = GlowSprite::kSize;

// rgb565Scale(t, 4 * g) for g in 0..63: each channel (X * g) >> 6, which never
// exceeds X, so no channel saturates.
constexpr uint16_t tinted(uint16_t t, int g) {
    const int r = ((t >> 11) * g) >> 6;
    const int gr = (((t >> 5) & 63) * g) >> 6;
    const int b = ((t & 31) * g) >> 6;
    return static_cast<uint16_t>((r << 11) | (gr << 5) | b);
}

// Eight RGB565 pixels in one vector register.
typedef uint16_t Lanes __attribute__((vector_size(16)));

// rgb565AddSat on eight pixels. A channel sum that reaches the bit above the
// channel's maximum becomes all ones: x | -(x >> bits), masked to the channel.
inline Lanes addSaturatedLanes(Lanes d, Lanes t) {
    Lanes r = (d >> 11) + (t >> 11);
    r = ((r | (0 - (r >> 5))) & 31) << 11;
    Lanes g = (d & 0x07E0) + (t & 0x07E0);
    g = (g | (0 - (g >> 11))) & 0x07E0;
    Lanes b = (d & 31) + (t & 31);
    b = (b | (0 - (b >> 5))) & 31;
    return r | g | b;
}

// One sprite row of light added to 16 screen pixels.
inline void addLanes(uint16_t* row, const uint16_t* light) {
    for (int half = 0; half < kSize; half += 8) {
        Lanes d, t;
        memcpy(&d, row + half, sizeof d);
        memcpy(&t, light + half, sizeof t);
        d = addSaturatedLanes(d, t);
        memcpy(row + half, &d, sizeof d);
    }
}

// Two screen pixels read and written as one word; the screen is an array of
// 16-bit pixels, so the word type may alias them.
typedef uint32_t PixelPair __attribute__((may_alias));

// The exact rule, pixel by pixel, for the pixels of one sprite row run that
// lie in [firstIndex, endIndex).
void addPixels(uint16_t* screen, int first, int count, const uint16_t* light, int firstIndex,
               int endIndex) {
    for (int k = 0; k < count; ++k) {
        const int n = first + k;
        if (n < firstIndex || n >= endIndex) continue;
        screen[n] = rgb565AddSat(screen[n], light[k]);
    }
}

}  // namespace

GlowSprite::GlowSprite(const Image& sprite, bool lowByteGates) {
    for (int j = 0; j < kSize; ++j) {
        for (int k = 0; k < kSize; ++k) {
            const uint16_t f = sprite.pixels[j * sprite.width + k];
            const bool drawn = !lowByteGates || (f & 0xFF) != 0;
            weight[j * kSize + k] = drawn ? static_cast<uint8_t>((f >> 5) & 63) : 0;
        }
    }
}

// The 64 tinted levels once, then each pixel by its level; then the words of
// both phases and each row's lit run.
void GlowSprite::tint(uint16_t colour, TintedGlow* out) const {
    uint16_t byLevel[64];
    for (int g = 0; g < 64; ++g) byLevel[g] = tinted(colour, g);
    for (int i = 0; i < kPixels; ++i) out->light[i] = byLevel[weight[i]];

    for (int phase = 0; phase < 2; ++phase) {
        for (int j = 0; j < kSize; ++j) {
            int first = TintedGlow::kWords, last = -1;
            for (int w = 0; w < TintedGlow::kWords; ++w) {
                uint16_t pair[2];
                for (int half = 0; half < 2; ++half) {
                    const int k = 2 * w + half - phase;
                    pair[half] = k >= 0 && k < kSize ? out->light[j * kSize + k] : 0;
                }
                memcpy(&out->words[phase][j][w], pair, sizeof pair);
                if (out->words[phase][j][w] == 0) continue;
                if (first == TintedGlow::kWords) first = w;
                last = w;
            }
            out->firstWord[phase][j] = static_cast<uint8_t>(last < 0 ? 0 : first);
            out->wordCount[phase][j] = static_cast<uint8_t>(last < 0 ? 0 : last - first + 1);
        }
    }
    out->firstRow = 0;
    out->endRow = 0;
    for (int j = 0; j < kSize; ++j) {
        if (out->wordCount[0][j] == 0) continue;
        if (out->endRow == 0) out->firstRow = static_cast<uint8_t>(j);
        out->endRow = static_cast<uint8_t>(j + 1);
    }
}

void GlowSprite::drawTinted(uint16_t* screen, int left, int top, const TintedGlow& tinted,
                            int firstIndex, int endIndex) {
    if (!kVectorRegisters) {
        drawTintedByWords(screen, left, top, tinted, firstIndex, endIndex);
        return;
    }
    // Row by row: whole rows inside the window eight pixels at a time, rows
    // that cross its edge by the rule; only the rows that add anything.
    const int base = top * kStride + left;
    const int firstRow = tinted.firstRow;
    const int endRow = tinted.endRow;
    if (base + firstRow * kStride >= firstIndex && base + endRow * kStride <= endIndex) {
        for (int j = firstRow; j < endRow; ++j)
            addLanes(screen + base + j * kStride, tinted.light + j * kSize);
        return;
    }
    for (int j = firstRow; j < endRow; ++j) {
        const int first = base + j * kStride;
        if (first + kSize <= firstIndex || first >= endIndex) continue;
        const uint16_t* light = tinted.light + j * kSize;
        if (first < firstIndex || first + kSize > endIndex) {
            addPixels(screen, first, kSize, light, firstIndex, endIndex);
            continue;
        }
        addLanes(screen + first, light);
    }
}

// Row by row over the lit run only: whole words where every pixel of the run
// lies in the window, the exact rule pixel by pixel where the run crosses its
// edge. A word's pixel outside the sprite adds 0 and so stays as it was.
void GlowSprite::drawTintedByWords(uint16_t* screen, int left, int top, const TintedGlow& tinted,
                                   int firstIndex, int endIndex) {
    const int base = top * kStride + left;
    const int phase = base & 1;
    const int rowStart = base - phase;  // even: the first pixel of word 0
    const bool wordAligned = (reinterpret_cast<uintptr_t>(screen) & 3) == 0;
    // A sprite whose lit rows lie wholly inside the window: no test a row.
    if (wordAligned && rowStart + tinted.firstRow * kStride >= firstIndex &&
        rowStart + (tinted.endRow - 1) * kStride + 2 * TintedGlow::kWords <= endIndex) {
        auto* words = reinterpret_cast<uint32_t*>(screen + rowStart);
#if DEMO_ARMV4T_ROUTINES
        addGlowWordsArmv4t(words, &tinted, phase);
#else
        addGlowWords(words, tinted, phase);
#endif
        return;
    }
    for (int j = 0; j < kSize; ++j) {
        const int count = tinted.wordCount[phase][j];
        if (count == 0) continue;
        const int firstWord = tinted.firstWord[phase][j];
        const int first = rowStart + j * kStride + 2 * firstWord;  // pixel index
        const int end = first + 2 * count;
        if (end <= firstIndex || first >= endIndex) continue;
        const uint32_t* light = tinted.words[phase][j] + firstWord;
        if (first >= firstIndex && end <= endIndex && wordAligned) {
            PixelPair* pairs = reinterpret_cast<PixelPair*>(screen + first);
            for (int w = 0; w < count; ++w) pairs[w] = rgb565AddSatPair(pairs[w], light[w]);
            continue;
        }
        uint16_t lightPixels[2 * TintedGlow::kWords];
        memcpy(lightPixels, light, count * sizeof(uint32_t));
        addPixels(screen, first, 2 * count, lightPixels, firstIndex, endIndex);
    }
}

void addGlowWords(uint32_t* rowStart, const TintedGlow& tinted, int phase) {
    for (int j = tinted.firstRow; j < tinted.endRow; ++j) {
        const int firstWord = tinted.firstWord[phase][j];
        PixelPair* pairs = reinterpret_cast<PixelPair*>(rowStart + j * kStride / 2) + firstWord;
        const uint32_t* light = tinted.words[phase][j] + firstWord;
        for (int w = tinted.wordCount[phase][j]; w > 0; --w, ++pairs, ++light) {
            *pairs = rgb565AddSatPair(*pairs, *light);
        }
    }
}

void GlowSprite::draw(uint16_t* screen, int left, int top, uint16_t colour) const {
    TintedGlow light;
    tint(colour, &light);
    drawTinted(screen, left, top, light);
}
