// The console's clock: the system clock (gettimeofday), in milliseconds since
// the program first read it, as SDL counts its ticks. The frame loop's wait
// is one sleep: the console's kernel wakes a sleeper only at its own tick
// (10 ms), so a frame may come a little late, and the player then runs the
// frames it missed back to back. The virtual clock of tests and tools is
// the desktop's; the console program has none.
#include "platform/clock.h"

#include <unistd.h>

#include "platform/gp2x/linux_abi.h"
#include "platform/gp2x/system_calls.h"

namespace {

bool gStarted = false;
Linux::TimeValue gStart;

}  // namespace

uint32_t platformTicks() {
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

void platformWaitUntil(uint32_t ticks) {
    const auto ahead = static_cast<int32_t>(ticks - platformTicks());
    if (ahead > 0) usleep(useconds_t(ahead) * 1000);
}

// The system's clock is the console's own: nothing follows the sound.
void platformForgetHeardSound() {}

void platformExpectSound() {}

// The console grants no idle time: the copy of the engine that saves
// position starts serves jumps, which its keys do not offer.
uint32_t platformIdleUs(uint32_t) {
    return 0;
}
