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
//
// While the player runs, a second copy of the engine runs ahead of it in the
// idle time of each frame and saves every position start it reaches, so that
// after some seconds of play a jump anywhere costs one frame. The copy swaps
// the whole engine state (engine_state.h) in and out, so the frames shown,
// the sound and the random numbers of the live engine are exactly as without
// it. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/frame_plan.h"
#include "core/timeline.h"

// The positions a jump can reach: 0 to the noise's last one.
constexpr int kLastPlayerPosition = kEndPosition - 1;

namespace Seek {

constexpr FrameRate kRate = kPlayerRate;

// Saves the engine as the state before frame 0; called once after start-up,
// before the first frame. Forgets every later state and restarts the copy
// that runs ahead.
void rememberStart();

// Leaves the engine as it is after frame `frame` has been run and presented,
// and the window showing it. Each frame runs at its own time on the
// schedule, and those before the target without the overlay, as a plain run
// does. Nothing happens before rememberStart().
void runToFrame(uint64_t frame);

// The copy ahead, for one pass of the frame loop whose next frame is due at
// the host's `dueTicks`: a few frames (at most kAheadFramesPerPass), each
// begun only while the host grants more than kAheadMarginUs of idle time
// (platformIdleUs), so that no frame is late because of it. The live engine
// is put back exactly as it was. Nothing once every position start is saved,
// or while switched off.
void workAhead(uint32_t dueTicks);
constexpr int kAheadFramesPerPass = 32;
constexpr uint32_t kAheadMarginUs = 8000;
// On by default.
void setWorkAhead(bool on);

// Whether the start of every position a jump can reach is saved.
bool allPositionsSaved();
// Whether the state before this frame is saved: runToFrame(frame) then runs
// that one frame.
bool isSaved(uint64_t frame);

// Forgets the states saved on the way and by the copy ahead, which starts
// again from the beginning: the next jump runs every frame from the start.
void forgetPositions();

// The first frame that shows the given music position.
uint64_t firstFrameOf(int position);

// The saved states, in bytes, and the copy ahead's own while it runs.
size_t savedBytes();

}  // namespace Seek
