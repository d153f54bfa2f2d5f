// bench_scenes - what one frame of each section of the running order costs:
// the update plus render of the scenes the Timeline runs there, played through
// the section's four positions at 60 frames a second of music time over the
// generated synchronisation table (the first frame repaints the bars, as
// after a scene change). The particle field and the environment-mapped mesh
// run together, as in the demo: the intro logo over the field in positions
// 0-3, the mesh over it in 20-23. Prints the mean and the slowest frame in
// nanoseconds, and the heap allocations made during the frames (there must
// be none).
//
// Usage: bench_scenes [section [frames]]
//   section  intro, title, greets, credits, logo, mesh, flower or flare
//            (default: all, in running order)
//   frames   from the start of the section (default 1278: all of it)
// Instructions a frame, with callgrind:
//   valgrind --tool=callgrind --toggle-collect='*playFrame*' build/bench_scenes flower
// then divide the instructions collected by the frames printed.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "fixed/tables.h"
#include "music/pattern_data.h"
#include "scenes/credits.h"
#include "scenes/env_mesh.h"
#include "scenes/flare.h"
#include "scenes/flower.h"
#include "scenes/greets_cube.h"
#include "scenes/logo_overlay.h"
#include "scenes/particle_field.h"
#include "scenes/title.h"
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

constexpr int kSectionFrames = 1278;  // four positions at 60 frames a second

int msAtPosition(int position) {
    return static_cast<int>(position * PatternData::kRows * PatternData::kMsPerRow) + 1;
}

// One frame as the Timeline runs it: every update, then every render. Kept
// out of line so callgrind can count exactly the frames.
template <typename... Scenes>
__attribute__((noinline)) void playFrame(int ms, Scenes&... scenes) {
    PatternData::instance().update(ms);
    (scenes.update(ms), ...);
    (scenes.render(), ...);
}

template <typename... Scenes>
void playSection(const char* name, int firstPosition, int frames, Scenes&... scenes) {
    using Clock = std::chrono::steady_clock;
    Display* display = Display::instance();
    const int start = msAtPosition(firstPosition);
    PatternData::instance().update(start - 16);
    double totalNs = 0, slowestNs = 0;
    const long allocationsBefore = gAllocations;
    for (int frame = 0; frame < frames; ++frame) {
        display->fullUpdate = frame == 0;
        const auto t0 = Clock::now();
        playFrame(start + frame * 50 / 3, scenes...);
        const double ns = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        totalNs += ns;
        slowestNs = std::max(slowestNs, ns);
    }
    printf("%-7s positions %2d-%2d  frames %4d  mean %8.0f ns  slowest %8.0f ns  allocations %ld\n",
           name, firstPosition, firstPosition + 3, frames, frames > 0 ? totalNs / frames : 0,
           slowestNs, gAllocations - allocationsBefore);
}

// A scene built for the section only, as the demo shows each from its start.
template <typename Scene>
void playAlone(const char* name, int firstPosition, int frames) {
    Scene scene;
    playSection(name, firstPosition, frames, scene);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (chdir(DEMO_RUN_DIR) != 0) {
        printf("cannot enter %s\n", DEMO_RUN_DIR);
        return 1;
    }
    const char* only = argc > 1 ? argv[1] : nullptr;
    const int frames = argc > 2 ? atoi(argv[2]) : kSectionFrames;
    auto wanted = [only](const char* name) { return only == nullptr || strcmp(only, name) == 0; };
    buildSineTable(nullptr);
    buildCosineTable();
    Display::instance();
    PatternData::instance();

    // The field and the mesh scene carry their state from the intro to 20-23.
    ParticleFieldScene field;
    EnvMeshScene envMesh;
    if (wanted("intro")) playSection("intro", 0, frames, field, envMesh);
    if (wanted("title")) playAlone<TitleScene>("title", 4, frames);
    if (wanted("greets")) playAlone<GreetsCubeScene>("greets", 8, frames);
    if (wanted("credits")) playAlone<CreditsScene>("credits", 12, frames);
    if (wanted("logo")) playAlone<LogoOverlayScene>("logo", 16, frames);
    if (wanted("mesh")) playSection("mesh", 20, frames, field, envMesh);
    if (wanted("flower")) playAlone<FlowerScene>("flower", 24, frames);
    if (wanted("flare")) playAlone<FlareScene>("flare", 28, frames);
    return 0;
}
