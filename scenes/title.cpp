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

// Where texel (u, v) of the 256 x 256 pattern lies in its tiled copy, in
// bytes: tiles of 4 rows of 4 texels, 32 bytes, one cache line each, 64 tiles
// a tile row. Along a row of the screen u and v each move by a texel or two
// a pixel; row-major, every step of u was another line, tiled, the next few
// pixels and the next few screen rows find theirs still cached. The offset
// is the sum of a part of u and a part of v, one table each.
constexpr uint32_t tiledRowPart(int u) {
    return static_cast<uint32_t>(((u >> 2) << 10 | (u & 3) << 2) * 2);
}
constexpr uint32_t tiledColumnPart(int v) {
    return static_cast<uint32_t>(((v >> 2) << 4 | (v & 3)) * 2);
}
template <uint32_t (*Part)(int)>
struct PartTable {
    uint32_t byValue[256];
    constexpr PartTable() : byValue() {
        for (int i = 0; i < 256; ++i) byValue[i] = Part(i);
    }
};
constexpr PartTable<tiledRowPart> kTiledRow;
constexpr PartTable<tiledColumnPart> kTiledColumn;

// The background is drawn in strips of this many columns, each strip top to
// bottom: the pattern's lines that one strip row reads are still cached for
// the next rows of the strip.
constexpr int kStrip = 64;
static_assert(kStride % kStrip == 0 && kStrip % 2 == 0);

}  // namespace

TitleScene::TitleScene()
    : distanceTable(new uint8_t[kTableCells]), angleTable(new uint8_t[kTableCells]) {
    for (int r = 0; r < kPolarTableSize; ++r) {
        for (int c = 0; c < kPolarTableSize; ++c) {
            const int dx = c - kPolarTableCentre, dy = r - kPolarTableCentre;
            const int d = polarDistance(dx, dy);
            distanceTable[r * kPolarTableSize + c] = static_cast<uint8_t>(d >= 255 ? 255 : d);
            angleTable[r * kPolarTableSize + c] = static_cast<uint8_t>(polarAngle256(dx, dy));
        }
    }
    // The pattern wraps in 256 x 256; the title and its mask are read with the
    // screen's indices up to row 194.
    patternImage.reset(loadPicture("data/seinae.png", 256, 256, true));
    titleImage.reset(loadPicture("data/title.png", kStride, kTitleBottom + 1, true));
    titleMask.reset(loadAlphaMap("data/title-alpha.png", *titleImage, "data/title.png"));
    tiledPattern.resize(256 * 256);
    for (int u = 0; u < 256; ++u) {
        for (int v = 0; v < 256; ++v) {
            tiledPattern[(kTiledRow.byValue[u] + kTiledColumn.byValue[v]) / 2] =
                patternImage->pixels[u * 256 + v];
        }
    }
    titleRuns = std::make_unique<CoveredPicture>(*titleImage, *titleMask, kTitleTop,
                                                 kTitleBottom + 1, kTitleLeft, kTitleRight + 1);
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
    const auto* pattern = reinterpret_cast<const unsigned char*>(tiledPattern.data());
    const int32_t drift = 15 * time;
    for (int strip = 0; strip < kStride; strip += kStrip) {
        for (int y = 50; y < 190; ++y) {
            const int b = y * kPolarTableSize + strip;
            const uint8_t* d0 = distanceTable + b + offset[0];
            const uint8_t* d1 = distanceTable + b + offset[1];
            const uint8_t* d2 = distanceTable + b + offset[2];
            const uint8_t* d3 = distanceTable + b + offset[3];
            const uint8_t* a3 = angleTable + b + offset[3];
            uint16_t* row = pixels + y * kStride + strip;
            auto texel = [&](int x) {
                const int u = (d0[x] + d1[x] + d2[x] + d3[x] - drift) & 0xFF;
                const int v = (a3[x] - d3[x]) & 0xFF;
                return *reinterpret_cast<const uint16_t*>(
                    pattern + (kTiledRow.byValue[u] | kTiledColumn.byValue[v]));
            };
            // Two pixels a 32-bit store (the first in the low half: the
            // screen's rows and strips start on a word): half the writes.
            typedef uint32_t PixelPair __attribute__((may_alias));
            auto* pairs = reinterpret_cast<PixelPair*>(row);
            for (int x = 0; x < kStrip; x += 2)
                pairs[x / 2] = texel(x) | uint32_t{texel(x + 1)} << 16;
        }
    }
}

void TitleScene::drawTitle(uint16_t* pixels) const {
    // shake stays within -20..20, so the title lands in columns 10..304.
    uint16_t* target = pixels + kTitleDrop + shake;
    for (int y = kTitleTop; y <= kTitleBottom; ++y) titleRuns->blendRow(target + y * kStride, y);
}
