// env.cpp - "data/env.png", the environment the spid mesh reflects.
//
// The textured rasterizer looks up texel (128 x + 128, 128 y + 128) for a
// camera-space normal (x, y, z), so only the disc inscribed in the square is
// ever seen, and each texel stands for the normal that lands there. For
// every such normal the picture shows what a mirror would reflect to the
// viewer: a dusk sky falling from deep violet to flame orange, a sun that
// makes the bright highlight, a hard horizon, and below it a dark floor
// ruled with the demo's lime lines. That is what makes the turning mesh read
// as polished metal. Texels outside the disc repeat the rim.
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
        palette::kSpark * (std::pow(toSun, 400.0f) * 2.5f + std::pow(toSun, 24.0f) * 0.55f);
    if (up >= 0) {
        const float e = std::sqrt(up);  // stretches the warm band near the horizon
        Colour c = gradient({fromRgb(0xFFD08A), fromRgb(0xFF8A3A), fromRgb(0xD0507A),
                             fromRgb(0x8A4AA8), fromRgb(0x4A2A80)},
                            e);
        // A few soft bands of cloud across the sky.
        const float azimuth = std::atan2(r.x, r.z);
        const float cloud = smoothstep(0.1f, 0.5f, fbm(azimuth * 3 + 10, up * 9, 64, 64, 3, 7));
        c = mix(c, fromRgb(0xFF9A6A), 0.35f * cloud * (1 - e));
        return c + sunlight;
    }
    // The floor: a plane below the viewer, ruled in lime, fading with
    // distance into the haze of the horizon.
    const float down = -up;
    const float distance = 1 / std::max(down, 1e-4f);
    const float gx = r.x * distance * 1.5f, gz = r.z * distance * 1.5f;
    const float lineWidth = 0.05f * distance;
    auto line = [&](float v) {
        const float f = std::fabs(v - std::round(v));
        return 1 - smoothstep(0.02f, 0.02f + lineWidth, f);
    };
    const float haze = std::exp(-down * 6);
    const float grid = std::max(line(gx), line(gz)) * (1 - haze);
    Colour c = mix(fromRgb(0x14061E), fromRgb(0x2A0C3A), clamp01(down * 2));
    c = mix(c, palette::kLime, grid * 0.75f);
    c = mix(c, fromRgb(0xC8505A), haze * 0.8f);
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
