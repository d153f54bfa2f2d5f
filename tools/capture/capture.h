// capture.h - the demo rendered offline: the same start-up and frames as the
// live player, on a frame clock instead of the wall clock, with the visible
// screen and the decoded sound written to files instead of the window and the
// sound device.
//
// Exit status: 0 when every file is complete; 2 for a bad argument, an output
// that cannot be written (named, with the reason, found before the first
// frame), a frames folder another run is filling or a missing ffmpeg, with
// one line on standard error and nothing left under the names given; 130
// after a Ctrl-C, which still finishes playable files up to the last frame
// rendered, or leaves nothing if no frame was written yet. The engine's own
// failures (a missing asset) end the run as they end the demo, status 1, and
// so does a video or frames run whose sound cannot come (a song or program
// image that cannot play, a song shorter than the demo), before anything is
// written: --no-sound captures without sound. A song whose sound stops
// early in a way only decoding finds (a hole, damage) ends the run at its
// end with status 1, one line saying where, and nothing left. Every line about a failure starts
// with "capture: ", the engine's problems included; its progress lines are not shown.
#pragma once

#include "capture/options.h"

int captureMain(int argc, const char* const* argv);
int runCapture(const CaptureOptions& options);
