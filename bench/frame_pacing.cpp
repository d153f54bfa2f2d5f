// frame_pacing - how closely the demo's frame pacing holds 60 frames a second.
//
// Runs N paced frames (default 300) with an empty frame body on SDL's clock
// and prints the mean period and the spread of single frame periods.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/clock.h"

int main(int argc, char** argv) {
    const int frames = argc > 1 ? atoi(argv[1]) : 300;
    if (frames < 2 || SDL_Init(SDL_INIT_TIMER) < 0) return 1;
    using Clock = std::chrono::steady_clock;
    std::vector<double> periods;
    auto last = Clock::now();
    const auto start = last;
    for (int i = 0; i < frames; ++i) {
        platformEndFrame();
        const auto now = Clock::now();
        periods.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    }
    const double total = std::chrono::duration<double, std::milli>(last - start).count();
    std::sort(periods.begin() + 1, periods.end());
    printf("frames %d, mean period %.3f ms (%.2f fps), median %.3f ms, min %.3f ms, max %.3f ms\n",
           frames, total / frames, 1000.0 * frames / total, periods[frames / 2], periods[1],
           periods.back());
    SDL_Quit();
    return 0;
}
