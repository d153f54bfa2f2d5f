// bench_seek - what the live player's jumps cost, on the generated assets,
// headless and silent, paced at 60 frames a second on the real clock:
//   1. the time of play until the copy that runs ahead has saved every save
//      point (each position's start and middle), with the main thread's work
//      in each pass (frame, input and the copy's frames: CPU time, so the
//      pacing's waits are left out) beside the same number of passes played
//      without the copy;
//   2. once they are saved: a jump to each position start, the first time and
//      again (median and largest, ms), and to the given positions;
//   3. to any frame: a jump to each of a few hundred frames chosen at random
//      (the same ones every run), median and largest; then, paused, a step of
//      one frame back (",") and one on (".") from as many random frames;
//   4. a jump to the last position before any state is saved (every frame
//      before it computed off screen, as the first jump was before the copy);
//   5. the memory of the saved states against their budget, and the
//      process's peak resident memory.
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
#include <random>
#include <vector>

#include "core/demo.h"
#include "core/player.h"
#include "platform/clock.h"
#include "platform/desktop/controls.h"
#include "platform/input.h"
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

// The time of one pass that makes a jump asked for (or a key's), on a clock
// that does not wait: wall time, and the main thread's CPU time, which a
// busy machine's other work leaves out.
struct Took {
    double wall;
    double cpu;
};
std::vector<Took> gTook;

template <class Ask>
void timeAPass(Ask ask) {
    ask();
    const double wall = wallMs();
    const double cpu = threadCpuMs();
    playerPass();
    gTook.push_back({wallMs() - wall, threadCpuMs() - cpu});
}

void jumpToPosition(int position) {
    timeAPass([position] { playerJumpTo(position); });
}

void jumpToFrame(uint64_t frame) {
    timeAPass([frame] { playerJumpToFrame(frame); });
}

void pressKey(Key key) {
    timeAPass([key] { playerInput({InputEvent::Kind::KeyDown, key}); });
}

// The passes timed since `from`: median and largest, wall and CPU.
void printSpread(const char* what, size_t from) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (size_t i = from; i < gTook.size(); ++i) {
        wall.push_back(gTook[i].wall);
        cpu.push_back(gTook[i].cpu);
    }
    printf("%s: median %.2f ms, largest %.2f ms (CPU: %.2f, %.2f; %zu)\n", what, median(wall),
           longest(wall), median(cpu), longest(cpu), wall.size());
}

uint32_t allTheTime() {
    return UINT32_MAX;
}

// The saved states' memory budget: with the rest of the live demo it stays
// within the 48 MiB of resident memory that bench/run allows it.
constexpr double kSavedStatesBudgetMiB = 24;
constexpr int kRandomFrames = 300;
constexpr int kRandomSteps = 100;

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

    printf("every save point saved after %.1f s of play (%zu passes at 60 a second)\n",
           readyMs / 1000, ahead.workMs.size());
    printf(
        "main thread's work a pass: median %.2f ms, longest %.2f ms, %d passes late "
        "(without the copy ahead: median %.2f ms, longest %.2f ms, %d late)\n",
        median(ahead.workMs), longest(ahead.workMs), ahead.late, median(plain.workMs),
        longest(plain.workMs), plain.late);

    platformUseVirtualClock(platformTicks(), 17);
    for (int position = 0; position <= kLastPlayerPosition; ++position) {
        jumpToPosition(position);
        jumpToPosition(position);
    }
    std::vector<Took> pairs;
    pairs.swap(gTook);
    for (size_t i = 0; i < pairs.size(); i += 2) gTook.push_back(pairs[i]);
    printSpread("jump to a position start, the first time", 0);
    gTook.clear();
    for (size_t i = 1; i < pairs.size(); i += 2) gTook.push_back(pairs[i]);
    printSpread("jump to a position start, again", 0);
    for (int position : positions) {
        if (position < 0 || position > kLastPlayerPosition) continue;
        jumpToPosition(position);
        printf("jump to position %2d (frame %5llu): %6.2f ms\n", position,
               static_cast<unsigned long long>(Seek::firstFrameOf(position)), gTook.back().wall);
    }

    // The same frames every run: a fixed generator, not the demo's.
    std::mt19937_64 random(20261207);
    std::uniform_int_distribution<uint64_t> anyFrame(0, Seek::lastFrame());
    const size_t from = gTook.size();
    for (int i = 0; i < kRandomFrames; ++i) jumpToFrame(anyFrame(random));
    printSpread("jump to any frame", from);

    // A viewer looks at the frame a moment before stepping: the idle time of
    // those passes makes the states a step back starts from (seek.h).
    playerSetPaused(true);
    const auto lookAMoment = [] {
        platformSetScheduledIdle(allTheTime);
        for (int i = 0; i < 8; ++i) playerPass();
        platformSetScheduledIdle(nullptr);
    };
    std::uniform_int_distribution<uint64_t> innerFrame(1, Seek::lastFrame() - 1);
    std::vector<Took> back;
    std::vector<Took> on;
    for (int i = 0; i < kRandomSteps; ++i) {
        jumpToFrame(innerFrame(random));
        lookAMoment();
        pressKey(Key::Comma);
        back.push_back(gTook.back());
        lookAMoment();
        pressKey(Key::Period);
        on.push_back(gTook.back());
    }
    gTook = back;
    printSpread("paused, a step of one frame back", 0);
    gTook = on;
    printSpread("paused, a step of one frame on", 0);
    playerSetPaused(false);
    const size_t allSavedBytes = Seek::savedBytes();

    Seek::forgetPositions();
    Seek::setWorkAhead(false);
    jumpToPosition(kLastPlayerPosition);
    printf("jump to position %d before any position start is saved: %.1f ms\n", kLastPlayerPosition,
           gTook.back().wall);

    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf(
        "saved states: %.1f MiB once every save point is saved, %.1f MiB with the trail and "
        "the jumps' (budget %.0f MiB); peak resident memory: %.1f MiB\n",
        double(savedBytes) / (1024 * 1024), double(allSavedBytes) / (1024 * 1024),
        kSavedStatesBudgetMiB, double(usage.ru_maxrss) / 1024);
    demoShutDown();
    return 0;
}
