#include "scenes/glow_sprite.h"

#include <cstring>

#include "fixed/colour.h"
#include "video/display.h"
#include "video/image.h"

namespace {

constexpr int kStride = Display::kWidth;
constexpr int kLastOffset = (GlowSprite::kSize - 1) * kStride + GlowSprite::kSize - 1;

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

// The 64 tinted levels once, then each pixel by its level.
void GlowSprite::tint(uint16_t colour, uint16_t* out) const {
    uint16_t byLevel[64];
    for (int g = 0; g < 64; ++g) byLevel[g] = tinted(colour, g);
    for (int i = 0; i < kPixels; ++i) out[i] = byLevel[weight[i]];
}

void GlowSprite::drawTinted(uint16_t* screen, int left, int top, const uint16_t* light) const {
    const int base = top * kStride + left;
    if (base > 0 && base + kLastOffset < Display::kPixelCount) {
        for (int j = 0; j < kSize; ++j) {
            uint16_t* row = screen + base + j * kStride;
            for (int half = 0; half < kSize; half += 8) {
                Lanes d, t;
                memcpy(&d, row + half, sizeof d);
                memcpy(&t, light + j * kSize + half, sizeof t);
                d = addSaturatedLanes(d, t);
                memcpy(row + half, &d, sizeof d);
            }
        }
        return;
    }
    for (int j = 0; j < kSize; ++j) {
        for (int k = 0; k < kSize; ++k) {
            const int n = base + j * kStride + k;
            if (n <= 0 || n >= Display::kPixelCount) continue;
            screen[n] = rgb565AddSat(screen[n], light[j * kSize + k]);
        }
    }
}

void GlowSprite::draw(uint16_t* screen, int left, int top, uint16_t colour) const {
    uint16_t light[kPixels];
    tint(colour, light);
    drawTinted(screen, left, top, light);
}
