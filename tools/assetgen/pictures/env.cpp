// env.cpp - "data/env.png", the environment the spid mesh reflects.
//
// The textured rasterizer looks up texel (128 x + 128, 128 y + 128) for a
// camera-space normal (x, y, z), so only the disc inscribed in the square is
// ever seen, and each texel stands for the normal that lands there. For
// every such normal the picture shows what a mirror would reflect to the
// viewer: a dusk sky falling from deep violet to flame orange, a sun that
// makes the bright highlight, a hard horizon, and below it dark ground under
// a thin lime glow. That is what makes the turning mesh read as polished
// metal. Texels outside the disc repeat the rim.
#include "pictures/pictures.h"

using namespace art;

namespace {

constexpr int kSize = 256;

struct Vec {
    float x, y, z;
};

float dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec normalised(Vec v) {
    const float l = std::sqrt(dot(v, v));
    return {v.x / l, v.y / l, v.z / l};
}

// What the mirror shows in direction r (y grows downward, z away from the
// viewer).
Colour environment(Vec r) {
    const float up = -r.y;
    const Vec sun = normalised({-0.55f, -0.5f, -0.67f});
    const float toSun = std::max(0.0f, dot(r, sun));
    const Colour sunlight =
        palette::kSpark * (std::pow(toSun, 300.0f) * 2.5f + std::pow(toSun, 12.0f) * 0.6f);
    if (up >= 0) {
        const float e = std::sqrt(up);  // stretches the warm band near the horizon
        Colour c = gradient({fromRgb(0xFFD08A), fromRgb(0xFF8A3A), fromRgb(0xE07A9A),
                             fromRgb(0xB8A0E0), fromRgb(0x6A5AA8)},
                            e);
        // A few soft bands of cloud across the sky.
        const float azimuth = std::atan2(r.x, r.z);
        const float cloud = smoothstep(0.1f, 0.5f, fbm(azimuth * 3 + 10, up * 9, 64, 64, 3, 7));
        c = mix(c, fromRgb(0xFF9A6A), 0.35f * cloud * (1 - e));
        return c + sunlight;
    }
    // The ground: dark just under the horizon, with a thin lime glow along
    // it (the demo's frame-line colour), lifting toward a dim violet below.
    // Smooth on purpose: the mesh's many small faces would break any fine
    // pattern here into speckle.
    const float down = -up;
    Colour c =
        gradient({fromRgb(0x2A0A2A), fromRgb(0x12061C), fromRgb(0x2E1450), fromRgb(0x5A3A8A)},
                 std::sqrt(down));
    const float glow = std::exp(-down * 30);
    c = mix(c, palette::kLime, 0.55f * glow * (1 - std::exp(-down * 400)));
    return c + sunlight * 0.3f;
}

// The reflection for the normal that lands at texture point (u, v).
Colour reflectionAt(float u, float v) {
    float nx = (u - 128) / 128, ny = (v - 128) / 128;
    const float r2 = nx * nx + ny * ny;
    if (r2 > 0.995f) {  // outside the disc: the rim's normal
        const float s = std::sqrt(0.995f / r2);
        nx *= s;
        ny *= s;
    }
    const Vec n = {nx, ny, -std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny))};
    const Vec eye = {0, 0, 1};  // from the viewer into the screen
    const float d = 2 * dot(eye, n);
    return environment({eye.x - d * n.x, eye.y - d * n.y, eye.z - d * n.z});
}

}  // namespace

Canvas drawEnvironment() {
    Canvas canvas(kSize, kSize);
    // Four by four samples a texel: the floor's lines crowd together toward
    // the rim and would otherwise break into moire.
    canvas.fillAll([](int x, int y) {
        Colour sum;
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i)
                sum = sum + reflectionAt(x + (i + 0.5f) / 4, y + (j + 0.5f) / 4);
        return sum * (1.0f / 16);
    });
    return canvas;
}
