// seinae.cpp - "data/seinae.png", the title's moving background.
//
// The title scene reads this texture through distance and angle tables, so
// its rows become rings that stream out of four wandering centres and its
// columns become spiral arms. Neighbouring screen pixels can be several rows
// apart, so the pattern varies slowly: a plasma of sines with whole numbers
// of periods across the square (it wraps seamlessly both ways), coloured
// through the demo's palette from deep violet to flame orange, kept darker
// than the title so the letters stay in front.
#include "pictures/pictures.h"

using namespace art;

namespace {

constexpr int kSize = 256;

float wave(float cyclesX, float cyclesY, float x, float y, float phase) {
    return std::sin(2 * kPi * (cyclesX * x + cyclesY * y) / kSize + phase);
}

}  // namespace

Canvas drawSeinae() {
    // Violet in the common middle values, flame orange at the rarer crests;
    // the last stop meets the first.
    const std::vector<Colour> stops = {
        palette::kFlame * 0.8f, fromRgb(0x9A3066), fromRgb(0x5C1E7C),
        fromRgb(0x3A1466),      fromRgb(0x220A3E), fromRgb(0x3A1466),
        fromRgb(0x6A2282),      fromRgb(0xA23A62), palette::kFlame * 0.8f,
    };
    Canvas canvas(kSize, kSize);
    canvas.fillAll([&](int x, int y) {
        const float fx = float(x), fy = float(y);
        // Slow bends keep the sum periodic while breaking its straight stripes.
        const float bend = 0.9f * wave(1, 0, fx, fy, 0.3f) + 0.6f * wave(0, 1, fx, fy, 1.1f);
        const float p = wave(1, 2, fx, fy, bend) + wave(2, -1, fx, fy, 1.7f - bend) +
                        0.7f * wave(1, 1, fx, fy, 0.4f + 0.8f * bend) +
                        0.35f * fbm(fx / 64, fy / 64, 4, 4, 3, 7);
        const float t = p / 2.65f * 0.5f + 0.5f;  // about 0..1
        const Colour c = gradient(stops, t - std::floor(t));
        return c;
    });
    return canvas;
}
