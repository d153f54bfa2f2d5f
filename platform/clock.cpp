#include "platform/clock.h"

#include <SDL.h>

namespace {

bool gStepped = false;
uint32_t gSteppedNow = 0;
uint32_t gStepMs = 0;

// Deadline of the next frame on the real clock, in microseconds of SDL ticks.
uint64_t gNextFrameUs = 0;

}  // namespace

uint32_t platformTicks() {
    return gStepped ? gSteppedNow : SDL_GetTicks();
}

void platformUseSteppedClock(uint32_t startMs, uint32_t stepMs) {
    gStepped = true;
    gSteppedNow = startMs;
    gStepMs = stepMs;
}

void platformEndFrame() {
    if (gStepped) {
        gSteppedNow += gStepMs;
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
