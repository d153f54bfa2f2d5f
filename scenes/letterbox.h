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

#include "platform/fill.h"
#include "video/display.h"

constexpr uint16_t kLetterboxBarColour = 0x1082;
constexpr uint16_t kLetterboxLineColour = 0x76C0;

// Rows first .. end-1, full width.
inline void fillRows(uint16_t* pixels, int first, int end, uint16_t colour) {
    if (first >= end) return;
    fillHalfwords(pixels + first * Display::kWidth, colour, size_t(end - first) * Display::kWidth);
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
