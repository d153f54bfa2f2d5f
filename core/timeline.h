// timeline.h - turns the music's progress into pictures, one frame per call.
//
// Each frame: music time from the clock, music clock advanced, the active
// scenes chosen by position (the running order below is the demo's whole
// script), every active scene updated and then rendered, the closing noise
// drawn in positions 32-34, and the frame presented.
#pragma once

#include <cstdint>

// Scene bits of SceneMask; exactly one is set in every frame.
enum SceneBit : int32_t {
    kSceneParticleField = 0x02,  // with the environment-mapped mesh over it
    kSceneGreetsCube = 0x04,
    kSceneLogoOverlay = 0x10,
    kSceneFlare = 0x20,
    kSceneCredits = 0x40,
    kSceneFlower = 0x80,
    kSceneTitle = 0x100,
    kSceneNoise = 0x200,
    kSceneEnd = INT32_MIN,  // 0x80000000: nothing drawn, the frame loop stops
};

// The active scenes of the current frame. Starts at 1, which no position
// gives, so the first frame counts as a change of scenes.
extern int32_t SceneMask;
extern int32_t previousSceneMask;
// AND mask over the noise's random numbers; a mask, not a maximum.
extern int noiseLevel;
// Position, row and frame-rate text over the picture; off in the demo.
extern bool overlayEnabled;

namespace Timeline {

// The SceneMask of a music position.
int32_t sceneMaskFor(int32_t position);
// One frame at the music time of the clock.
void runFrame();
// One frame at the given music time, in ms since the music started.
void runFrameAt(int elapsedMs);

}  // namespace Timeline
