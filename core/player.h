// player.h - the live frame loop, one pass at a time, with the player's
// pause, jumps and loop, frame-exact.
//
// A pass: the frame (a jump if one was asked for, else nothing while paused,
// else the next frame on the clock, or at the end of a looped position the
// jump back to its start), then the input events, then the frame pacing. The
// desktop's loop is `while (!playerPass()) {}`; a host that is handed its
// frames (a browser) calls playerPass once for each.
//
// Additions to the console's demo, for desktops; without a key press the
// demo plays exactly as before. The keys (one table in player.cpp):
//   Backspace, Escape  end the demo when released (the window's close too)
//   Space              pause and resume, picture and sound together
//   Right / Left       the start of the next / previous music position (0 to
//                      34; Left in the first goes to its start, Right in the
//                      last does nothing)
//   Home               the start of the music
//   L                  loop the current position, until L is pressed again
//   O                  the overlay with position, row and frame rate
// A jump shows the very frame a continuous run at 60 frames a second shows
// at that music time (the frame of the same number that offline capture
// writes): the engine goes back to a saved state and runs the frames in
// between off screen (seek.h) while "SEEKING" stands over the picture, and
// the sound goes on from the same sample. Keys pressed meanwhile wait in the
// input queue and take effect after it; several jumps asked for before the
// next frame add up to one. Main thread only.
#pragma once

#include <cstdint>

// After start-up, before the first pass: saves the engine's starting state.
void playerStart();

// One pass of the frame loop. True once the demo has ended or the viewer
// asked to quit.
bool playerPass();

// Asks for a jump to the start of a position (clamped to 0 .. 34), made at
// the next pass, as the keys do.
void playerJumpTo(int position);

bool playerPaused();
// The music time the picture is held at, in ms, while paused.
int32_t playerPausedMusicMs();
// The looped position, or -1.
int playerLoopedPosition();
