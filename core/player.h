// player.h - the live frame loop, one pass at a time, with the player's
// pause, jumps and loop, frame-exact; the one owner of the music's time.
//
// The player keeps the music's origin, musicStartTicks, on the host's clock
// (platform/clock.h): the music time now is platformTicks() -
// musicStartTicks. Start-up sets it when the music is switched on; only the
// player moves it after that, when it pauses, resumes or jumps. The player
// also keeps the schedule (frame_schedule.h): the frame on screen, its music
// time, and the next frame of the 60 frames a second schedule.
//
// A pass: the frame (a jump if one was asked for, else nothing while paused,
// else the frame the schedule says is due, if one is, or at the end of a
// looped position the jump back to its start), then the input events, then,
// in the idle time before the next frame is due, the copy of the engine that
// runs ahead and saves the position starts (seek.h), then the wait until that
// frame is due. The desktop's loop is `while (!playerPass()) {}`; a host
// whose clock is driven from outside (a browser's animation frames) calls
// playerPass while playerFrameDue() says a frame is due, and once more for
// the keys.
//
// Additions to the console's demo, for desktops and the web page; without a
// key press the demo plays exactly as before. The keys (one table in
// player.cpp, which the page reads too):
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
// the sound goes on from the same sample. Once the copy ahead has saved every
// position start (some seconds after start-up), a jump costs one frame. Keys
// pressed during a jump wait in the input queue and take effect after it;
// several jumps asked for before the next frame add up to one. Main thread
// only.
#pragma once

#include <cstdint>

#include "platform/input.h"

// Start-up's step: the music time is 0 now (musicStartTicks := the host's ticks).
void playerStartMusicClock();
// The music time now, in ms since the music was switched on.
int32_t playerMusicMs();

// After start-up, before the first pass: saves the engine's starting state.
void playerStart();

// One pass of the frame loop. True once the demo has ended or the viewer
// asked to quit.
bool playerPass();
// Whether a pass now would run a frame or a jump.
bool playerFrameDue();

// Asks for a jump to the start of a position (clamped to 0 .. 34), made at
// the next pass, as the keys do.
void playerJumpTo(int position);
// Whether a jump is asked for and not yet made.
bool playerJumpPending();
// A host whose presents reach the screen only after its pass has returned
// (a browser paints once its animation frame's work is done) asks that a
// jump which runs more than one frame first shows "SEEKING" in a pass of its
// own, and makes the jump in the next. Elsewhere the label is presented at
// once and the jump follows in the same pass.
void playerSetSeekingInAPassOfItsOwn(bool on);
// One input event, acted on at once as the player's table says: the pass
// reads the host's events (platformNextInput) through it, and a host whose
// keys come between passes (a page's key handler) calls it as they come. A
// jump a key asks for is made at the next pass.
void playerInput(const InputEvent& event);

// Pauses or resumes at once, as Space does at the next pass (a host whose
// page is hidden).
void playerSetPaused(bool paused);
bool playerPaused();
// The music time the picture is held at, in ms, while paused.
int32_t playerPausedMusicMs();
// The looped position, or -1.
int playerLoopedPosition();

// The frame on screen (of the 60 frames a second schedule) and its music
// time; -1 before the first.
int64_t playerShownFrame();
int32_t playerShownMusicMs();
// Frames the schedule skipped since the start or the latest jump, because
// the host fell behind.
uint64_t playerSkippedFrames();

// The player's keys, from its one table (player.cpp), for the hosts that show
// them: the key, its name in a browser (KeyboardEvent.key, letters in lower
// case; null where a page does not offer it), and the label and words a page
// shows for it. A press and a release of a key the page offers do what the
// key does.
struct PlayerKey {
    Key key;
    const char* browserName;
    const char* label;
    const char* what;
};
int playerKeyCount();
const PlayerKey& playerKeyAt(int index);
