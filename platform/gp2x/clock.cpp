// The console's clock: the system clock (gettimeofday), in milliseconds since
// the program first read it, as SDL counts its ticks; or the virtual clock of
// offline runs. The frame loop's wait is one sleep: the console's kernel
// wakes a sleeper only at its own tick (10 ms), so a frame may come a little
// late and the player then runs the frames it missed back to back.
#include "platform/clock.h"

#include <unistd.h>

#include <algorithm>

#include "platform/gp2x/linux_abi.h"
#include "platform/gp2x/system_calls.h"

namespace {

bool gVirtual = false;
uint32_t gVirtualNow = 0;
uint32_t gVirtualStep = 0;
IdleGrant gScheduledIdle = nullptr;

bool gStarted = false;
Linux::TimeValue gStart;

uint32_t systemTicks() {
    Linux::TimeValue now;
    Sys::call<Sys::kGettimeofday>(long(&now), 0);
    if (!gStarted) {
        gStart = now;
        gStarted = true;
    }
    const int64_t microseconds =
        int64_t(now.seconds - gStart.seconds) * 1000000 + (now.microseconds - gStart.microseconds);
    return static_cast<uint32_t>(microseconds / 1000);
}

}  // namespace

uint32_t platformTicks() {
    return gVirtual ? gVirtualNow : systemTicks();
}

void platformWaitUntil(uint32_t ticks) {
    if (gVirtual) {
        const auto ahead = static_cast<int32_t>(ticks - gVirtualNow);
        gVirtualNow += gVirtualStep != 0 ? gVirtualStep : uint32_t(std::max<int32_t>(ahead, 0));
        return;
    }
    const auto ahead = static_cast<int32_t>(ticks - systemTicks());
    if (ahead > 0) usleep(useconds_t(ahead) * 1000);
}

void platformUseVirtualClock(uint32_t startMs, uint32_t stepMs) {
    gVirtual = true;
    gVirtualNow = startMs;
    gVirtualStep = stepMs;
}

void platformAdvanceVirtualClock(uint32_t ms) {
    gVirtualNow += ms;
}

// The console grants no idle time: the copy of the engine that saves
// position starts serves jumps, which its keys do not offer.
uint32_t platformIdleUs(uint32_t) {
    return gVirtual && gScheduledIdle != nullptr ? gScheduledIdle() : 0;
}

void platformSetScheduledIdle(IdleGrant grant) {
    gScheduledIdle = grant;
}
