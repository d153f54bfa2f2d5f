// bench_scenes_2d - what each 2D scene costs per frame: one update plus one
// render, played through its section of the running order at 60 frames a
// second of music time (the first frame presents the whole screen, as after a
// scene change). Prints the mean and the slowest frame in nanoseconds.
//
// Usage: bench_scenes_2d [frames] [scene]
//   frames  per scene, from the start of its section (default 1278: four
//           positions, the whole section)
//   scene   particle, title, credits, logo or flare (default: all five)
// Instructions per frame: run it under
//   valgrind --tool=callgrind --toggle-collect='*playSection*' bench_scenes_2d N scene
// and divide the instructions collected by N.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/tables.h"
#include "music/pattern_data.h"
#include "scenes/credits.h"
#include "scenes/flare.h"
#include "scenes/logo_overlay.h"
#include "scenes/particle_field.h"
#include "scenes/title.h"
#include "video/display.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
    double meanNs = 0;
    double slowestNs = 0;
};

int sectionStartMs(int position) {
    return static_cast<int>(position * 128 * 41.6) + 1;
}

template <class Scene>
__attribute__((noinline)) Timing playSection(Scene& scene, int firstPosition, int frames) {
    Display* display = Display::instance();
    PatternData& music = PatternData::instance();
    const int start = sectionStartMs(firstPosition);
    Timing timing;
    double total = 0;
    for (int frame = 0; frame < frames; ++frame) {
        const int ms = start + frame * 50 / 3;
        const auto t0 = Clock::now();
        music.update(ms);
        display->fullUpdate = frame == 0;
        scene.update(ms);
        scene.render();
        const double ns = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        total += ns;
        if (ns > timing.slowestNs) timing.slowestNs = ns;
    }
    timing.meanNs = frames > 0 ? total / frames : 0;
    return timing;
}

template <class Scene>
void run(const char* name, const char* wanted, int firstPosition, int frames) {
    if (wanted != nullptr && strcmp(wanted, name) != 0) return;
    Scene* scene = new Scene();
    const Timing t = playSection(*scene, firstPosition, frames);
    printf("%-9s positions %2d-%2d  ns/frame mean %8.0f  slowest %8.0f\n", name, firstPosition,
           firstPosition + 3, t.meanNs, t.slowestNs);
    delete scene;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (chdir(DEMO_RUN_DIR) != 0) {
        printf("cannot enter %s\n", DEMO_RUN_DIR);
        return 1;
    }
    const int frames = argc > 1 ? atoi(argv[1]) : 1278;
    const char* wanted = argc > 2 ? argv[2] : nullptr;
    buildSineTable(nullptr);
    buildCosineTable();
    Display::instance();
    printf("frames per scene %d\n", frames);
    run<ParticleFieldScene>("particle", wanted, 0, frames);
    run<TitleScene>("title", wanted, 4, frames);
    run<CreditsScene>("credits", wanted, 12, frames);
    run<LogoOverlayScene>("logo", wanted, 16, frames);
    run<FlareScene>("flare", wanted, 28, frames);
    return 0;
}
