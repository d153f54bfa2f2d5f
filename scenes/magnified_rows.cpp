#include "scenes/magnified_rows.h"

#include "video/image.h"

namespace {

constexpr int kStride = 320;

// Screen columns k .. end - 1 of `rows` rows from `row` blended with one
// picture pixel. A pixel like the one before it takes the colour worked out
// for that one: the band's colour, or light that changes little.
inline void blendRun(uint16_t* row, int rows, int k, int end, const CoverageBlend& blend) {
    uint16_t under = row[k];
    uint16_t over = blend.over(under);
    for (; rows > 0; --rows, row += kStride) {
        for (int x = k; x < end; ++x) {
            if (row[x] != under) {
                under = row[x];
                over = blend.over(under);
            }
            row[x] = over;
        }
    }
}

}  // namespace

void drawMagnifiedRowsByRuns(const MagnifiedRows* band) {
    const uint16_t* runFrom = band->runFrom;
    for (int j = band->j0; j < band->j1; ++j) {
        const int a = coverageOf(band->mask[j]);
        if (a == 0) continue;
        const uint16_t p = band->picture[j];
        if (a == 63) {
            for (int n = 0; n < band->rows; ++n)
                fillRun(band->row + n * kStride, runFrom[j], runFrom[j + 1], p);
        } else {
            blendRun(band->row, band->rows, runFrom[j], runFrom[j + 1], CoverageBlend(p, a));
        }
    }
}
