// timeline.h - turns the music's progress into pictures, one frame per call,
// measured from the instant the music was switched on.
//
// Each frame: music time from the clock, music clock advanced, the active
// scenes chosen by position (the running order is the demo's whole script),
// every active scene updated and then rendered, the closing noise drawn in
// positions 32-34, and the frame presented. From kEndPosition on, the end bit
// is set and nothing is drawn.
//
// The Timeline owns the music time's origin, musicStartTicks: start-up sets it
// when playback is switched on, the live player moves it when it pauses or
// jumps, and every frame on the clock is measured from it.
#pragma once

#include <cstdint>

#include "core/scenes.h"

// Ticks of the instant the music was switched on; the music time of every
// frame on the clock is measured from it.
extern uint32_t musicStartTicks;

// The active scenes of the current frame. Starts at 1, which no position
// gives, so the first frame counts as a change of scenes.
extern int32_t SceneMask;
extern int32_t previousSceneMask;
// AND mask over the noise's random numbers; a mask, not a maximum.
extern int noiseLevel;
// Position, row and frame-rate text over the picture; off in the demo.
extern bool overlayEnabled;

// The first music position of the end: its frame shows nothing and ends the demo.
constexpr int32_t kEndPosition = 35;
// The music time at which the demo ends, the first millisecond of
// kEndPosition: the music has to last that long.
uint32_t demoEndMs();

namespace Timeline {

// The music time now, in ms since the music was switched on.
int32_t musicMs();
// Moves the origin so that the music time now is ms.
void startMusicAt(int32_t ms);

// The SceneMask of a music position.
int32_t sceneMaskFor(int32_t position);
// One frame at the music time of the clock.
void runFrame();
// One frame at the given music time, in ms since the music started.
void runFrameAt(int elapsedMs);
// Whether the latest frame was the one that ends the demo (the end bit).
inline bool ended() {
    return SceneMask < 0;
}

}  // namespace Timeline
