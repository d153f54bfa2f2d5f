// bench_scenes_3d - what one frame (update plus render) of each 3D scene
// costs: the intro logo band (positions 0-3, jitter as the music switches it),
// the environment-mapped mesh (20-23), the greets wall (8-11) and the flower
// with its sparks (24-27). Each section is played on its own at 60 frames a
// second of music time over the generated synchronisation table, so the
// drop, the fly-out and up to 200 sparks are all in the average. Prints the
// mean and the slowest frame in nanoseconds, and the heap allocations made
// during frames (there must be none). The particle field the intro and the
// mesh draw over is not included.
//
// Usage: bench_scenes_3d [section]   section: intro, mesh, greets, flower
// (default all). Instructions a frame, with callgrind:
//   valgrind --tool=callgrind --toggle-collect='playFrame*' build/bench_scenes_3d flower
// then divide the reported Ir by the frames printed.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/tables.h"
#include "music/pattern_data.h"
#include "scenes/env_mesh.h"
#include "scenes/flower.h"
#include "scenes/greets_cube.h"
#include "video/display.h"

namespace {

long gAllocations = 0;

}  // namespace

void* operator new(size_t size) {
    ++gAllocations;
    if (void* p = malloc(size > 0 ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    free(p);
}
void operator delete[](void* p) noexcept {
    free(p);
}
void operator delete(void* p, size_t) noexcept {
    free(p);
}
void operator delete[](void* p, size_t) noexcept {
    free(p);
}

namespace {

constexpr int kFrameMs = 16;

struct Section {
    const char* name;
    int firstPosition;  // four positions from here
};

constexpr Section kSections[] = {{"intro", 0}, {"mesh", 20}, {"greets", 8}, {"flower", 24}};

int msAtPosition(int position) {
    return static_cast<int>(position * 128 * 41.6) + 1;
}

// Kept out of line so callgrind can count exactly the frames.
template <typename Scene>
__attribute__((noinline)) void playFrame(Scene& scene, int ms) {
    PatternData::instance().update(ms);
    scene.update(ms);
    scene.render();
}

template <typename Scene>
void runSection(const Section& section, Scene& scene) {
    using Clock = std::chrono::steady_clock;
    const int start = msAtPosition(section.firstPosition);
    const int end = msAtPosition(section.firstPosition + 4);
    PatternData::instance().update(start - kFrameMs);
    double totalNs = 0, slowestNs = 0;
    int frames = 0;
    const long allocationsBefore = gAllocations;
    for (int ms = start; ms < end; ms += kFrameMs) {
        const auto t0 = Clock::now();
        playFrame(scene, ms);
        const double ns = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        totalNs += ns;
        slowestNs = std::max(slowestNs, ns);
        ++frames;
    }
    printf("%-7s positions %2d-%2d  frames %4d  mean %8.0f ns  slowest %8.0f ns  allocations %ld\n",
           section.name, section.firstPosition, section.firstPosition + 3, frames, totalNs / frames,
           slowestNs, gAllocations - allocationsBefore);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (chdir(DEMO_RUN_DIR) != 0) {
        printf("cannot enter %s\n", DEMO_RUN_DIR);
        return 1;
    }
    const char* only = argc > 1 ? argv[1] : nullptr;
    buildSineTable(nullptr);
    buildCosineTable();
    Display::instance();
    PatternData::instance();

    for (const Section& section : kSections) {
        if (only != nullptr && strcmp(only, section.name) != 0) continue;
        // A fresh scene a section, as the demo shows each from its start.
        if (section.firstPosition == 8) {
            GreetsCubeScene scene;
            runSection(section, scene);
        } else if (section.firstPosition == 24) {
            FlowerScene scene;
            runSection(section, scene);
        } else {
            EnvMeshScene scene;
            runSection(section, scene);
        }
    }
    return 0;
}
