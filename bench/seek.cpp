// bench_seek - what a jump of the live player costs, on the generated assets:
// for each target position, the first jump there from the start (every frame
// before it computed off screen) and a jump there again (from the state saved
// at the position's start on the way), in ms; then the memory of the states
// saved by a jump to the last position.
//
// Usage: bench_seek [position ...]   (default: 1 8 16 24 34)
#include "core/seek.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/demo.h"
#include "core/player.h"
#include "platform/present.h"
#include "platform/sound_device.h"

namespace {

double msToJump(uint64_t frame) {
    const auto start = std::chrono::steady_clock::now();
    Seek::runToFrame(frame);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
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
    Seek::rememberStart();

    for (int position : positions) {
        if (position < 0 || position > kLastPlayerPosition) continue;
        const uint64_t frame = Seek::firstFrameOf(position);
        Seek::forgetPositions();
        const double first = msToJump(frame);
        const double again = msToJump(frame);
        printf("position %2d, frame %5llu: first jump %7.1f ms (%.1f us a frame), again %6.2f ms\n",
               position, static_cast<unsigned long long>(frame), first,
               1000.0 * first / double(frame + 1), again);
    }
    Seek::forgetPositions();
    Seek::runToFrame(Seek::firstFrameOf(kLastPlayerPosition));
    printf("states saved by a jump to position %d: %.1f MiB\n", kLastPlayerPosition,
           double(Seek::savedBytes()) / (1024 * 1024));
    demoShutDown();
    return 0;
}
