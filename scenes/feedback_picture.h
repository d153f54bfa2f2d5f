// feedback_picture.h - the particle field's passes over its 320 x 140
// feedback picture (row-major, 320 a row): the blur in place and the zoom
// into the other picture and onto the screen.
//
// blurFeedbackPicture: in place over indices 322..44479, in increasing
// order, each pixel becomes the average of its right (+1), left (-1), upper
// (-320) and lower (+320) neighbours as they stand (left and upper already
// blurred in this pass, the pixel's own value unused): red and blue min(31,
// sum >> 2), green min(31, sum of the 6-bit greens >> 3) in the upper five
// bits of its field (its lowest bit 0). Indices are linear: column 0's left
// neighbour is column 319 of the row above.
//
// The zoom: row y, column x of the zoomed picture is from[sy * 320 + sx],
// sx = (885760 + 60000 x) >> 16, sy = (387520 + 60000 y) >> 16: nearest
// neighbour, the picture grown by 65536 / 60000 about (160, 70), source
// columns 13..305 and rows 5..133. zoomFeedbackRows writes rows zoom.row ..
// whose source rows lie at or above lastSourceRow, each to `to` and to
// `screen` (both 320 a row), and leaves zoom.row after them. The blur takes
// a zoom too: each zoomed row then comes out as soon as the blur has finished
// the row it reads, while that row is still in the cache; the pictures are
// the same as the blur's and then the zoom's.
//
// On the console (DEMO_ARMV4T_ROUTINES) both are ARMv4T assembly
// (platform/armv4t/feedback_blur.S, feedback_zoom.S) doing what the C++
// below does.
#pragma once

#include <cstdint>

void blurFeedbackPicture(uint16_t* picture);
// The blur a pixel at a time in one running sum (see the .cpp): the way on a
// processor without vector registers (WebAssembly's build) and what the
// console's routine does; public so that every host checks it.
void blurFeedbackPictureByRows(uint16_t* picture);

struct FeedbackZoom {
    const uint16_t* from;
    uint16_t* to;
    uint16_t* screen;
    int32_t row;  // the next row to write
};

void zoomFeedbackRows(FeedbackZoom* zoom, int lastSourceRow);
// The zoom's rows in C++, wherever the console's routine is not.
void zoomFeedbackRowsByRows(FeedbackZoom* zoom, int lastSourceRow);
// The blur, and the whole zoom with it.
void blurAndZoomFeedbackPicture(uint16_t* picture, FeedbackZoom* zoom);

#if DEMO_ARMV4T_ROUTINES
// zoom may be null: the blur alone.
extern "C" void blurFeedbackPictureArmv4t(uint16_t* picture, FeedbackZoom* zoom);
extern "C" void zoomFeedbackRowsArmv4t(FeedbackZoom* zoom, int lastSourceRow);
#endif
