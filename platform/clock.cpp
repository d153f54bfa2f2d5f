#include "platform/clock.h"

#include <SDL.h>

namespace {

// The scheduled clock shows gStartMs + floor(gFrame * gMsNumerator / gMsDenominator):
// a frame lasts gMsNumerator / gMsDenominator ms.
bool gScheduled = false;
uint32_t gStartMs = 0;
uint64_t gFrame = 0;
uint64_t gMsNumerator = 0;
uint64_t gMsDenominator = 1;

IdleGrant gScheduledIdle = nullptr;

// Deadline of the next frame on the real clock, in microseconds of SDL ticks.
uint64_t gNextFrameUs = 0;

void useSchedule(uint32_t startMs, uint64_t msNumerator, uint64_t msDenominator,
                 uint64_t frame = 0) {
    gScheduled = true;
    gStartMs = startMs;
    gFrame = frame;
    gMsNumerator = msNumerator;
    gMsDenominator = msDenominator;
}

}  // namespace

uint64_t frameTimeMs(uint64_t frame, FrameRate rate) {
    return frame * 1000 * rate.denominator / rate.numerator;
}

// floor(n * 1000 * d / f) >= ms exactly when n * 1000 * d >= ms * f, ms being whole.
uint64_t firstFrameAtOrAfter(uint64_t ms, FrameRate rate) {
    const uint64_t perFrame = uint64_t{1000} * rate.denominator;
    return (ms * rate.numerator + perFrame - 1) / perFrame;
}

uint64_t soundFrameAt(uint64_t frame, FrameRate rate) {
    return frame * kSoundSamplesPerSecond * rate.denominator / rate.numerator;
}

uint64_t soundFrameAtMs(uint64_t ms) {
    return ms * kSoundSamplesPerSecond / 1000;
}

uint32_t platformTicks() {
    if (!gScheduled) return SDL_GetTicks();
    return gStartMs + static_cast<uint32_t>(gFrame * gMsNumerator / gMsDenominator);
}

void platformUseSteppedClock(uint32_t startMs, uint32_t stepMs) {
    useSchedule(startMs, stepMs, 1);
}

void platformUseFrameClock(uint32_t startMs, FrameRate rate, uint64_t firstFrame) {
    useSchedule(startMs, uint64_t{1000} * rate.denominator, rate.numerator, firstFrame);
}

ClockSetting platformClockSetting() {
    return {gScheduled, gStartMs, gFrame, gMsNumerator, gMsDenominator};
}

void platformRestoreClock(const ClockSetting& setting) {
    gScheduled = setting.scheduled;
    gStartMs = setting.startMs;
    gFrame = setting.frame;
    gMsNumerator = setting.msNumerator;
    gMsDenominator = setting.msDenominator;
}

uint64_t platformFrameNumber() {
    return gFrame;
}

void platformEndFrame() {
    if (gScheduled) {
        ++gFrame;
        return;
    }
    // Pace to whole frame periods from a running deadline, so the average rate
    // stays at 60 even though SDL_Delay only sleeps in milliseconds. A frame that
    // ran late restarts the deadline instead of letting later frames catch up.
    const uint64_t nowUs = uint64_t{SDL_GetTicks()} * 1000;
    if (gNextFrameUs == 0 || nowUs > gNextFrameUs + kFramePeriodUs) gNextFrameUs = nowUs;
    gNextFrameUs += kFramePeriodUs;
    const uint64_t waitUs = gNextFrameUs > nowUs ? gNextFrameUs - nowUs : 0;
    if (waitUs >= 1000) SDL_Delay(static_cast<uint32_t>(waitUs / 1000));
}

// The frame that follows the latest wait is due one period after its deadline.
uint32_t platformIdleUs() {
    if (gScheduled) return gScheduledIdle != nullptr ? gScheduledIdle() : 0;
    if (gNextFrameUs == 0) return kFramePeriodUs;
    const uint64_t nowUs = uint64_t{SDL_GetTicks()} * 1000;
    const uint64_t dueUs = gNextFrameUs + kFramePeriodUs;
    return dueUs > nowUs ? static_cast<uint32_t>(dueUs - nowUs) : 0;
}

void platformSetScheduledIdle(IdleGrant grant) {
    gScheduledIdle = grant;
}
