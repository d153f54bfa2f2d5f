// player.h - the live frame loop, one pass at a time, with the player's
// pause, jumps to any frame, frame steps and loop; the one owner of the
// music's time.
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
// runs ahead and saves states to jump from (seek.h), then the wait until that
// frame is due. The desktop's loop is `while (!playerPass()) {}`; a host
// whose clock is driven from outside (a browser's animation frames) calls
// playerAnimationFrame once a frame of its own.
//
// Additions to the console's demo, for desktops and the web page; without a
// key press the demo plays exactly as before. The keys are one table in
// player.cpp (playerKeyAt), which the page's notes and buttons, the desktop's
// --help and the README's table read: Space pauses; Right and Left go to the
// next and previous music position (0 to 34); Shift with them 5 s on or
// back; "." and "," step one frame on or back while paused; Home goes to the
// start; L loops the current position; O shows the overlay; Backspace and
// Escape end the demo on their release.
//
// A jump, to a position or to any frame, shows the very frame a continuous
// run at 60 frames a second shows (the frame of the same number that offline
// capture writes): the engine goes back to a saved state and runs the frames
// in between off screen (seek.h) while "SEEKING" stands over the picture, if
// they are many, and the sound goes on from the frame's own sample. Keys
// pressed during a jump wait in the input queue and take effect after it;
// several jumps asked for before the next frame add up to one, the latest
// target winning, so that a pointer dragged along a seek bar never leaves
// work queued behind it. Main thread only.
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

// One animation frame of a host whose frames come from outside (a
// browser's): one pass for the keys at least, and more while frames are due
// and the host grants idle time (platformIdleUs), up to kMostPassesAFrame.
// A frame or two behind runs back to back; further behind, the player skips
// frames. A pass that put SEEKING on the screen ends the animation frame,
// with its jump still pending, so that the host paints the label before the
// jump's work; the next animation frame makes the jump. True once the demo
// has ended or the viewer asked to quit.
bool playerAnimationFrame();
constexpr int kMostPassesAFrame = 4;

// Asks for a jump to the start of a position (clamped to 0 .. 34), made at
// the next pass, as the keys do.
void playerJumpTo(int position);
// Asks for a jump to a frame of the 60 frames a second schedule (clamped to
// the last one before the end), made at the next pass.
void playerJumpToFrame(uint64_t frame);
// Whether a jump is asked for and not yet made.
bool playerJumpPending();
// A host whose presents reach the screen only after its pass has returned
// (a browser paints once its animation frame's work is done) asks that a
// long jump first shows "SEEKING" in a pass of its own, and makes the jump
// in the next. Elsewhere the label is presented at once and the jump follows
// in the same pass.
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

// A drag along a seek bar: while held, the player is paused (the picture
// follows the jumps asked for, the sound waits); let go, it plays on from the
// frame shown if it was playing when the hold began. Holding twice is one
// hold.
void playerHold(bool held);
bool playerHeld();

// The frame on screen (of the 60 frames a second schedule) and its music
// time; -1 before the first.
int64_t playerShownFrame();
int32_t playerShownMusicMs();
// Frames the schedule skipped since the start or the latest jump, because
// the host fell behind.
uint64_t playerSkippedFrames();

// The player's keys, from its one table (player.cpp), for the hosts that show
// them: the key (with Shift or without), its name in a browser
// (KeyboardEvent.key, letters in lower case, "Shift+" before a shifted one;
// null where a page does not offer it), its label, the few words a page's
// notes show, the words of the README's table and the desktop's --help, the
// text of the page's button that presses it (null: no button) and the state
// the button shows as on. A press and a release of a key the page offers do
// what the key does.
enum class PlayerState { None, Paused, Looping, Overlay };
struct PlayerKey {
    Key key;
    bool shift;
    const char* browserName;
    const char* label;
    const char* what;
    const char* words;
    const char* button;
    PlayerState lit;
};
// Whether the player is in that state now (None: never).
bool playerIn(PlayerState state);
int playerKeyCount();
const PlayerKey& playerKeyAt(int index);
