// seek.h - the engine brought to any frame of the 60 frames a second
// schedule, off screen, exactly as a continuous run would leave it.
//
// Frame n of the schedule shows music time floor(n * 1000 / 60) ms, as in
// offline capture. Feedback effects carry state from frame to frame, so a
// frame can only be reached by running the frames before it: the engine goes
// back to the latest saved state at or before the target and runs every
// frame from there without painting the window or waiting. States are saved
// at the start and the middle of every music position (the save points, 70
// of them, half a position or at most kSavePointFrames frames apart), and on
// the way to a frame every kTrailFrames frames, the latest kTrailStates of
// them kept (the trail): a step back from a frame reached by a jump runs at
// most kTrailFrames frames, and while the picture stands paused the idle time
// makes the trail behind it.
//
// While the player runs, a second copy of the engine runs ahead of it in the
// idle time of each frame and saves every save point it reaches, so that
// after some seconds of play a jump anywhere runs at most kSavePointFrames
// frames. The copy swaps the whole engine state (engine_state.h) in and out,
// so the frames shown, the sound and the random numbers of the live engine
// are exactly as without it. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/frame_plan.h"
#include "core/timeline.h"

// The positions a jump can reach: 0 to the noise's last one.
constexpr int kLastPlayerPosition = kEndPosition - 1;

namespace Seek {

constexpr FrameRate kRate = kPlayerRate;

// Save points every half position (64 rows of 41.6 ms: 2662.4 ms).
constexpr int kSavePointRows = 64;
constexpr uint64_t kSavePointFrames = 160;
constexpr int kTrailFrames = 32;
constexpr int kTrailStates = int(kSavePointFrames / kTrailFrames) + 1;

// Saves the engine as the state before frame 0; called once after start-up,
// before the first frame. Forgets every later state and restarts the copy
// that runs ahead.
void rememberStart();

// Leaves the engine as it is after frame `frame` has been run and presented,
// and the window showing it. Each frame runs at its own time on the
// schedule, and those before the target without the overlay, as a plain run
// does. Nothing happens before rememberStart().
void runToFrame(uint64_t frame);
// The frames runToFrame(frame) runs now, the target's own included.
uint64_t framesToReach(uint64_t frame);

// The copy ahead, for one pass of the frame loop whose next frame is due at
// the host's `dueTicks`: a few frames (at most kAheadFramesPerPass), each
// begun only while the host grants more than kAheadMarginUs of idle time
// (platformIdleUs), so that no frame is late because of it. The live engine
// is put back exactly as it was. Nothing once every save point is saved, or
// while switched off.
void workAhead(uint32_t dueTicks);
constexpr int kAheadFramesPerPass = 32;
constexpr uint32_t kAheadMarginUs = 8000;
// The same work behind a paused picture: in the idle time, as the copy ahead,
// the states on the trail before the frame shown, so that a step back from
// it runs at most kTrailFrames frames, also where it lies just past a save
// point.
void workBehind(uint64_t shownFrame, uint32_t dueTicks);
// On by default.
void setWorkAhead(bool on);

// Whether every save point a jump can start from is saved.
bool allPositionsSaved();

// Forgets the states saved on the way and by the copy ahead, which starts
// again from the beginning: the next jump runs every frame from the start.
void forgetPositions();

// The first frame that shows the given music position.
uint64_t firstFrameOf(int position);
// The last frame a jump can reach: the one before the frame that ends the demo.
uint64_t lastFrame();
// The music position a frame shows.
int positionOf(uint64_t frame);

// The memory of the saved states (each chunk they share once), and of the
// copy ahead's own while it runs.
size_t savedBytes();

}  // namespace Seek
