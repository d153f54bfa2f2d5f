// clock.h - the one time source of the engine, and the frame pacing of its hosts.
//
// The engine reads milliseconds only through platformTicks(). The demo runs on
// SDL's millisecond clock and waits for the next 1/60 s after every frame (the
// console's refresh rate: most motion advances a fixed step per frame, so an
// unpaced desktop loop would race). Tests and offline capture use a stepped
// clock instead: it stands still within a frame and jumps by a fixed step at
// every frame end, without waiting.
#pragma once

#include <cstdint>

uint32_t platformTicks();

// Switches to the stepped clock, starting at startMs and advancing by stepMs
// at every platformEndFrame().
void platformUseSteppedClock(uint32_t startMs, uint32_t stepMs);

// Called by the frame loop after each frame: waits for the next 1/60 s on the
// real clock, advances the stepped clock by its step.
void platformEndFrame();

// Nominal frame period of the demo's pacing, in microseconds.
constexpr uint32_t kFramePeriodUs = 1000000 / 60;
