// player.h - the live player's keys: pause, jumps and a loop, frame-exact.
//
// Additions to the console's demo, for desktops; without a key press the
// demo plays exactly as before.
//   Space         pause and resume, picture and sound together
//   Right / Left  the start of the next / previous music position (0 to 34;
//                 Left in the first goes to its start, Right in the last
//                 does nothing)
//   Home          the start of the music
//   L             loop the current position, until L is pressed again
//   O             the overlay with position, row and frame rate
// A jump shows the very frame a continuous run at 60 frames a second shows
// at that music time (the frame of the same number that offline capture
// writes): the engine goes back to a saved state and runs the frames in
// between off screen (seek.h) while "SEEKING" stands over the picture, and
// the sound goes on from the same sample. Keys pressed meanwhile wait in the
// input queue and take effect after it; several jumps asked for before the
// next frame add up to one. Main thread only.
#pragma once

#include <cstdint>

enum class PlayerKey { PauseResume, NextPosition, PreviousPosition, MusicStart, Loop, Overlay };

// After start-up, before the first frame: saves the engine's starting state.
void playerStart();

// The frame of one pass of the frame loop: a jump if one was asked for, else
// nothing while paused, else the next frame on the clock (or, at the end of a
// looped position, the jump back to its start). True if it was the frame that
// ends the demo.
bool playerRunFrame();

void playerKey(PlayerKey key);
// A jump to the start of a music position (clamped to 0 .. the last), as
// the keys make: the web page's position bar.
void playerJumpTo(int position);

bool playerPaused();
// The music time the picture is held at, in ms, while paused.
int32_t playerPausedMusicMs();
// The looped position, or -1.
int playerLoopedPosition();

// The last music position a jump can reach: the noise's last one.
constexpr int kLastPlayerPosition = 34;
