// kukkatausta.cpp - "data/kukkatausta.png", the meadow behind the flower.
//
// The flower scene shows 320 of the 640 columns, drifting from offset 0 to
// 319 over 23 seconds, so every window of 320 columns has to stand as a
// picture: the hills rise and fall without a single peak to be cut in half,
// the moon sits where it enters the view early and stays in it. Everything
// is soft, as if out of focus behind the flower: a dusk sky from violet to
// warm peach, a low moon, hazy hills in receding violets, and a meadow whose
// lime grass is dotted with blurred blossoms.
#include "pictures/pictures.h"

using namespace art;

namespace {

constexpr int kWidth = 640, kHeight = 240;
constexpr float kMoonX = 420, kMoonY = 58, kMoonRadius = 17;

Colour sky(float y) {
    return gradient({fromRgb(0x1E0C40), fromRgb(0x3A1E6A), fromRgb(0x7A4A9A), fromRgb(0xC8789A),
                     fromRgb(0xF2A888)},
                    clamp01(y / 165));
}

// A hill line: its height above row `base` at column x.
float hillTop(float x, float base, float height, float scale, uint32_t seed) {
    return base - height * (0.5f + 0.5f * fbm(x / scale, 0.5f, 64, 4, 4, seed));
}

}  // namespace

Canvas drawMeadow() {
    Canvas canvas(kWidth, kHeight);
    canvas.fillAll([](int x, int y) {
        const float fx = x + 0.5f, fy = y + 0.5f;
        Colour c = sky(fy);
        // Thin drifts of cloud catching the low light.
        const float cloud = clamp01(fbm(fx / 160, fy / 14, 64, 64, 4, 17) * 2.4f - 0.15f);
        c = mix(c, mix(fromRgb(0x9A6AB0), fromRgb(0xFFC0A0), clamp01(fy / 150)),
                cloud * 0.45f * smoothstep(10, 60, fy) * (1 - smoothstep(120, 160, fy)));
        // The moon's halo.
        const float d = std::hypot(fx - kMoonX, fy - kMoonY);
        c = c + fromRgb(0xFFE8D0) * (0.22f * std::exp(-d / 30));
        return c;
    });
    Random rng(0xC0FFEE);
    for (int i = 0; i < 90; ++i) {
        const float x = rng.range(0, kWidth), y = rng.range(0, 80);
        canvas.paintGlowDot(x, y, 0.5f, 0.6f, palette::kSpark,
                            rng.range(0.15f, 0.5f) * (1 - y / 90));
    }
    Mask moon(kWidth, kHeight);
    addDisc(moon, kMoonX, kMoonY, kMoonRadius);
    canvas.paintMask(moon, [](int x, int y) {
        const float n = fbm(x / 6.0f, y / 6.0f, 64, 64, 3, 29);
        return mix(fromRgb(0xFFF0DC), fromRgb(0xE8C8C0), clamp01(0.5f + n));
    });

    // Hills from far to near, each darker and softer-edged than the last,
    // their feet lost in haze.
    struct Hill {
        float base, height, scale, softness;
        uint32_t seed;
        Colour colour;
    };
    const Hill hills[] = {
        {160, 46, 110, 1.0f, 3, fromRgb(0x9A6AA8)},
        {178, 44, 90, 1.5f, 5, fromRgb(0x6A3E86)},
        {196, 40, 70, 2.2f, 9, fromRgb(0x40285E)},
    };
    for (const Hill& h : hills) {
        for (int x = 0; x < kWidth; ++x) {
            const float top = hillTop(x + 0.5f, h.base, h.height, h.scale, h.seed);
            for (int y = 0; y < kHeight; ++y) {
                const float a = smoothstep(-h.softness, h.softness, y + 0.5f - top);
                if (a <= 0) continue;
                const float haze = 0.35f * (1 - smoothstep(top, top + 40, y + 0.5f));
                canvas.paint(x, y, mix(h.colour, sky(top), haze * 0.4f) + fromRgb(0x301810) * haze,
                             a);
            }
        }
    }
    // The meadow: grass in the foreground, rising gently.
    for (int x = 0; x < kWidth; ++x) {
        const float top = hillTop(x + 0.5f, 222, 16, 150, 13);
        for (int y = 0; y < kHeight; ++y) {
            const float fy = y + 0.5f;
            const float a = smoothstep(-3, 3, fy - top);
            if (a <= 0) continue;
            const float blades = fbm(x / 3.5f, fy / 24, 256, 64, 2, 19);
            const Colour grass = mix(fromRgb(0x283E24), fromRgb(0x4E7630), clamp01(0.5f + blades));
            // Dusk light on the far edge of the grass, shade toward the viewer.
            const Colour lit =
                mix(grass, fromRgb(0xA89A6A), 0.35f * (1 - smoothstep(0, 8, fy - top)));
            canvas.paint(x, y, mix(lit, fromRgb(0x1E2A20), clamp01((fy - top) / 45)), a);
        }
    }
    // Blossoms out of focus: soft discs of the flower's warm colours.
    const Colour blossoms[] = {palette::kFlameLight, palette::kFlame, fromRgb(0xF080C0),
                               palette::kSpark};
    for (int i = 0; i < 70; ++i) {
        const float x = rng.range(0, kWidth), y = rng.range(206, 242);
        const float size = rng.range(1.0f, 3.5f) * (0.6f + (y - 200) / 60);
        canvas.paintGlowDot(x, y, size, size * 0.6f, blossoms[rng.next() % 4],
                            rng.range(0.35f, 0.8f));
    }
    return canvas;
}
