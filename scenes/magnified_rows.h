// magnified_rows.h - screen rows of a magnified picture drawn through its
// coverage, from runs of screen columns that each sample one picture column.
//
// Contract: `rows` screen rows from `row` (320 pixels apart) that sample the
// same picture row; its columns j0 .. j1 - 1 (mask[j] and picture[j], from
// the first column the screen samples) cover screen columns runFrom[j] ..
// runFrom[j + 1] - 1 of each row. A column's coverage a = (mask[j] >> 5) &
// 63: 0 leaves its pixels, 63 sets them to picture[j], anything between
// makes each pixel blendCoverage(pixel, picture[j], a) (video/image.h). On
// the console (DEMO_ARMV4T_ROUTINES) it is platform/armv4t/magnified_rows.S,
// which does the same; elsewhere the C++ below.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/fill.h"

struct MagnifiedRows {
    uint16_t* row;
    int32_t rows;
    const uint16_t* mask;
    const uint16_t* picture;
    const uint16_t* runFrom;
    int32_t j0;
    int32_t j1;
};

void drawMagnifiedRowsByRuns(const MagnifiedRows* rows);

#if DEMO_ARMV4T_ROUTINES
extern "C" void drawMagnifiedRowsArmv4t(const MagnifiedRows* rows);
static_assert(sizeof(void*) == 4 && offsetof(MagnifiedRows, j1) == 24,
              "the layout magnified_rows.S reads");
#endif

inline void drawMagnifiedRows(const MagnifiedRows* rows) {
#if DEMO_ARMV4T_ROUTINES
    drawMagnifiedRowsArmv4t(rows);
#else
    drawMagnifiedRowsByRuns(rows);
#endif
}

// Two screen pixels as one word; the screen is an array of 16-bit pixels, so
// the word type may alias them. Rows start on a word.
typedef uint32_t PixelPair __attribute__((may_alias));

// Screen columns k .. end - 1 of a row := colour: a word two pixels, a
// cache line an STM where the run is long.
inline void fillRun(uint16_t* row, int k, int end, uint16_t colour) {
    if (end - k >= 16) {
        fillHalfwords(row + k, colour, static_cast<size_t>(end - k));
        return;
    }
    if (k & 1) row[k++] = colour;
    const uint32_t pair = colour | uint32_t{colour} << 16;
    for (; k + 2 <= end; k += 2) *reinterpret_cast<PixelPair*>(row + k) = pair;
    if (k < end) row[k] = colour;
}
