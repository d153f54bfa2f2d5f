// controls.h - what capture, the benchmarks and the tests turn on the
// desktop's back-end, beyond what the engine asks of a host: a virtual clock,
// keys queued as if typed, and a screen with no window. No other host has
// them, and the engine never calls them.
#pragma once

#include <cstdint>

#include "platform/input.h"

// Switches to a virtual clock at startMs, which stands still until the frame
// loop waits, then moves on by stepMs, or with a step of 0 to the very time
// waited for (every frame of the schedule in time, as offline capture renders
// them). A test makes its host late by moving it on with
// platformAdvanceVirtualClock.
void platformUseVirtualClock(uint32_t startMs, uint32_t stepMs = 0);
void platformAdvanceVirtualClock(uint32_t ms);
// On a virtual clock the idle time (platformIdleUs) is what `grant` returns,
// or 0 without a grant, so that offline runs and tests spend nothing on it.
using IdleGrant = uint32_t (*)();
void platformSetScheduledIdle(IdleGrant grant);

// A key pressed and released as if on the keyboard, read before the host's
// own events.
void platformQueueKey(Key key);

// Before the screen is opened: no window, whatever the desktop (capture).
void platformUseHeadlessVideo();
