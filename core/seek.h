// seek.h - the engine brought to any frame of the 60 frames a second
// schedule, off screen, exactly as a continuous run would leave it.
//
// Frame n of the schedule shows music time floor(n * 1000 / 60) ms, as in
// offline capture. Feedback effects carry state from frame to frame, so a
// frame can only be reached by running the frames before it: the engine goes
// back to a saved state at or before the target (the one saved at start-up,
// or one saved at the start of a music position) and runs every frame from
// there without painting the window or waiting. The start of each music
// position it passes is saved on the way, so a later jump there costs one
// frame.
// Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/timeline.h"
#include "platform/clock.h"

// The positions a jump can reach: 0 to the noise's last one.
constexpr int kLastPlayerPosition = kEndPosition - 1;

namespace Seek {

constexpr FrameRate kRate{60, 1};

// Saves the engine as the state before frame 0; called once after start-up,
// before the first frame. Forgets every later state.
void rememberStart();

// Leaves the engine as it is after frame `frame` has been run and presented,
// and the window showing it. The music start time and the host's clock are
// as they were. Nothing happens before rememberStart().
void runToFrame(uint64_t frame);

// Forgets the states saved on the way: the next jump runs every frame from
// the start (which is what the seek benchmark measures).
void forgetPositions();

// The first frame that shows the given music position.
uint64_t firstFrameOf(int position);

// The saved states, in bytes.
size_t savedBytes();

}  // namespace Seek
