#include "scenes/title.h"

#include "fixed/tables.h"
#include "music/pattern_data.h"
#include "scenes/letterbox.h"
#include "scenes/polar.h"
#include "video/display.h"

namespace {

constexpr int kStride = Display::kWidth;
constexpr int kTableCells = kPolarTableSize * kPolarTableSize;

// The four centres of the background wander on these sine and cosine paths
// (amplitude in pixels, frequency per unit of time).
struct Centre {
    int ampX, freqX, ampY, freqY;
};
constexpr Centre kCentres[4] = {
    {110, 270, 60, -330},
    {120, 350, 80, 170},
    {90, -570, 90, 410},
    {80, 370, 70, -200},
};

// The title is stored in rows 45..194 and columns 30..284 and drawn five
// rows lower.
constexpr int kTitleTop = 45, kTitleBottom = 194;
constexpr int kTitleLeft = 30, kTitleRight = 284;
constexpr int kTitleDrop = 5 * kStride;
// Rows 48-190: the two rows of the upper bar just above its frame line, the
// picture between the frame lines, and the lower frame line. The bars outside
// it keep what the first frame painted.
constexpr PresentBand kTitleBand{48, 143};

}  // namespace

TitleScene::TitleScene()
    : distanceTable(new int32_t[kTableCells]), angleTable(new int32_t[kTableCells]) {
    for (int r = 0; r < kPolarTableSize; ++r) {
        for (int c = 0; c < kPolarTableSize; ++c) {
            const int dx = c - kPolarTableCentre, dy = r - kPolarTableCentre;
            const int d = polarDistance(dx, dy);
            distanceTable[r * kPolarTableSize + c] = d >= 255 ? 255 : d;
            angleTable[r * kPolarTableSize + c] = polarAngle256(dx, dy);
        }
    }
    // The pattern wraps in 256 x 256; the title and its mask are read with the
    // screen's indices up to row 194.
    patternImage.reset(loadPicture("data/seinae.png", 256, 256, true));
    titleImage.reset(loadPicture("data/title.png", kStride, kTitleBottom + 1, true));
    titleMask.reset(loadAlphaMap("data/title-alpha.png", *titleImage, "data/title.png"));
}

TitleScene::~TitleScene() {
    delete[] distanceTable;
    delete[] angleTable;
}

void TitleScene::update(int elapsedMs) {
    const uint32_t ms = static_cast<uint32_t>(elapsedMs);
    time = static_cast<int32_t>(ms >> 5);

    // A beat restarts the shake only on its first frame.
    beatBefore = beatNow;
    beatNow = PatternData::instance().eventPassed(1) ? 1 : 0;
    if (beatNow != beatBefore && beatNow == 1) pulse = kPulseStart;

    // fixedMul(pulse, sine) >> 16, rounded down to whole pixels.
    shake = static_cast<int32_t>((int64_t{pulse} * SineTable[shakePhase & 0xFFFF]) >> 32);
    if (pulse > 0) pulse -= kPulseFall;
    // The phase advances by a quarter of the absolute time: the shake speeds up
    // as the music goes on.
    shakePhase = static_cast<int32_t>(static_cast<uint32_t>(shakePhase) + (ms >> 2));
}

void TitleScene::render() {
    Display* display = Display::instance();
    uint16_t* pixels = display->pixels;
    drawBackground(pixels);
    drawTitle(pixels);
    display->setBand(kTitleBand);
    // The title's bars stop a row short of the frame lines and of the
    // screen's bottom: rows 49 and 239 keep what the scene before left.
    if (display->fullUpdate) {
        fillRows(pixels, 0, 49, kLetterboxBarColour);
        fillRows(pixels, 190, 239, kLetterboxBarColour);
    }
    drawLetterboxLines(pixels, 50);
}

void TitleScene::drawBackground(uint16_t* pixels) const {
    const uint32_t t = static_cast<uint32_t>(time);
    // Each centre's offset into the tables: a column shift plus a row shift
    // already multiplied by the table width. They keep every lookup between
    // table rows 60 and 379; a column shift past an edge reads the next row.
    int32_t offset[4];
    for (int k = 0; k < 4; ++k) {
        const Centre& c = kCentres[k];
        const int32_t x = ((SineTable[(c.freqX * t) & 0xFFFF] * c.ampX) >> 16) + 80;
        const int32_t y = ((CosineTable[(c.freqY * t) & 0xFFFF] * c.ampY) >> 16) + 100;
        offset[k] = x + y * kPolarTableSize;
    }
    const uint16_t* pattern = patternImage->pixels;
    const int32_t drift = 15 * time;
    for (int y = 50; y < 190; ++y) {
        const int b = y * kPolarTableSize;
        const int32_t* d0 = distanceTable + b + offset[0];
        const int32_t* d1 = distanceTable + b + offset[1];
        const int32_t* d2 = distanceTable + b + offset[2];
        const int32_t* d3 = distanceTable + b + offset[3];
        const int32_t* a3 = angleTable + b + offset[3];
        uint16_t* row = pixels + y * kStride;
        for (int x = 0; x < kStride; ++x) {
            const int u = (d0[x] + d1[x] + d2[x] + d3[x] - drift) & 0xFF;
            const int v = (a3[x] - d3[x]) & 0xFF;
            row[x] = pattern[(u << 8) | v];
        }
    }
}

void TitleScene::drawTitle(uint16_t* pixels) const {
    const uint16_t* picture = titleImage->pixels;
    const uint16_t* mask = titleMask->pixels;
    // shake stays within -20..20, so the title lands in columns 10..304.
    uint16_t* target = pixels + kTitleDrop + shake;
    for (int y = kTitleTop; y <= kTitleBottom; ++y) {
        for (int src = y * kStride + kTitleLeft; src <= y * kStride + kTitleRight; ++src) {
            const int a = coverageOf(mask[src]);
            if (a == 0) continue;
            target[src] = blendCoverage(target[src], picture[src], a);
        }
    }
}
