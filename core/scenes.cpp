#include "core/scenes.h"

#include "core/timeline.h"

// The running order selects scenes by these bits; a scene that is not built
// yet draws nothing while its bit is set, and the loading bar still counts its
// step, so the bar is full when the first frame starts.
void constructScenes(void (*progress)()) {
    const int kScenesBeforeLast = 7;  // title .. flare; credits comes last, without a step
    for (int i = 0; i < kScenesBeforeLast; ++i) progress();
}

void updateScenes(int32_t mask, int elapsedMs) {
    (void)mask;
    (void)elapsedMs;
}

void renderScenes(int32_t mask) {
    (void)mask;
}

void destroyScenes() {}
