// bench_seek - what the live player's jumps cost, on the generated assets,
// headless and silent, paced at 60 frames a second on the real clock:
//   1. the time of play until the copy that runs ahead has saved the start of
//      every position, with the main thread's work in each pass (frame, input
//      and the copy's frames: CPU time, so the pacing's waits are left out)
//      beside the same number of passes played without the copy;
//   2. a jump to each of the given positions once that is done, in ms;
//   3. a jump to the last position before any state is saved (every frame
//      before it computed off screen, as the first jump was before the copy);
//   4. the memory of the saved states, and the process's peak resident memory.
//
// Usage: bench_seek [position ...]   (default: 1 8 16 24 34)
#include "core/seek.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/demo.h"
#include "core/player.h"
#include "platform/clock.h"
#include "platform/desktop/controls.h"
#include "platform/present.h"
#include "platform/simulated/sound_controls.h"
#include "platform/sound_device.h"

namespace {

double threadCpuMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double wallMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct PassFigures {
    std::vector<double> workMs;  // main-thread CPU time of each pass
    int late = 0;                // passes that ended more than 2 ms after their period
};

// One pass of the live loop, measured.
void measuredPass(PassFigures* figures, double* lastEndMs) {
    const double cpu = threadCpuMs();
    playerPass();
    figures->workMs.push_back(threadCpuMs() - cpu);
    const double end = wallMs();
    if (*lastEndMs > 0 && end - *lastEndMs > 1000.0 / 60 + 2) ++figures->late;
    *lastEndMs = end;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double longest(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// A jump asked for and made in the next pass, on a clock that does not wait.
double msToJump(int position) {
    playerJumpTo(position);
    const double start = wallMs();
    playerPass();
    return wallMs() - start;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> positions;
    for (int i = 1; i < argc; ++i) positions.push_back(atoi(argv[i]));
    if (positions.empty()) positions = {1, 8, 16, 24, kLastPlayerPosition};
    if (chdir(DEMO_RUN_DIR) != 0) return 1;
    platformUseHeadlessVideo();
    soundDeviceSelect(SoundBackend::None);
    demoStartUp();
    playerStart();

    PassFigures ahead;
    double lastEnd = 0;
    const double started = wallMs();
    while (!Seek::allPositionsSaved()) measuredPass(&ahead, &lastEnd);
    const double readyMs = wallMs() - started;
    const size_t savedBytes = Seek::savedBytes();

    // As many passes again, further on in the music, without the copy.
    Seek::setWorkAhead(false);
    playerJumpTo(1);
    PassFigures plain;
    lastEnd = 0;
    for (size_t i = 0; i < ahead.workMs.size(); ++i) measuredPass(&plain, &lastEnd);
    Seek::setWorkAhead(true);

    printf("every position start saved after %.1f s of play (%zu passes at 60 a second)\n",
           readyMs / 1000, ahead.workMs.size());
    printf(
        "main thread's work a pass: median %.2f ms, longest %.2f ms, %d passes late "
        "(without the copy ahead: median %.2f ms, longest %.2f ms, %d late)\n",
        median(ahead.workMs), longest(ahead.workMs), ahead.late, median(plain.workMs),
        longest(plain.workMs), plain.late);

    platformUseVirtualClock(platformTicks(), 17);
    for (int position : positions) {
        if (position < 0 || position > kLastPlayerPosition) continue;
        printf("jump to position %2d (frame %5llu): %6.2f ms\n", position,
               static_cast<unsigned long long>(Seek::firstFrameOf(position)), msToJump(position));
    }
    Seek::forgetPositions();
    Seek::setWorkAhead(false);
    printf("jump to position %d before any position start is saved: %.1f ms\n", kLastPlayerPosition,
           msToJump(kLastPlayerPosition));

    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("saved states: %.1f MiB; peak resident memory: %.1f MiB\n",
           double(savedBytes) / (1024 * 1024), double(usage.ru_maxrss) / 1024);
    demoShutDown();
    return 0;
}
