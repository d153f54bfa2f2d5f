#include "scenes/credits.h"

#include <algorithm>
#include <cstring>

#include "engine3d/vector3.h"
#include "fixed/random.h"
#include "fixed/tables.h"
#include "platform/fill.h"
#include "scenes/letterbox.h"
#include "scenes/magnified_rows.h"
#include "video/display.h"

namespace {

constexpr int kStride = Display::kWidth;
constexpr Fixed kCentreX = 0xA00000;  // 160.0
constexpr Fixed kCentreY = 0x780000;  // 120.0
constexpr Fixed kFastPhaseAbove = 80000;
constexpr Fixed kSparkGrowth = 68000;  // 3.8 % faster every update
constexpr int32_t kSparkTurn = 200;

const char* const kPictureFiles[CreditsScene::kCredits] = {
    "data/credits-mervo.png", "data/credits-tallik.png", "data/credits-sunbo.png",
    "data/credits-yorrel.png"};
const char* const kMaskFiles[CreditsScene::kCredits] = {
    "data/credits-mervo-alpha.png", "data/credits-tallik-alpha.png", "data/credits-sunbo-alpha.png",
    "data/credits-yorrel-alpha.png"};

// The window of the picture sampled, centred on the picture's centre (160, 120).
// Wrapping: a last credit left to shrink for long enough runs past 32 bits,
// and is no longer drawn by then anyway.
void placeWindow(Credit& c) {
    c.posX = wrapSub(kCentreX, fixedMul(c.progress, kCentreX));
    c.posY = wrapSub(kCentreY, fixedMul(c.progress, kCentreY));
    c.scale = c.progress;
}

// A spark's launch from the centre: speed under 1.0, either sign, any
// direction. Three demoRand() calls in this order.
void launch(Spark& s) {
    s.speed = demoRand() & 0xFFFF;
    if (demoRand() % 100 > 50) s.speed = -s.speed;
    s.angle = demoRand() % 65535;
}

// The one colour of a screen row when the picture is drawn, or -1: the bars
// and frame lines are drawn over the sparks' light, the band between holds it.
int rowColour(int row) {
    if (row == 50 || row == 190) return kLetterboxLineColour;
    return row < 50 || row > 190 ? kLetterboxBarColour : -1;
}

}  // namespace

CreditsScene::CreditsScene()
    : flareImage(loadPicture("data/flarealpha16.png", GlowSprite::kSize, GlowSprite::kSize, true)),
      glow(*flareImage, true) {
    // Sampled up to row 238 and column 318 with the width 320.
    for (int k = 0; k < kCredits; ++k)
        pictures[k].reset(loadPicture(kPictureFiles[k], 320, 239, true));
    for (int k = 0; k < kCredits; ++k)
        masks[k].reset(loadAlphaMap(kMaskFiles[k], *pictures[k], kPictureFiles[k]));
    for (int k = 0; k < kCredits; ++k) {
        credits[k].picture = pictures[k].get();
        credits[k].mask = masks[k].get();
    }

    for (Spark& s : sparks) {
        s.colour = warmSparkTint(demoRand() % 64);
        s.x = kCentreX;
        s.y = kCentreY;
        launch(s);
    }

    std::vector<uint16_t> colours;
    for (int i = 0; i < kSparks; ++i) {
        size_t slot = 0;
        while (slot < colours.size() && colours[slot] != sparks[i].colour) ++slot;
        if (slot == colours.size()) colours.push_back(sparks[i].colour);
        glowOf[i] = static_cast<uint16_t>(slot);
    }
    tintedGlows.resize(colours.size());
    for (size_t slot = 0; slot < colours.size(); ++slot)
        glow.tint(colours[slot], &tintedGlows[slot]);
    // At start-up, not in a credit's first frame.
    for (int k = 0; k < kCredits; ++k) litColumnsOf(k);
    for (int i = 0; i < kSparks; ++i) drawOrder[i] = static_cast<uint16_t>(i);
}

void CreditsScene::update(int t) {
    Credit& c = credits[current];
    if (c.startTime == -1) c.startTime = t;
    // Decided on the progress of the previous update.
    if (c.progress > kFastPhaseAbove) {
        if (c.outStart == -1) c.outStart = t;
        c.outTime = t - c.outStart;
    }
    // 32 per ms from the start, 512 more per ms in the fast phase.
    c.progress = static_cast<Fixed>(static_cast<uint32_t>(c.outTime) * 512 +
                                    static_cast<uint32_t>(t - c.startTime) * 32);
    placeWindow(c);

    if (c.progress >= kHandOverFrom && current < kCredits - 1) {
        ++current;
        Credit& next = credits[current];
        // Drawn at this progress in this frame only; the next update starts
        // its zoom from its own start time.
        next.progress = kHandOverProgress;
        next.startTime = t;
        placeWindow(next);
    }

    moveSparks();
    // One more spark every update; spark 1 first, spark 0 on the 500th.
    nextSpark = (nextSpark + 1) % kSparks;
    sparks[nextSpark].active = 1;
}

void CreditsScene::moveSparks() {
    for (Spark& s : sparks) {
        if (!s.active) continue;
        const Fixed speed = s.speed;
        const int i = s.angle & 0xFFFF;
        s.x += fixedMul(speed, SineTable[i]);
        s.y += fixedMul(speed, CosineTable[i]);
        s.angle = wrapAdd(s.angle, kSparkTurn);
        s.speed = fixedMul(speed, kSparkGrowth);
        // Out of x 0..303 or y 30..203: back to the centre, colour kept.
        if (s.x < 0 || s.y < 0x1E0000 || s.x > 0x12F0000 || s.y > 0xCB0000) {
            s.x = kCentreX;
            s.y = kCentreY;
            launch(s);
        }
    }
}

void CreditsScene::render() {
    Display* display = Display::instance();
    uint16_t* pixels = display->pixels;
    display->setBand(Display::kWholeScreen);
    fillRows(pixels, 50, 190, kBandColour);
    drawSparks(pixels);
    // The bars cover any spark light outside the band.
    drawLetterbox(pixels, 50, true);
    const Credit& c = credits[current];
    if (c.progress >= 1 && c.progress < kDrawnBelow) drawCredit(pixels, current);
    display->clearDepth(Display::kFarDepth);
}

// Only the rows between the frame lines: the letterbox drawn next covers
// rows 0-50 and 190-239, light and all. The sparks are drawn from the top
// down: the screen rows one spark lights are still cached for the next. A
// saturating add of light that is never negative comes to the same pixel in
// any order (min(min(d + a, max) + b, max) = min(d + a + b, max)). The order
// is sorted again every frame, from the last, where a spark rarely moves far.
void CreditsScene::drawSparks(uint16_t* pixels) {
    constexpr int kFirstLit = 51 * kStride;
    constexpr int kEndLit = 190 * kStride;
    for (int k = 1; k < kSparks; ++k) {
        const uint16_t i = drawOrder[k];
        int j = k;
        for (; j > 0 && sparks[drawOrder[j - 1]].y > sparks[i].y; --j)
            drawOrder[j] = drawOrder[j - 1];
        drawOrder[j] = i;
    }
    for (const uint16_t i : drawOrder) {
        const Spark& s = sparks[i];
        if (!s.active) continue;
        GlowSprite::drawTinted(pixels, s.x >> 16, s.y >> 16, tintedGlows[glowOf[i]], kFirstLit,
                               kEndLit);
    }
}

const CreditsScene::LitColumns& CreditsScene::litColumnsOf(int credit) const {
    LitColumns& lit = litColumns[credit];
    const Image* mask = credits[credit].mask;
    if (lit.mask == mask) return lit;
    lit.mask = mask;
    for (int row = 0; row < 239; ++row) {
        int first = kStride, end = 0;
        for (int x = 0; x < kStride; ++x) {
            if (coverageOf(mask->pixels[row * kStride + x]) == 0) continue;
            first = std::min(first, x);
            end = x + 1;
        }
        lit.first[row] = static_cast<uint16_t>(end == 0 ? 0 : first);
        lit.end[row] = static_cast<uint16_t>(end);
    }
    return lit;
}

// Samples the picture from (posX, posY) by scale per pixel over screen rows
// 0..238. A row or column is drawn where its coordinate, taken as unsigned,
// lies inside the picture (below 239.0 rows, 319.0 columns): negative ones wrap
// to huge values. Along a row u only grows (scale is 1..25.0) and travels less
// than 2^32 - 319.0, so the columns drawn form one run: its start and length
// are counted once per row.
//
// Only the screen columns that sample a lit column of the mask row are
// visited: with u = firstU + (k - first) * scale, the first of them is at or
// after first + (litFirst << 16 - firstU) / scale and the last at
// first + ((litEnd << 16) - 1 - firstU) / scale, in whole numbers. Every value
// there lies below 2^25 (u below 319.0, scale below 25.0), so 32-bit
// quotients are exact.
void CreditsScene::drawCredit(uint16_t* pixels, int credit) const {
    const Credit& c = credits[credit];
    const LitColumns& lit = litColumnsOf(credit);
    constexpr uint32_t kRowLimit = 0xEF0000;     // 239.0
    constexpr int64_t kColumnLimit = 0x13EFFFF;  // just under 319.0
    const int64_t scale = c.scale;
    const uint16_t* picture = c.picture->pixels;
    const uint16_t* mask = c.mask->pixels;
    // Columns left of the picture (u negative), then the run inside it.
    const int64_t startU = c.posX;
    const int64_t skipped = startU < 0 ? (-startU + scale - 1) / scale : 0;
    if (skipped >= kStride) return;
    const int64_t firstU = startU + skipped * scale;
    if (firstU > kColumnLimit) return;
    const int64_t inside = (kColumnLimit - firstU) / scale + 1;
    const int first = static_cast<int>(skipped);
    const int end = static_cast<int>(skipped + inside < kStride ? skipped + inside : kStride);
    const uint32_t start = static_cast<uint32_t>(firstU);  // 0 .. kColumnLimit
    const uint32_t step = static_cast<uint32_t>(scale);

    if (step >= 0x10000) {  // full size or smaller: a column a pixel
        uint32_t v = static_cast<uint32_t>(c.posY);
        for (int r = 0; r < 239; ++r, v += step) {
            if (v >= kRowLimit) continue;
            const uint32_t sampled = v >> 16;
            if (lit.first[sampled] >= lit.end[sampled]) continue;
            const uint32_t litFrom = uint32_t{lit.first[sampled]} << 16;
            const uint32_t litLast = (uint32_t{lit.end[sampled]} << 16) - 1;
            if (litLast < start) continue;
            const int from =
                first + static_cast<int>(litFrom > start ? (litFrom - start) / step : 0);
            const int to = std::min(end, first + static_cast<int>((litLast - start) / step) + 1);
            const uint16_t* maskRow = mask + sampled * kStride;
            const uint16_t* pictureRow = picture + sampled * kStride;
            uint16_t* row = pixels + r * kStride;
            uint32_t u = start + static_cast<uint32_t>(from - first) * step;
            for (int k = from; k < to; ++k, u += step) {
                const int a = coverageOf(maskRow[u >> 16]);
                if (a != 0) row[k] = blendCoverage(row[k], pictureRow[u >> 16], a);
            }
        }
        return;
    }
    // Magnified: every picture column from start's on is sampled by a run of
    // screen columns; runFrom[j] is the first screen column of the j-th.
    // The same runs serve every row.
    const uint32_t firstColumn = start >> 16;
    uint16_t runFrom[kStride + 2];
    int runs = 0;
    {
        uint32_t u = start;
        uint32_t column = firstColumn - 1;
        for (int k = first; k < end; ++k, u += step) {
            if (u >> 16 == column) continue;
            column = u >> 16;
            runFrom[runs++] = static_cast<uint16_t>(k);
        }
        runFrom[runs] = static_cast<uint16_t>(end);
    }
    int uniformRow = -1, uniformColour = -1;  // the last row of one colour drawn, and its colour
    uint32_t uniformSampled = 0;              // the picture row it sampled
    uint32_t v = static_cast<uint32_t>(c.posY);
    for (int r = 0; r < 239; ++r, v += step) {
        if (v >= kRowLimit) continue;
        const uint32_t sampled = v >> 16;
        // The lit picture columns of the row that the screen shows.
        const int j0 = std::max(int{lit.first[sampled]} - int(firstColumn), 0);
        const int j1 = std::min(int{lit.end[sampled]} - int(firstColumn), runs);
        if (j0 >= j1) continue;
        const uint16_t* maskRow = mask + sampled * kStride + firstColumn;
        const uint16_t* pictureRow = picture + sampled * kStride + firstColumn;
        uint16_t* row = pixels + r * kStride;
        // In the rows of the bars and frame lines, which hold one colour
        // each, what a picture column gives them is one colour too, and a
        // row the same as the last such row of its colour is copied from it.
        const int background = rowColour(r);
        if (background >= 0) {
            const int from = runFrom[j0], to = runFrom[j1];
            if (uniformRow >= 0 && sampled == uniformSampled && background == uniformColour) {
                memcpy(row + from, pixels + uniformRow * kStride + from,
                       static_cast<size_t>(to - from) * sizeof(uint16_t));
                continue;
            }
            uniformRow = r;
            uniformSampled = sampled;
            uniformColour = background;
            for (int j = j0; j < j1; ++j) {
                const int a = coverageOf(maskRow[j]);
                if (a == 0) continue;
                const uint16_t p = pictureRow[j];
                fillRun(row, runFrom[j], runFrom[j + 1],
                        a == 63 ? p : CoverageBlend(p, a).over(uint16_t(background)));
            }
            continue;
        }
        // The band rows below that sample the same picture row are drawn
        // with this one: each picture pixel's coverage and weights once.
        int rows = 1;
        for (uint32_t w = v + step; r + rows < 239 && rowColour(r + rows) < 0 && w >> 16 == sampled;
             w += step) {
            ++rows;
        }
        r += rows - 1;
        v += (rows - 1) * step;
        const MagnifiedRows band{row, rows, maskRow, pictureRow, runFrom, j0, j1};
        drawMagnifiedRows(&band);
    }
}
