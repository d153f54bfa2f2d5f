// letterbox.h - the dark bars and lime frame lines of the letterboxed scenes.
//
// A letterbox of margin m has bars over rows 0 .. m-1 and 240-m .. 239 and
// frame lines on rows m and 240-m, the first and last rows of the picture.
// Scenes that present only their band repaint the bars in the frame in which
// the scene set changed: outside the band nothing reaches the screen again,
// so the bars painted then stay in view.
#pragma once

#include <algorithm>
#include <cstdint>

#include "video/display.h"

constexpr uint16_t kLetterboxBarColour = 0x1082;
constexpr uint16_t kLetterboxLineColour = 0x76C0;

// Rows first .. end-1, full width: two pixels a 32-bit word where the screen
// is word-aligned (a row holds an even number of pixels), eight words a step.
inline void fillRows(uint16_t* pixels, int first, int end, uint16_t colour) {
    uint16_t* from = pixels + first * Display::kWidth;
    uint16_t* to = pixels + end * Display::kWidth;
    if ((reinterpret_cast<uintptr_t>(pixels) & 3) != 0 || first >= end) {
        std::fill(from, to, colour);
        return;
    }
    typedef uint32_t PixelPair __attribute__((may_alias));
    static_assert(Display::kWidth % 16 == 0);
    const uint32_t pair = colour * 0x10001u;  // the same pixel in both halves
    for (PixelPair* p = reinterpret_cast<PixelPair*>(from); p < reinterpret_cast<PixelPair*>(to);
         p += 8) {
        p[0] = pair;
        p[1] = pair;
        p[2] = pair;
        p[3] = pair;
        p[4] = pair;
        p[5] = pair;
        p[6] = pair;
        p[7] = pair;
    }
}

// The bars of margin m.
inline void fillLetterboxBars(uint16_t* pixels, int margin) {
    fillRows(pixels, 0, margin, kLetterboxBarColour);
    fillRows(pixels, Display::kHeight - margin, Display::kHeight, kLetterboxBarColour);
}

// The frame lines of margin m, over whatever is drawn there.
inline void drawLetterboxLines(uint16_t* pixels, int margin) {
    fillRows(pixels, margin, margin + 1, kLetterboxLineColour);
    fillRows(pixels, Display::kHeight - margin, Display::kHeight - margin + 1,
             kLetterboxLineColour);
}

// The margin of the opening scenes' band, which opens from the middle of the
// screen during the first position of the song: 120 at its first row, one
// less every music row, 50 from row 70 on and in every later position.
constexpr int openingMargin(int position, int row) {
    return position == 0 && 120 - row > 50 ? 120 - row : 50;
}

// The bars (only when repaintBars is set), then the lines over them.
inline void drawLetterbox(uint16_t* pixels, int margin, bool repaintBars) {
    if (repaintBars) fillLetterboxBars(pixels, margin);
    drawLetterboxLines(pixels, margin);
}
