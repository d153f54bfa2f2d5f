// clock.h - what the host's clock reads, how the frame loop waits for it, how
// much idle time the host grants, and what the clock is told of the sound.
//
// The engine reads milliseconds only through platformTicks(); the live player
// (core/player.h) measures the music from an origin on it and asks to wait
// until its next frame is due. Each host has its own clock:
//   - the desktop: SDL's millisecond clock, waiting with SDL_Delay;
//   - the console: the system's clock, waiting with a sleep;
//   - the web page: the sound the listener has heard, or its wall clock when
//     there is no sound to follow; it never waits (the browser calls again at
//     its next animation frame).
// Offline runs (core/offline_run.h) need no clock at all: they give each
// frame its own time.
#pragma once

#include <cstdint>

uint32_t platformTicks();

// Returns once platformTicks() has reached `ticks`: at once if it has.
void platformWaitUntil(uint32_t ticks);

// Microseconds the host grants for work that only saves time later (the copy
// of the engine that runs ahead), before a frame due at `dueTicks`: on the
// desktop the time left until then; on the page what is left of its
// animation frame; the console grants none.
uint32_t platformIdleUs(uint32_t dueTicks);

// The player stopped the music's sound, to go on from elsewhere or later (a
// jump, a pause). A clock that follows the sound heard (the page's) no longer
// counts the sound handed before, which is still heard for a moment but
// belongs to music no longer shown, and stands until new sound is heard. A
// clock of the host's own (the desktop's, the console's) has nothing to do.
void platformForgetHeardSound();
// The player asked for the sound to go on (after a jump, at resume). A clock
// that follows the sound heard waits for it from now; if none comes for some
// seconds, the sound has stopped for good and the picture goes on by the
// wall clock from where it stands.
void platformExpectSound();
