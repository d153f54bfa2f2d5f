// clock.h - the one time source of the engine, and the frame pacing of its hosts.
//
// The engine reads milliseconds only through platformTicks(). The demo runs on
// SDL's millisecond clock and waits for the next 1/60 s after every frame (the
// console's refresh rate: most motion advances a fixed step per frame, so an
// unpaced desktop loop would race). Tests and offline capture use a scheduled
// clock instead: it stands still within a frame and moves to the next frame's
// time at every frame end, without waiting.
#pragma once

#include <cstdint>

// A frame rate as an exact fraction, numerator / denominator frames a second
// (60000/1001 for the 59.94 of video).
struct FrameRate {
    uint32_t numerator = 60;
    uint32_t denominator = 1;
};

// The time of frame n of a schedule: floor(n * 1000 * denominator / numerator)
// ms, exact in integers (no drift over any number of frames).
uint64_t frameTimeMs(uint64_t frame, FrameRate rate);
// The first frame whose time is at or after ms.
uint64_t firstFrameAtOrAfter(uint64_t ms, FrameRate rate);

// Stereo samples a second of the sound: the soundtrack, the second
// processor's blocks and the sound device.
constexpr uint64_t kSoundSamplesPerSecond = 44100;
// The stereo sample at which frame n of a schedule begins:
// floor(n * 44100 * denominator / numerator), exact in integers.
uint64_t soundFrameAt(uint64_t frame, FrameRate rate);
// The stereo sample at ms of music: floor(ms * 44100 / 1000).
uint64_t soundFrameAtMs(uint64_t ms);

uint32_t platformTicks();

// Switches to a scheduled clock at startMs, advancing by stepMs at every
// platformEndFrame().
void platformUseSteppedClock(uint32_t startMs, uint32_t stepMs);
// Switches to a scheduled clock whose frame n shows startMs + frameTimeMs(n,
// rate), now at frame firstFrame.
void platformUseFrameClock(uint32_t startMs, FrameRate rate, uint64_t firstFrame = 0);

// What platformTicks() follows, kept aside by a host that borrows a frame
// clock for a while (a seek) and then gives its own back.
struct ClockSetting {
    bool scheduled = false;
    uint32_t startMs = 0;
    uint64_t frame = 0;
    uint64_t msNumerator = 0;
    uint64_t msDenominator = 1;
};
ClockSetting platformClockSetting();
void platformRestoreClock(const ClockSetting& setting);
// The frame number of the scheduled clock: platformEndFrame() calls since it
// was switched on.
uint64_t platformFrameNumber();

// Called by the frame loop after each frame: waits for the next 1/60 s on the
// real clock, or moves the scheduled clock to its next frame.
void platformEndFrame();

// Nominal frame period of the demo's pacing, in microseconds.
constexpr uint32_t kFramePeriodUs = 1000000 / 60;

// Microseconds until the next frame is due: on the real clock, what is left of
// the current frame period after this frame's work so far (a whole period
// before the first platformEndFrame, 0 once the frame is late). A scheduled
// clock never waits, so its idle time is what its host grants through
// platformSetScheduledIdle: the browser what is left of its animation frame,
// a test as much as it likes. With no grant it is 0, so that offline runs
// spend nothing on work that only saves time later.
uint32_t platformIdleUs();
using IdleGrant = uint32_t (*)();
void platformSetScheduledIdle(IdleGrant grant);
