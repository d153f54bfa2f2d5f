// velmira.cpp - "data/velmira.png", the last scene's tall picture.
//
// The flare scene shows 240 rows at a time, starting at row 60 and moving
// down one row per music row until the bottom edge, 571, is reached about
// twenty seconds later. The picture is one descent: from deep space with
// stars, a nebula and a ringed planet, through the lime curtains of an aurora
// and a dusk sky glowing ever warmer, crossed by a falling star, past clouds
// lit from below, to a closing view of the sun setting into a lake between
// two dark ridges. Its 40 warm glows drift over it additively, so the
// picture leaves them head room: it is brightest only around the sun.
#include "pictures/pictures.h"

using namespace art;

namespace {

constexpr int kWidth = 320, kHeight = 811;
constexpr float kHorizon = 716;  // where sky meets water
constexpr float kSunX = 160, kSunY = 708, kSunRadius = 27;

// The sky's colour by row, from space to the glow above the horizon.
Colour sky(float y) {
    struct Stop {
        float y;
        Colour c;
    };
    static const Stop kStops[] = {
        {0, fromRgb(0x05020F)},   {260, fromRgb(0x0B0520)},      {420, fromRgb(0x22093F)},
        {520, fromRgb(0x4A145C)}, {600, fromRgb(0x8A2A62)},      {660, fromRgb(0xD0543E)},
        {700, fromRgb(0xF58A36)}, {kHorizon, fromRgb(0xFFC070)},
    };
    if (y <= kStops[0].y) return kStops[0].c;
    for (size_t i = 1; i < std::size(kStops); ++i)
        if (y <= kStops[i].y) {
            const float t = (y - kStops[i - 1].y) / (kStops[i].y - kStops[i - 1].y);
            return mix(kStops[i - 1].c, kStops[i].c, smoothstep(0, 1, t));
        }
    return kStops[std::size(kStops) - 1].c;
}

// Glow of the sun at a point: a wide warm haze around a bright disc.
float sunGlow(float x, float y) {
    const float d = std::hypot(x - kSunX, (y - kSunY) * 1.25f);
    return 0.55f * std::exp(-d / 60) + 0.35f * std::exp(-d / 18);
}

void paintSpace(Canvas& canvas) {
    canvas.fillAll([](int x, int y) {
        const float fx = float(x), fy = float(y);
        Colour c = sky(fy);
        // Nebula: two veils of noise, violet and a faint flame, thinning out
        // as the sky below grows bright.
        const float fade = 1 - smoothstep(180, 430, fy);
        const float veil = clamp01(fbm(fx / 90, fy / 70, 64, 64, 5, 11) * 1.6f + 0.15f);
        const float ember = clamp01(fbm(fx / 60, fy / 50, 64, 64, 4, 23) * 2.0f - 0.25f);
        c = c + fromRgb(0x40186A) * (veil * veil * 0.7f * fade);
        c = c + fromRgb(0x8A3414) * (ember * ember * veil * 0.8f * fade);
        // Sunlight scattered in the lowest sky.
        c = c + palette::kFlameLight * sunGlow(fx, fy);
        return c;
    });
}

void paintStars(Canvas& canvas) {
    Random rng(0x5717A5);
    const std::vector<Colour> tints = {palette::kSpark, fromRgb(0xFFD0A0), fromRgb(0xD8C8FF),
                                       fromRgb(0xE0FFC0)};
    Mask glints(kWidth, kHeight);
    for (int i = 0; i < 760; ++i) {
        const float x = rng.range(0, kWidth), y = rng.range(0, 560);
        const float fade = 1 - smoothstep(300, 560, y);  // drowned by the dusk
        const float size = std::pow(rng.uniform(), 6.0f);
        const Colour tint = tints[rng.next() % tints.size()];
        const float brightness = (0.25f + 0.75f * rng.uniform()) * fade;
        canvas.paintGlowDot(x, y, 0.4f + 1.1f * size, 0.5f + 1.5f * size, tint, brightness);
        // Only the few brightest stars sparkle.
        if (size > 0.75f && y < 380) addSparkle(glints, x, y, 5 + 10 * size, 0.9f);
    }
    canvas.paintMask(glints, palette::kSpark, 0.8f);
}

void paintPlanet(Canvas& canvas) {
    const float cx = 238, cy = 200, r = 58;
    // The rings: a flat ellipse; its far half is hidden by the planet.
    auto ringCoverage = [&](float x, float y, bool front) {
        const float dx = x - cx, dy = y - cy;
        const float tilt = 0.28f;
        const float rx = dx * 0.96f + dy * 0.28f, ry = -dx * 0.28f + dy * 0.96f;
        const float e = std::hypot(rx, ry / tilt);
        if ((ry > 0) != front) return 0.0f;
        const float band =
            smoothstep(r * 1.22f, r * 1.28f, e) * (1 - smoothstep(r * 1.62f, r * 1.68f, e));
        const float gap = 1 - 0.8f * (1 - smoothstep(0, 2.0f, std::fabs(e - r * 1.45f)));
        return band * gap * 0.6f;
    };
    auto paintRing = [&](bool front) {
        for (int y = int(cy - 2 * r); y < int(cy + 2 * r); ++y)
            for (int x = 0; x < kWidth; ++x) {
                const float a = ringCoverage(x + 0.5f, y + 0.5f, front);
                if (a <= 0) continue;
                const float e = std::hypot(x + 0.5f - cx, (y + 0.5f - cy) * 2);
                canvas.paint(x, y, mix(fromRgb(0xE8A070), fromRgb(0x9A6AB0), clamp01(e / (3 * r))),
                             a);
            }
    };
    paintRing(false);
    Mask disc(kWidth, kHeight);
    addDisc(disc, cx, cy, r);
    canvas.paintMask(disc, [&](int x, int y) {
        const float nx = (x + 0.5f - cx) / r, ny = (y + 0.5f - cy) / r;
        const float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
        // Lit from far below, where the sun is: a crescent on the lower left.
        const float light = clamp01(-0.55f * nx + 0.75f * ny + 0.35f * nz);
        const float bands =
            0.5f + 0.5f * std::sin(ny * 13 + 2.5f * fbm(nx * 3, ny * 9, 64, 64, 3, 5));
        const Colour surface = mix(fromRgb(0xB0502C), fromRgb(0xE8A070), bands);
        const Colour night = fromRgb(0x140A26);
        return mix(night, surface, std::pow(light, 1.4f)) + fromRgb(0x3A1A5A) * (0.5f * (1 - nz));
    });
    paintRing(true);
}

// Lime curtains hanging in the high dusk: brightest just above their wavy
// lower edge, fading upward, broken into vertical rays.
void paintAurora(Canvas& canvas) {
    for (int y = 200; y < 430; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            const float edge =
                372 + 22 * std::sin(fx / 47 + 0.6f) + 14 * fbm(fx / 40, 0.5f, 64, 4, 3, 31);
            const float below = fy - edge;
            const float rise = below < 0 ? std::exp(below / 32) : 1 - smoothstep(0, 10, below);
            const float rays = 0.5f + 0.5f * fbm(fx / 5, fy / 400, 64, 64, 2, 41);
            // Separate draperies rather than one wall of light.
            const float drape = smoothstep(-0.05f, 0.3f, fbm(fx / 55, 0.5f, 64, 4, 3, 43));
            const float a = clamp01(rise * rays * drape * 0.5f);
            if (a <= 0) continue;
            canvas.paint(x, y, mix(palette::kLime, fromRgb(0xB060C0), clamp01(-below / 110)), a);
        }
}

// Long clouds lit from below by the low sun.
void paintClouds(Canvas& canvas) {
    for (int y = 470; y < int(kHorizon) - 8; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            const float layer = 1 - std::fabs((fy - 600) / 130);
            const float n = fbm(fx / 110, fy / 9, 64, 512, 5, 53);
            const float a = clamp01((n + 0.05f - 0.35f * (1 - layer)) * 3.2f) * 0.9f;
            if (a <= 0) continue;
            const float lit = clamp01(fbm(fx / 110, (fy + 3) / 9, 64, 512, 5, 53) * -3 + 0.5f);
            const float warmth = smoothstep(480, 690, fy);
            const Colour shade = mix(fromRgb(0x2A0E40), fromRgb(0x6A2058), warmth);
            const Colour rim = mix(fromRgb(0xB04A6A), fromRgb(0xFFB060), warmth);
            Colour c = mix(shade, rim, lit * (0.4f + 0.6f * warmth));
            c = c + palette::kFlameLight * (sunGlow(fx, fy) * 0.8f);
            canvas.paint(x, y, c, a);
        }
}

// A falling star crossing the empty stretch between aurora and clouds: a
// bright head trailing a tail that cools to lime and fades.
void paintMeteor(Canvas& canvas) {
    const float headX = 118, headY = 492, tailX = 246, tailY = 446;
    constexpr int kSteps = 90;
    for (int i = kSteps; i >= 0; --i) {
        const float t = float(i) / kSteps;  // 0 at the head
        const float x = lerp(headX, tailX, t), y = lerp(headY, tailY, t);
        const Colour c = mix(palette::kSpark, palette::kLime, smoothstep(0.05f, 0.6f, t));
        canvas.paintGlowDot(x, y, 0.6f * (1 - t) + 0.2f, 0.8f + 1.2f * (1 - t), c,
                            0.5f * (1 - t) * (1 - t));
    }
    canvas.paintGlowDot(headX, headY, 1.2f, 2.5f, palette::kSpark, 1);
}

void paintSun(Canvas& canvas) {
    Mask sun(kWidth, kHeight);
    addDisc(sun, kSunX, kSunY, kSunRadius);
    canvas.paintMask(sun, [](int, int y) {
        return mix(palette::kSpark, fromRgb(0xFFD070),
                   smoothstep(kSunY - kSunRadius, kSunY + kSunRadius, y + 0.5f));
    });
}

// Height of a ridge above the horizon at column x.
float ridge(float x, float base, float height, uint32_t seed, float valley) {
    const float n = 0.5f + 0.5f * fbm(x / 70, 0.5f, 64, 4, 5, seed);
    const float v = smoothstep(0, valley, std::fabs(x - kSunX));  // low near the sun
    return base + height * n * (0.25f + 0.75f * v);
}

void paintLand(Canvas& canvas) {
    struct Ridge {
        float base, height;
        uint32_t seed;
        float valley;
        Colour colour;
    };
    const Ridge ridges[] = {
        {2, 34, 71, 150, fromRgb(0x9A3A5E)},
        {0, 52, 83, 120, fromRgb(0x4A1A4C)},
        {-2, 80, 97, 110, fromRgb(0x1A0A24)},
    };
    for (const Ridge& r : ridges) {
        Mask m(kWidth, kHeight);
        for (int x = 0; x < kWidth; ++x) {
            const float top = kHorizon - ridge(x + 0.5f, r.base, r.height, r.seed, r.valley);
            for (int y = int(top) - 1; y < int(kHorizon) + 1; ++y)
                m.at(x, y) = clamp01(y + 0.5f - top + 0.5f);
        }
        canvas.paintMask(m, [&](int x, int y) {
            // Haze: the ridge's foot melts into the light over the water.
            return mix(r.colour, sky(kHorizon),
                       0.25f * smoothstep(kHorizon - 30, kHorizon, y + 0.5f)) +
                   palette::kFlame * (0.25f * sunGlow(x + 0.5f, y + 0.5f));
        });
    }
}

// The lake mirrors the sky and the sun, broken into ripples, darkening
// toward the viewer.
void paintWater(Canvas& canvas) {
    Canvas mirror = canvas;
    for (int y = int(kHorizon); y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const float depth = (y - kHorizon) / (kHeight - kHorizon);  // 0 far .. 1 near
            const float ripple = fbm(x / (30 + 60 * depth), y / (1.5f + 3 * depth), 64, 512, 3, 61);
            const int sx = std::clamp(int(x + ripple * (3 + 10 * depth)), 0, kWidth - 1);
            const int sy = std::clamp(int(2 * kHorizon - y - 2 + ripple * 4), 0, kHeight - 1);
            Colour c = mirror.colour(sx, sy) * (0.75f - 0.4f * depth);
            // The sun's path: glitter on the ripples under the sun.
            const float path = std::exp(-std::pow((x + 0.5f - kSunX) / (14 + 40 * depth), 2.0f));
            const float glitter = clamp01(ripple * 4 + 0.3f) * path * (1 - 0.6f * depth);
            c = c + fromRgb(0xFFC080) * glitter;
            c = mix(c, palette::kViolet * 0.5f, 0.6f * depth * depth);
            canvas.set(x, y, c, 1);
        }
    // A thin bright line where the far water meets the land.
    for (int x = 0; x < kWidth; ++x)
        canvas.paint(x, int(kHorizon), fromRgb(0xFFB070),
                     0.35f * (0.3f + sunGlow(x + 0.5f, kHorizon)));
}

}  // namespace

Canvas drawVelmira() {
    Canvas canvas(kWidth, kHeight);
    paintSpace(canvas);
    paintStars(canvas);
    paintPlanet(canvas);
    paintAurora(canvas);
    paintClouds(canvas);
    paintMeteor(canvas);
    paintSun(canvas);
    paintLand(canvas);
    paintWater(canvas);
    return canvas;
}
