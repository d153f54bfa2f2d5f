// textured_rows.h - the rows of a textured triangle: depth-tested, affinely
// mapped spans between two edges walked down the screen.
//
// Contract. texturedSpan(target, y, xStart, xEnd, u, v at each end, z at
// each end) draws columns xStart up to (not including) xEnd of row y (0..239),
// in either order: nothing when both ends lie left of column 0 or both at 320
// or beyond; else, with the ends in order and width = xEnd - xStart > 0,
// inv = floor(65536 / width), du = (inv * (uEnd - uStart)) >> 16 cut to 32
// bits (dv, dz alike), and u, v, z stepping from the start by du, dv, dz a
// column (32-bit sums that wrap). Only columns target.left .. target.right - 1
// are drawn, and there only where depth[y * 320 + x] > z (signed): depth := z,
// pixel := texels[(((v >> 16) << 8) | (u >> 16)) & 0xFFFF] (arithmetic shifts;
// a column outside 0..255 spills into the row byte). The columns drawn are
// noted in target.depthLeft[y] (the least first column) and
// target.depthRight[y] (the greatest end).
//
// drawTexturedRows(target, first, second, row, rows) draws `rows` rows from
// `row`, each texturedSpan(target, y, first.x >> 16, second.x >> 16, first.u,
// first.v, second.u, second.v, first.z, second.z), then steps both edges (x
// += dx and so on, wrapping at 32 bits). Every x stays within 16.16's range
// for the caller: screen positions within +-16383 pixels. On the console
// (DEMO_ARMV4T_ROUTINES) the rows are platform/armv4t/textured_rows.S, which
// does exactly this; elsewhere the C++ below.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine3d/vector3.h"

// One edge of a triangle: where it is on the current row and its step a row.
struct RowEdge {
    Fixed x;  // 16.16 screen pixels
    Fixed u;
    Fixed v;
    Fixed z;
    Fixed dx;
    Fixed du;
    Fixed dv;
    Fixed dz;

    void step() {
        x = wrapAdd(x, dx);
        u = wrapAdd(u, du);
        v = wrapAdd(v, dv);
        z = wrapAdd(z, dz);
    }
};

// Where the spans go and what they read.
struct TexturedTarget {
    uint16_t* pixels;        // the screen, 320 pixels a row
    int32_t* depth;          // its depth buffer, the same layout
    const uint16_t* texels;  // 256 x 256
    int16_t* depthLeft;      // the columns noted in each row
    int16_t* depthRight;
    int32_t left;   // the first column drawn, 0 or more
    int32_t right;  // the column after the last one drawn, 320 or less
};

void texturedSpan(const TexturedTarget& target, int y, int xStart, int xEnd, Fixed uStart,
                  Fixed vStart, Fixed uEnd, Fixed vEnd, Fixed zStart, Fixed zEnd);

// The layout textured_rows.S reads: the target's fields, then the edges and rows.
struct TexturedRows {
    TexturedTarget target;
    RowEdge* first;
    RowEdge* second;
    int32_t row;
    int32_t rows;
};

void drawTexturedRowsByLines(TexturedRows* job);

#if DEMO_ARMV4T_ROUTINES
extern "C" void drawTexturedRowsArmv4t(TexturedRows* job);
static_assert(sizeof(void*) == 4 && offsetof(TexturedRows, first) == 28 &&
                  offsetof(TexturedRows, rows) == 40 && sizeof(RowEdge) == 32,
              "the layout textured_rows.S reads");
#endif

inline void drawTexturedRows(TexturedRows* job) {
#if DEMO_ARMV4T_ROUTINES
    drawTexturedRowsArmv4t(job);
#else
    drawTexturedRowsByLines(job);
#endif
}
