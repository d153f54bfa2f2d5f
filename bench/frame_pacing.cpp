// frame_pacing - how closely the demo's frame pacing holds 60 frames a second.
//
// Waits for N frames (default 300) of the 60 frames a second schedule with an
// empty frame body on SDL's clock, as the live player waits for each frame,
// and prints the mean period and the spread of single frame periods.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/frame_plan.h"
#include "platform/clock.h"

int main(int argc, char** argv) {
    const int frames = argc > 1 ? atoi(argv[1]) : 300;
    if (frames < 2) return 1;
    using Clock = std::chrono::steady_clock;
    std::vector<double> periods;
    auto last = Clock::now();
    const auto start = last;
    const uint32_t startTicks = platformTicks();
    for (int i = 1; i <= frames; ++i) {
        platformWaitUntil(startTicks + uint32_t(frameTimeMs(uint64_t(i), kPlayerRate)));
        const auto now = Clock::now();
        periods.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    }
    const double total = std::chrono::duration<double, std::milli>(last - start).count();
    std::sort(periods.begin() + 1, periods.end());
    printf("frames %d, mean period %.3f ms (%.2f fps), median %.3f ms, min %.3f ms, max %.3f ms\n",
           frames, total / frames, 1000.0 * frames / total, periods[frames / 2], periods[1],
           periods.back());
    return 0;
}
