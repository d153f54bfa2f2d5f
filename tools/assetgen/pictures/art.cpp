#include "pictures/art.h"

#include <algorithm>

namespace art {

Colour gradient(const std::vector<Colour>& stops, float t) {
    const float p = clamp01(t) * float(stops.size() - 1);
    const size_t i = std::min(size_t(p), stops.size() - 2);
    return mix(stops[i], stops[i + 1], p - float(i));
}

Colour chrome(float t) {
    constexpr float kHorizon = 0.55f;
    if (t < kHorizon) {
        const float u = clamp01(t / kHorizon);
        return mix(palette::kSpark, palette::kFlameLight, u * u);
    }
    const float u = clamp01((t - kHorizon) / (1 - kHorizon));
    const Colour below = gradient({palette::kFlame * 0.8f, palette::kFlame, fromRgb(0xFFC040)}, u);
    // The horizon itself: a thin bright seam along the change.
    return mix(below, palette::kSpark, 0.6f * (1 - smoothstep(0.0f, 0.12f, u)));
}

uint64_t Random::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float Random::uniform() {
    return float(next() >> 40) / float(1 << 24);
}

namespace {

// A lattice value in -1..1 from an integer hash of the cell and the seed.
float latticeValue(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return float(h & 0xFFFFFF) / float(0x7FFFFF) - 1.0f;
}

int wrap(int v, int period) {
    const int r = v % period;
    return r < 0 ? r + period : r;
}

float quintic(float t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

}  // namespace

float valueNoise(float x, float y, int periodX, int periodY, uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int x0 = wrap(int(fx), periodX), y0 = wrap(int(fy), periodY);
    const int x1 = wrap(x0 + 1, periodX), y1 = wrap(y0 + 1, periodY);
    const float tx = quintic(x - fx), ty = quintic(y - fy);
    const float top = lerp(latticeValue(x0, y0, seed), latticeValue(x1, y0, seed), tx);
    const float bottom = lerp(latticeValue(x0, y1, seed), latticeValue(x1, y1, seed), tx);
    return lerp(top, bottom, ty);
}

float fbm(float x, float y, int periodX, int periodY, int octaves, uint32_t seed) {
    float sum = 0, weight = 0.5f, scale = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * valueNoise(x * scale, y * scale, periodX * int(scale), periodY * int(scale),
                                   seed + uint32_t(o) * 101u);
        weight *= 0.5f;
        scale *= 2;
    }
    return sum;
}

float Mask::clamped(int x, int y) const {
    return at(std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1));
}

namespace {

// Visits the pixels within reach of a shape's bounding box.
template <typename Coverage>
void addShape(Mask& m, float left, float top, float right, float bottom, Coverage coverage) {
    const int x0 = std::max(0, int(std::floor(left)) - 1);
    const int y0 = std::max(0, int(std::floor(top)) - 1);
    const int x1 = std::min(m.width - 1, int(std::ceil(right)) + 1);
    const int y1 = std::min(m.height - 1, int(std::ceil(bottom)) + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float c = coverage(x + 0.5f, y + 0.5f);
            float& v = m.at(x, y);
            if (c > v) v = c;
        }
}

float segmentDistance(float px, float py, float x0, float y0, float x1, float y1) {
    const float dx = x1 - x0, dy = y1 - y0;
    const float len2 = dx * dx + dy * dy;
    const float t = len2 > 0 ? clamp01(((px - x0) * dx + (py - y0) * dy) / len2) : 0.0f;
    return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
}

}  // namespace

void addDisc(Mask& m, float cx, float cy, float radius) {
    addShape(m, cx - radius, cy - radius, cx + radius, cy + radius,
             [&](float x, float y) { return coverageAt(std::hypot(x - cx, y - cy) - radius); });
}

void addRing(Mask& m, float cx, float cy, float radius, float halfWidth) {
    const float outer = radius + halfWidth;
    addShape(m, cx - outer, cy - outer, cx + outer, cy + outer, [&](float x, float y) {
        return coverageAt(std::fabs(std::hypot(x - cx, y - cy) - radius) - halfWidth);
    });
}

void addCapsule(Mask& m, float x0, float y0, float x1, float y1, float halfWidth) {
    addShape(m, std::min(x0, x1) - halfWidth, std::min(y0, y1) - halfWidth,
             std::max(x0, x1) + halfWidth, std::max(y0, y1) + halfWidth, [&](float x, float y) {
                 return coverageAt(segmentDistance(x, y, x0, y0, x1, y1) - halfWidth);
             });
}

void addPolygon(Mask& m, const std::vector<std::array<float, 2>>& points) {
    float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
    for (const auto& p : points) {
        left = std::min(left, p[0]);
        right = std::max(right, p[0]);
        top = std::min(top, p[1]);
        bottom = std::max(bottom, p[1]);
    }
    const size_t n = points.size();
    addShape(m, left, top, right, bottom, [&](float x, float y) {
        // Even-odd inside test, distance to the nearest edge.
        bool inside = false;
        float distance = 1e9f;
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            const auto& a = points[i];
            const auto& b = points[j];
            if ((a[1] > y) != (b[1] > y) && x < (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]) + a[0])
                inside = !inside;
            distance = std::min(distance, segmentDistance(x, y, a[0], a[1], b[0], b[1]));
        }
        return coverageAt(inside ? -distance : distance);
    });
}

void addSparkle(Mask& m, float cx, float cy, float reach, float waist) {
    addPolygon(m, {{cx - reach, cy}, {cx, cy - waist}, {cx + reach, cy}, {cx, cy + waist}});
    addPolygon(m, {{cx, cy - reach}, {cx + waist, cy}, {cx, cy + reach}, {cx - waist, cy}});
}

Mask blurred(const Mask& m, float sigma) {
    const int reach = std::max(1, int(std::ceil(sigma * 3)));
    std::vector<float> kernel(size_t(2 * reach + 1));
    float sum = 0;
    for (int i = -reach; i <= reach; ++i) {
        kernel[size_t(i + reach)] = std::exp(-float(i * i) / (2 * sigma * sigma));
        sum += kernel[size_t(i + reach)];
    }
    for (float& k : kernel) k /= sum;
    Mask across(m.width, m.height), out(m.width, m.height);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
            float v = 0;
            for (int i = -reach; i <= reach; ++i)
                v += kernel[size_t(i + reach)] * m.clamped(x + i, y);
            across.at(x, y) = v;
        }
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
            float v = 0;
            for (int i = -reach; i <= reach; ++i)
                v += kernel[size_t(i + reach)] * across.clamped(x, y + i);
            out.at(x, y) = v;
        }
    return out;
}

Mask grown(const Mask& m, float radius) {
    const int reach = int(std::ceil(radius + 0.5f));
    struct Tap {
        int dx, dy;
        float weight;
    };
    std::vector<Tap> taps;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            const float w = coverageAt(std::hypot(float(dx), float(dy)) - radius);
            if (w > 0) taps.push_back({dx, dy, w});
        }
    Mask out(m.width, m.height);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
            float best = 0;
            for (const Tap& t : taps) {
                const int sx = x + t.dx, sy = y + t.dy;
                if (sx < 0 || sy < 0 || sx >= m.width || sy >= m.height) continue;
                best = std::max(best, m.at(sx, sy) * t.weight);
            }
            out.at(x, y) = best;
        }
    return out;
}

Mask halo(const Mask& m, float grow, float sigma, float strength) {
    Mask out = blurred(grow > 0 ? grown(m, grow) : m, sigma);
    for (float& v : out.v) v = clamp01(v * strength);
    return out;
}

Canvas::Canvas(int w, int h) : width_(w), height_(h), c_(size_t(w) * h), a_(size_t(w) * h, 0.0f) {}

void Canvas::paint(int x, int y, Colour c, float a) {
    const size_t i = index(x, y);
    c_[i] = c * a + c_[i] * (1 - a);
    a_[i] = a + a_[i] * (1 - a);
}

void Canvas::paintGlowDot(float cx, float cy, float radius, float glowRadius, Colour c,
                          float brightness) {
    const float reach = radius + 3 * glowRadius + 1;
    const int x0 = std::max(0, int(cx - reach)), x1 = std::min(width_ - 1, int(cx + reach));
    const int y0 = std::max(0, int(cy - reach)), y1 = std::min(height_ - 1, int(cy + reach));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            const float glow = 0.5f * std::exp(-std::max(0.0f, d - radius) / glowRadius);
            const float a = std::max(coverageAt(d - radius), glow) * brightness;
            if (a > 0.002f) paint(x, y, c, std::min(a, 1.0f));
        }
}

void Canvas::set(int x, int y, Colour c, float a) {
    const size_t i = index(x, y);
    c_[i] = c * a;
    a_[i] = a;
}

void Canvas::clipTo(int left, int top, int right, int bottom) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            if (x < left || x > right || y < top || y > bottom) set(x, y, Colour{}, 0);
}

Colour Canvas::colour(int x, int y) const {
    const size_t i = index(x, y);
    return a_[i] > 0 ? c_[i] * (1 / a_[i]) : Colour{};
}

namespace {

// 4 x 4 ordered dither thresholds, centred in each sixteenth.
float bayer(int x, int y) {
    static constexpr int kOrder[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (float(kOrder[y & 3][x & 3]) + 0.5f) / 16;
}

int level(float v, int maximum, float threshold) {
    return std::clamp(int(std::floor(clamp01(v) * float(maximum) + threshold)), 0, maximum);
}

// The 8-bit value whose top bits are the level: the loader's truncation
// gives the level back, and the file shows the level's true brightness.
uint8_t widen5(int l) {
    return uint8_t((l << 3) | (l >> 2));
}
uint8_t widen6(int l) {
    return uint8_t((l << 2) | (l >> 4));
}

}  // namespace

RgbPicture toPicture(const Canvas& canvas, bool dither) {
    RgbPicture out(canvas.width(), canvas.height());
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const Colour c = canvas.colour(x, y);
            const float t = dither ? bayer(x, y) : 0.5f;
            const int r = level(c.r, 31, t), b = level(c.b, 31, t);
            int g = level(c.g, 63, t);
            if (r == 31 && g == 0 && b == 31) g = 1;  // never the colour key
            out.set(x, y, widen5(r), widen6(g), widen5(b));
        }
    return out;
}

RgbPicture toAlphaMap(const Canvas& canvas) {
    RgbPicture out(canvas.width(), canvas.height());
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const uint8_t grey = widen6(level(canvas.coverage(x, y), 63, 0.5f));
            out.set(x, y, grey, grey, grey);
        }
    return out;
}

}  // namespace art
