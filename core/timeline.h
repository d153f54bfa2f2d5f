// timeline.h - turns the music's progress into pictures, one frame per call,
// measured from the instant the music was switched on.
//
// Each frame, at the music time its caller gives (the live player's clock,
// or an offline run's schedule): music clock advanced, the active scenes
// chosen by position (the running order is the demo's whole script), every
// active scene updated and then rendered, the closing noise drawn in
// positions 32-34, and the frame presented. From kEndPosition on, the end bit
// is set and nothing is drawn.
#pragma once

#include <cstdint>

#include "core/scenes.h"

// The active scenes of the current frame. Starts at 1, which no position
// gives, so the first frame counts as a change of scenes.
extern int32_t SceneMask;
extern int32_t previousSceneMask;
// AND mask over the noise's random numbers; a mask, not a maximum.
extern int noiseLevel;
// Position, row and frame-rate text over the picture, and the frame and its
// music time under them; off in the demo.
extern bool overlayEnabled;
// Frames the live player skipped since its latest jump, which the overlay
// shows beside the rate; -1 where nothing counts them (offline runs).
extern int32_t overlaySkippedFrames;
// The number of the frame the live player shows, which the overlay shows
// under them with its music time; -1 where nothing numbers the frames.
extern int64_t overlayFrame;

// The first music position of the end: its frame shows nothing and ends the demo.
constexpr int32_t kEndPosition = 35;

namespace Timeline {

// The running order: the sections of the music, each from its first position
// to the next one's, what it shows, and its name (the web page's position bar
// and the benchmark's sections read it). The last section, from kEndPosition,
// is the end.
struct Section {
    int32_t firstPosition;
    int32_t sceneMask;
    const char* name;
};
int sectionCount();
const Section& section(int index);
// The section that shows a music position; positions before the first are
// the first's.
int sectionOf(int32_t position);

// The SceneMask of a music position.
int32_t sceneMaskFor(int32_t position);
// One frame at the given music time, in ms since the music started.
void runFrameAt(int elapsedMs);
// Whether the latest frame was the one that ends the demo (the end bit).
inline bool ended() {
    return SceneMask < 0;
}

}  // namespace Timeline
