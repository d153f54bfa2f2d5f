// clock.h - what the host's clock reads, how the frame loop waits for it, and
// how much idle time the host grants.
//
// The engine reads milliseconds only through platformTicks(); the live player
// (core/player.h) measures the music from an origin on it and asks to wait
// until its next frame is due. Each host has its own clock:
//   - the desktop: SDL's millisecond clock (SDL_GetTicks), waiting with
//     SDL_Delay;
//   - the web page: the sound the browser has played, or its wall clock when
//     it plays no sound (platform/web/);
//   - tests and tools: a virtual clock that stands still until the frame loop
//     waits, then moves on by a fixed step, or to the very time waited for
//     (every frame of the schedule in time, as offline capture renders them).
// Offline runs (core/offline_run.h) need no clock at all: they give each
// frame its own time.
#pragma once

#include <cstdint>

uint32_t platformTicks();

// Returns once platformTicks() has reached `ticks`: at once if it has. On a
// virtual clock the time moves to max(ticks, now) with a step of 0, else on by
// the step; the page never waits (the browser calls it at its next frame).
void platformWaitUntil(uint32_t ticks);

// Switches to a virtual clock at startMs (see above). A test makes its host
// late by moving it on with platformAdvanceVirtualClock.
void platformUseVirtualClock(uint32_t startMs, uint32_t stepMs = 0);
void platformAdvanceVirtualClock(uint32_t ms);

// Microseconds the host grants for work that only saves time later (the copy
// of the engine that runs ahead), before a frame due at `dueTicks`: on the
// desktop the time left until then; on the page what is left of its
// animation frame; on a virtual clock what the host grants through
// platformSetScheduledIdle, 0 without a grant, so that offline runs and tests
// spend nothing on it.
uint32_t platformIdleUs(uint32_t dueTicks);
using IdleGrant = uint32_t (*)();
void platformSetScheduledIdle(IdleGrant grant);
