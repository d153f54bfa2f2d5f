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

LogoOverlayScene::LogoOverlayScene()
    : distanceTable(new uint16_t[kTableCells]),
      angleTable(new uint16_t[kTableCells]),
      texture(new uint16_t[kTexture * kTexture]()) {
    for (int row = 0; row < kPolarTableSize; ++row) {
        for (int column = 0; column < kPolarTableSize; ++column) {
            const int dx = column - kPolarTableCentre, dy = row - kPolarTableCentre;
            // Stored pre-shifted so that one OR with the angle forms the texture index.
            const int d = polarDistance(dx, dy);
            distanceTable[row * kPolarTableSize + column] =
                static_cast<uint16_t>(((d >> 1) + 2) << 8);
            angleTable[row * kPolarTableSize + column] =
                static_cast<uint16_t>(polarAngle256(dx, dy));
        }
    }
    // Read with the screen's indices: the whole screen height, left half.
    logo.reset(loadPicture("data/logo-overlay.png", 320, 240, true));
    logoAlpha.reset(loadAlphaMap("data/logo-overlay-alpha.png", *logo, "data/logo-overlay.png"));
    for (int w = 0; w < 256; ++w) innerByWeight[w] = rgb565Blend(kFlameInner, kFlameOuter, w);
    for (int q = 0; q < 256; ++q) {
        const int q2 = (q * q) >> 8;
        outerByQ[q] = rgb565Blend(kFlameOuter, 0x0000, (q2 * q2) >> 8);
    }
}

LogoOverlayScene::~LogoOverlayScene() {
    delete[] distanceTable;
    delete[] angleTable;
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
// weight (65280 - k * step) >> 8, falling from 255 toward 0.
// A column's texels lie 512 bytes apart, a stride that puts them all in the
// same few cache sets: a whole column at a time missed the cache at nearly
// every store. A band of 32 rows fits those sets, so the columns are drawn
// band by band, each column's weights counted down within the band.
void LogoOverlayScene::drawFlames(const int* lengths) {
    constexpr int kBand = 32;
    int end[kTexture], innerStep[kTexture], outerStep[kTexture];
    for (int i = 0; i < kTexture; ++i) {
        const int e = lengths[i];
        end[i] = e + 200 < 255 ? e + 200 : 255;
        innerStep[i] = 65280 / e;
        outerStep[i] = 65280 / (end[i] - e);
    }
    for (int bandStart = 0; bandStart < kTexture; bandStart += kBand) {
        const int bandEnd = bandStart + kBand;
        for (int i = 0; i < kTexture; ++i) {
            const int e = lengths[i];
            uint16_t* texel = texture + i;
            int k = bandStart;
            const int innerEnd = e < bandEnd ? e : bandEnd;
            for (int weight = 65280 - k * innerStep[i]; k < innerEnd; ++k) {
                texel[k * kTexture] = innerByWeight[weight >> 8];
                weight -= innerStep[i];
            }
            const int outerEnd = end[i] < bandEnd ? end[i] : bandEnd;
            for (int weight = 65280 - (k - e) * outerStep[i]; k < outerEnd; ++k) {
                texel[k * kTexture] = outerByQ[weight >> 8];
                weight -= outerStep[i];
            }
            for (; k < bandEnd; ++k) texel[k * kTexture] = 0;
        }
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

void LogoOverlayScene::drawDiscs(uint16_t* pixels) const {
    // The screen row itself (not y - 50) indexes the tables: windows stay in
    // columns 0..140 and rows 50..230, so every lookup is inside.
    for (int y = 50; y < 190; ++y) {
        const int i1 = (window1Y + y) * kPolarTableSize + window1X;
        const int i2 = (window2Y + y) * kPolarTableSize + window2X;
        const uint16_t* d1 = distanceTable + i1;
        const uint16_t* a1 = angleTable + i1;
        const uint16_t* d2 = distanceTable + i2;
        const uint16_t* a2 = angleTable + i2;
        uint16_t* row = pixels + y * kStride;
        for (int x = 0; x < kStride; ++x) {
            const uint16_t c1 = texture[d1[x] | a1[x]];
            const uint16_t c2 = texture[d2[x] | a2[x]];
            row[x] = c1 < c2 ? c1 : c2;
        }
    }
}

void LogoOverlayScene::drawLogo(uint16_t* pixels) const {
    const uint16_t* picture = logo->pixels;
    const uint16_t* alpha = logoAlpha->pixels;
    for (int y = 0; y < Display::kHeight; ++y) {
        for (int i = y * kStride; i < y * kStride + kLogoColumns; ++i) {
            const int a = coverageOf(alpha[i]);
            if (a != 0) pixels[i] = blendCoverage(pixels[i], picture[i], a);
        }
    }
}
