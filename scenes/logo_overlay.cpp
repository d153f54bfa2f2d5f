#include "scenes/logo_overlay.h"

#include <cstring>

#include "fixed/colour.h"
#include "fixed/fixed.h"
#include "fixed/tables.h"
#include "scenes/letterbox.h"
#include "scenes/polar.h"
#include "video/display.h"

namespace {

constexpr int kStride = Display::kWidth;
constexpr int kTableCells = kPolarTableSize * kPolarTableSize;
constexpr int kTexture = LogoOverlayScene::kTextureSize;
constexpr int kLogoColumns = 160;  // the logo covers the left half only
constexpr int kMargin = 50;        // the flames fill rows 50..189
// Rows 48-239: the flames between the frame lines, the lower bar, and the two
// rows of the upper bar just above its frame line.
constexpr PresentBand kLogoOverlayBand{48, 192};

// A disc window's corner in the tables: centre minus the table value scaled
// to the given radius in whole pixels (fixedMul, then an arithmetic shift).
int32_t windowCorner(int32_t centre, int32_t tableValue, int32_t radius) {
    return centre - (fixedMul(tableValue, radius << 16) >> 16);
}

}  // namespace

// The texture is laid out a column after another (a column's texels are one
// flame: the flames are written as runs) and holds only the rows the tables
// reach. Along a screen row the distance moves a texture row every two
// pixels at most, the angle a column every pixel or so.
LogoOverlayScene::LogoOverlayScene()
    : texelAt(new uint16_t[kTableCells]), texture(new uint16_t[kTexture * kSampledRows]()) {
    for (int row = 0; row < kPolarTableSize; ++row) {
        for (int column = 0; column < kPolarTableSize; ++column) {
            const int dx = column - kPolarTableCentre, dy = row - kPolarTableCentre;
            const int textureRow = (polarDistance(dx, dy) >> 1) + 2;  // 2..183
            texelAt[row * kPolarTableSize + column] =
                static_cast<uint16_t>(polarAngle256(dx, dy) * kSampledRows + textureRow);
        }
    }
    // Read with the screen's indices: the whole screen height, left half.
    logo.reset(loadPicture("data/logo-overlay.png", 320, 240, true));
    logoAlpha.reset(loadAlphaMap("data/logo-overlay-alpha.png", *logo, "data/logo-overlay.png"));
    logoChanged();
    for (int w = 0; w < 256; ++w) innerByWeight[w] = rgb565Blend(kFlameInner, kFlameOuter, w);
    for (int q = 0; q < 256; ++q) {
        const int q2 = (q * q) >> 8;
        outerByQ[q] = rgb565Blend(kFlameOuter, 0x0000, (q2 * q2) >> 8);
    }
}

LogoOverlayScene::~LogoOverlayScene() {
    delete[] texelAt;
    delete[] texture;
}

void LogoOverlayScene::update(int elapsedMs) {
    const uint32_t t = static_cast<uint32_t>(elapsedMs) >> 2;
    quarterTime = static_cast<int32_t>(t);

    // Flame lengths: 32..69 rows, rippling along the columns and in time.
    const int amp = 127 + ((63 * CosineTable[(200 * t) & 0xFFFF]) >> 16);
    const uint32_t wobble = static_cast<uint32_t>(SineTable[(500 * t) & 0xFFFF] >> 6);
    int lengths[kTexture];
    for (int i = 0; i < kTexture; ++i) {
        const int32_t diff = SineTable[(743 * t + 2150 * i + wobble) & 0xFFFF] -
                             CosineTable[(400 * i - 143 * t) & 0xFFFF];
        const int32_t swing = (100 * diff) >> 18;  // shifted before the absolute value
        const int h = swing < 0 ? -swing : swing;
        lengths[i] = ((h * amp) >> 8) + 32;
    }
    drawFlames(lengths);

    // The windows follow the angles of the previous update.
    window1X = windowCorner(70, SineTable[angle1], 70);
    window1Y = windowCorner(140, CosineTable[angle1], 20);
    window2X = windowCorner(70, SineTable[angle2], 70);
    window2Y = windowCorner(140, CosineTable[angle2], 90);
    // The angular speeds grow with the absolute time.
    angle1 = (angle1 - (elapsedMs >> 8) - 100) & 0xFFFF;
    angle2 = (angle2 + (elapsedMs >> 8)) & 0xFFFF;
}

// Texture column i: an inner gradient over rows 0..e-1 (e = lengths[i]), an
// outer fade over rows e..end-1 (end = min(e + 200, 255)), black below. Each
// gradient's step is 65280 divided by its length, so row k of it has the
// weight (65280 - k * step) >> 8, falling from 255 toward 0. Only rows up to
// 183 are ever sampled (end is 232 or more): those are made, a column at a
// time in a buffer that stays cached, and copied whole into the texture.
void LogoOverlayScene::drawFlames(const int* lengths) {
    uint16_t column[kSampledRows];
    for (int i = 0; i < kTexture; ++i) {
        const int e = lengths[i];
        const int end = e + 200 < 255 ? e + 200 : 255;
        const int innerStep = 65280 / e;
        const int outerStep = 65280 / (end - e);
        int k = 0;
        for (int weight = 65280; k < e; ++k) {
            column[k] = innerByWeight[weight >> 8];
            weight -= innerStep;
        }
        for (int weight = 65280; k < kSampledRows; ++k) {
            column[k] = outerByQ[weight >> 8];
            weight -= outerStep;
        }
        memcpy(texture + i * kSampledRows + 2, column + 2, (kSampledRows - 2) * sizeof(uint16_t));
    }
}

void LogoOverlayScene::render() {
    Display* display = Display::instance();
    uint16_t* pixels = display->pixels;
    drawDiscs(pixels);
    display->setBand(kLogoOverlayBand);
    drawLetterbox(pixels, kMargin, display->fullUpdate);
    drawLogo(pixels);
}

// The band in strips of kStrip columns, each top to bottom: the texels one
// strip row reads are still cached for the next rows of the strip.
void LogoOverlayScene::drawDiscs(uint16_t* pixels) const {
    constexpr int kStrip = 64;
    static_assert(kStride % kStrip == 0);
    const uint16_t* tex = texture;
    // The screen row itself (not y - 50) indexes the tables: windows stay in
    // columns 0..140 and rows 50..230, so every lookup is inside.
    for (int strip = 0; strip < kStride; strip += kStrip) {
        for (int y = 50; y < 190; ++y) {
            const uint16_t* at1 = texelAt + (window1Y + y) * kPolarTableSize + window1X + strip;
            const uint16_t* at2 = texelAt + (window2Y + y) * kPolarTableSize + window2X + strip;
            // Two pixels a 32-bit store (the first in the low half: the
            // screen's rows and strips start on a word).
            typedef uint32_t PixelPair __attribute__((may_alias));
            auto* pairs = reinterpret_cast<PixelPair*>(pixels + y * kStride + strip);
            auto disc = [&](int x) {
                const uint16_t c1 = tex[at1[x]];
                const uint16_t c2 = tex[at2[x]];
                return c1 < c2 ? c1 : c2;
            };
            for (int x = 0; x < kStrip; x += 2)
                pairs[x / 2] = disc(x) | uint32_t{disc(x + 1)} << 16;
        }
    }
}

void LogoOverlayScene::logoChanged() {
    logoRuns =
        std::make_unique<CoveredPicture>(*logo, *logoAlpha, 0, Display::kHeight, 0, kLogoColumns);
}

void LogoOverlayScene::drawLogo(uint16_t* pixels) const {
    for (int y = 0; y < Display::kHeight; ++y) logoRuns->blendRow(pixels + y * kStride, y);
}
