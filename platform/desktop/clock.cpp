// The desktop's clock: SDL's milliseconds, or the virtual clock of tests and
// tools.
#include "platform/clock.h"

#include <SDL.h>

#include <algorithm>

#include "platform/desktop/controls.h"

namespace {

bool gVirtual = false;
uint32_t gVirtualNow = 0;
uint32_t gVirtualStep = 0;

IdleGrant gScheduledIdle = nullptr;

}  // namespace

uint32_t platformTicks() {
    return gVirtual ? gVirtualNow : SDL_GetTicks();
}

// SDL_Delay sleeps whole milliseconds and the schedule's times are whole
// milliseconds, so a frame is never shown early.
void platformWaitUntil(uint32_t ticks) {
    if (gVirtual) {
        const auto ahead = static_cast<int32_t>(ticks - gVirtualNow);
        gVirtualNow += gVirtualStep != 0 ? gVirtualStep : uint32_t(std::max(ahead, 0));
        return;
    }
    const auto ahead = static_cast<int32_t>(ticks - SDL_GetTicks());
    if (ahead > 0) SDL_Delay(uint32_t(ahead));
}

void platformUseVirtualClock(uint32_t startMs, uint32_t stepMs) {
    gVirtual = true;
    gVirtualNow = startMs;
    gVirtualStep = stepMs;
}

void platformAdvanceVirtualClock(uint32_t ms) {
    gVirtualNow += ms;
}

uint32_t platformIdleUs(uint32_t dueTicks) {
    if (gVirtual) return gScheduledIdle != nullptr ? gScheduledIdle() : 0;
    const auto ahead = static_cast<int32_t>(dueTicks - SDL_GetTicks());
    return ahead > 0 ? uint32_t(ahead) * 1000 : 0;
}

void platformSetScheduledIdle(IdleGrant grant) {
    gScheduledIdle = grant;
}

// SDL's clock is the desktop's own: nothing follows the sound.
void platformForgetHeardSound() {}

void platformExpectSound() {}
