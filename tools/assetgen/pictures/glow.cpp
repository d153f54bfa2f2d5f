// glow.cpp - "data/flarealpha16.png", the additive glow sprite.
//
// The flare, credits and flower scenes add the sprite's 6-bit green field,
// times their tint, to the screen, and skip pixels whose low byte is zero.
// The glow is drawn grey: wherever its green is above zero the truncated
// blue or the low green bits are too, so every lit pixel is drawn. A round
// falloff (a bright core over a wide soft skirt) reaches zero before the
// square's edge, so no sprite ever shows its corners.
#include "pictures/pictures.h"

using namespace art;

Canvas drawGlow() {
    Canvas canvas(16, 16);
    canvas.fillAll([](int x, int y) {
        const float r = std::hypot(x - 7.5f, y - 7.5f) / 7.6f;  // 1 at the rim
        const float skirt = std::pow(clamp01(1 - r * r), 2.2f);
        const float core = std::exp(-r * r * 14);
        const float v = clamp01(0.62f * skirt + 0.42f * core);
        return Colour{v, v, v};
    });
    return canvas;
}
