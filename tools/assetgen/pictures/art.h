// art.h - the drawing kit every picture of the demo is made with.
//
// Pictures are drawn in floating point: a Mask is a plane of coverage in
// 0..1, a Canvas holds premultiplied colour and coverage and composes paint
// "over" what is there. Shapes are anti-aliased by their distance to the
// pixel centre (x + 0.5, y + 0.5). Only at the end is a canvas turned into
// the 8-bit RGB file the demo loads, with every channel already on one of
// the RGB565 levels the loader truncates to, so what the file shows is what
// the screen shows. Nothing here reads the clock or a system random source:
// the same calls give the same bytes.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "common/asset_files.h"

namespace art {

struct Colour {
    float r = 0, g = 0, b = 0;
};

inline Colour operator+(Colour a, Colour b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Colour operator-(Colour a, Colour b) {
    return {a.r - b.r, a.g - b.g, a.b - b.b};
}
inline Colour operator*(Colour a, float s) {
    return {a.r * s, a.g * s, a.b * s};
}
inline Colour operator*(Colour a, Colour b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
inline Colour mix(Colour a, Colour b, float t) {
    return a + (b - a) * t;
}

inline float clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}
inline float smoothstep(float edge0, float edge1, float x) {
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}
inline float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

constexpr float kPi = 3.14159265358979f;

// An RGB565 colour of the demo as a Colour, each field over its maximum.
constexpr Colour fromRgb565(uint16_t c) {
    return {float(c >> 11) / 31, float((c >> 5) & 63) / 63, float(c & 31) / 31};
}
constexpr Colour fromRgb(uint32_t rgb) {
    return {float(rgb >> 16) / 255, float((rgb >> 8) & 255) / 255, float(rgb & 255) / 255};
}

// The demo's own colours, which every picture takes its palette from.
namespace palette {
constexpr Colour kLime = fromRgb565(0x76C0);        // frame lines
constexpr Colour kViolet = fromRgb565(0x3028);      // the credits' band
constexpr Colour kFlameLight = fromRgb565(0xFD90);  // flame discs, inner edge
constexpr Colour kFlame = fromRgb565(0xFB40);       // flame discs, outer edge
constexpr Colour kSpark = fromRgb(0xFFF0D8);        // warm white of the sparks
constexpr Colour kBlack = {0, 0, 0};
}  // namespace palette

// The demo's lettering, t running from the top of a capital (0) to the
// baseline (1): warm white falling to peach, a bright horizon just past the
// middle, flame orange rising to gold below it, like polished metal under a
// low sun.
Colour chrome(float t);

// Colour at t in 0..1 along evenly spaced stops.
Colour gradient(const std::vector<Colour>& stops, float t);

// Fixed pseudo-random sequence (SplitMix64): the only randomness the
// pictures use, so they come out the same on every run.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next();
    float uniform();  // 0 <= u < 1
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }

  private:
    uint64_t state_;
};

// Smooth value noise in about -1..1 that repeats every periodX by periodY
// lattice cells, so a picture built from it tiles when its size is a whole
// number of periods. fbm sums octaves, each twice as fine and half as strong.
float valueNoise(float x, float y, int periodX, int periodY, uint32_t seed);
float fbm(float x, float y, int periodX, int periodY, int octaves, uint32_t seed);

// A plane of coverage, 0..1 per pixel.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> v;

    Mask(int w, int h) : width(w), height(h), v(size_t(w) * h, 0.0f) {}
    float& at(int x, int y) { return v[size_t(y) * width + x]; }
    float at(int x, int y) const { return v[size_t(y) * width + x]; }
    // Edge pixels repeat beyond the border.
    float clamped(int x, int y) const;
};

// Coverage of one pixel for a signed distance from the shape's edge
// (negative inside): a one-pixel ramp centred on the edge.
inline float coverageAt(float signedDistance) {
    return clamp01(0.5f - signedDistance);
}

// Shapes united into a mask (each pixel keeps its larger coverage).
void addDisc(Mask& m, float cx, float cy, float radius);
void addRing(Mask& m, float cx, float cy, float radius, float halfWidth);
void addCapsule(Mask& m, float x0, float y0, float x1, float y1, float halfWidth);
void addPolygon(Mask& m, const std::vector<std::array<float, 2>>& points);
// A four-pointed spark: two thin diamonds crossing at (cx, cy).
void addSparkle(Mask& m, float cx, float cy, float reach, float waist);

// Gaussian blur with standard deviation sigma pixels, edges repeated.
Mask blurred(const Mask& m, float sigma);
// Each pixel takes the largest coverage within radius: a bolder shape whose
// edge stays anti-aliased.
Mask grown(const Mask& m, float radius);
// Coverage of the soft shadow or glow around a shape: grown, blurred, scaled.
Mask halo(const Mask& m, float grow, float sigma, float strength);
// A picture being drawn: premultiplied colour and coverage.
class Canvas {
  public:
    Canvas(int w, int h);

    int width() const { return width_; }
    int height() const { return height_; }

    // Paints colour c with coverage a over pixel (x, y).
    void paint(int x, int y, Colour c, float a);
    // Paints every pixel that m covers, its colour given by fill(x, y).
    template <typename Fill>
    void paintMask(const Mask& m, Fill fill, float opacity = 1.0f) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const float a = m.at(x, y) * opacity;
                if (a > 0) paint(x, y, fill(x, y), a);
            }
    }
    void paintMask(const Mask& m, Colour c, float opacity = 1.0f) {
        paintMask(
            m, [c](int, int) { return c; }, opacity);
    }
    // Sets every pixel to an opaque colour from fill(x, y).
    template <typename Fill>
    void fillAll(Fill fill) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) set(x, y, fill(x, y), 1.0f);
    }

    // A point of light: a disc of the given radius in a soft glow that fades
    // over glowRadius, painted only where it reaches.
    void paintGlowDot(float cx, float cy, float radius, float glowRadius, Colour c,
                      float brightness);

    void set(int x, int y, Colour c, float a);
    // Clears everything outside columns left..right and rows top..bottom
    // (inclusive): the part of the picture its scene reads.
    void clipTo(int left, int top, int right, int bottom);
    Colour colour(int x, int y) const;  // un-premultiplied; black where nothing is
    float coverage(int x, int y) const { return a_[index(x, y)]; }

  private:
    size_t index(int x, int y) const { return size_t(y) * width_ + x; }
    int width_;
    int height_;
    std::vector<Colour> c_;  // premultiplied
    std::vector<float> a_;
};

// The colour of every pixel on RGB565 levels. With dither, a 4 x 4 ordered
// pattern spreads the rounding so soft gradients do not band at 32 levels.
// The colour key 0xF81F never comes out: its green is raised by one level.
RgbPicture toPicture(const Canvas& canvas, bool dither);
// The coverage as a grey alpha map on the 64 levels of the 6-bit green field.
RgbPicture toAlphaMap(const Canvas& canvas);

// ---- text ---------------------------------------------------------------

enum class Typeface { kSans, kSansBold, kSerifBold, kMonoBold };

struct TextStyle {
    Typeface face = Typeface::kSansBold;
    float size = 32;          // pixels per em
    float condense = 1;       // horizontal scale of the letters
    float tracking = 0;       // extra pixels between letters
    bool pixelExact = false;  // hinted one-bit glyphs, for text read pixel by pixel
};

// Loads the DejaVu faces from Debian's font folder. Prints one line naming
// the missing file and returns false when one cannot be opened.
bool loadTypefaces();

// Advance width of a line of text in pixels.
float textWidth(const std::string& text, const TextStyle& style);
// Renders a line of text into m with its pen starting at x on the baseline y.
void addText(Mask& m, const std::string& text, const TextStyle& style, float x, float baseline);
// The same, centred horizontally on cx.
void addTextCentred(Mask& m, const std::string& text, const TextStyle& style, float cx,
                    float baseline);
// Height of a capital letter above the baseline, in pixels.
float capHeight(const TextStyle& style);

}  // namespace art
