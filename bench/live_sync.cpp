// live_sync - how closely the desktop player's picture keeps to the music
// when its frames are slow: the live player on SDL's clock, headless and
// silent, with `slowMs` of extra work after every pass (a machine that cannot
// make 60 frames a second).
//
//   build/bench_live_sync [SECONDS [SLOW_MS]]     (default 20 s, 40 ms)
//
// At every picture it compares the frame's music time with the music time
// of SDL's clock as the picture is presented, and prints the median and
// largest gap, how far the median moved from the first two seconds to the
// last two, and the frames shown and skipped. Goal: the gap within a frame
// period plus the frame's own work.
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
#include "video/visible_screen.h"

namespace {

struct Gap {
    uint32_t atTicks;
    int32_t ms;
};
std::vector<Gap> gGaps;

void onPresent(void*, const uint16_t*, int, int, int) {
    if (playerShownFrame() < 0) return;
    gGaps.push_back({platformTicks(), playerShownMusicMs() - playerMusicMs()});
}

void busyFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
    }
}

int32_t median(std::vector<int32_t> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? atoi(argv[1]) : 20;
    const int slowMs = argc > 2 ? atoi(argv[2]) : 40;
    if (chdir(DEMO_RUN_DIR) != 0) return 1;
    platformUseHeadlessVideo();
    soundDeviceSelect(SoundBackend::None);
    demoStartUp();
    playerStart();
    setPresentObserver(onPresent, nullptr);
    const uint32_t start = platformTicks();
    while (platformTicks() - start < uint32_t(seconds) * 1000) {
        if (playerPass()) break;
        busyFor(slowMs);
    }
    setPresentObserver(nullptr, nullptr);
    const uint32_t end = platformTicks();
    std::vector<int32_t> all, first, last;
    int32_t largest = 0;
    for (const Gap& g : gGaps) {
        all.push_back(g.ms);
        largest = std::max(largest, std::abs(g.ms));
        if (g.atTicks - start < 2000) first.push_back(g.ms);
        if (end - g.atTicks < 2000) last.push_back(g.ms);
    }
    printf(
        "desktop player, %d s with %d ms of extra work a pass: gap median %d ms, largest %d ms, "
        "moved %+d ms; %.1f frames/s shown, %llu skipped\n",
        seconds, slowMs, median(all), largest, median(last) - median(first),
        double(gGaps.size()) * 1000 / double(end - start),
        static_cast<unsigned long long>(playerSkippedFrames()));
    demoShutDown();
    return 0;
}
