// feedback_blur.h - the blur of the particle field's feedback picture.
//
// Contract: in place over the 320 x 140 picture's indices 322..44479, in
// increasing order, each pixel becomes the average of its right (+1), left
// (-1), upper (-320) and lower (+320) neighbours as they stand (left and
// upper already blurred in this pass, the pixel's own value unused): red and
// blue min(31, sum >> 2), green min(31, sum of the 6-bit greens >> 3) in the
// upper five bits of its field (its lowest bit 0). Indices are linear: column
// 0's left neighbour is column 319 of the row above.
#pragma once

#include <cstdint>

void blurFeedbackPicture(uint16_t* picture);
// The same pass a pixel at a time in one running sum (see the .cpp): the way
// on a processor without vector registers (WebAssembly's build), and what
// the console's routine does (platform/armv4t/feedback_blur.S, under
// DEMO_ARMV4T_ROUTINES); public so that every host checks it.
void blurFeedbackPictureByRows(uint16_t* picture);

#if DEMO_ARMV4T_ROUTINES
extern "C" void blurFeedbackPictureArmv4t(uint16_t* picture);
#endif
