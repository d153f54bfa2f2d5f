#include "core/scenes.h"

#include <type_traits>

#include "core/state_copy.h"
#include "scenes/credits.h"
#include "scenes/env_mesh.h"
#include "scenes/flare.h"
#include "scenes/flower.h"
#include "scenes/greets_cube.h"
#include "scenes/logo_overlay.h"
#include "scenes/particle_field.h"
#include "scenes/title.h"

namespace {

enum Lifetime { kReleasedAtShutdown, kLivesToTheEnd };

// The scene table, in the order in which a frame updates and then renders the
// scenes. Step: the place in start-up's construction order, title first.
template <class Visit>
constexpr void forEachScene(Visit&& visit) {
    // clang-format off
    //    instance             bit                  step lifetime
    visit(gGreetsCubeScene,    kSceneGreetsCube,    4,   kReleasedAtShutdown);
    visit(gLogoOverlayScene,   kSceneLogoOverlay,   6,   kReleasedAtShutdown);
    visit(gFlareScene,         kSceneFlare,         7,   kReleasedAtShutdown);
    visit(gCreditsScene,       kSceneCredits,       8,   kReleasedAtShutdown);
    visit(gParticleFieldScene, kSceneParticleField, 5,   kReleasedAtShutdown);
    // Under the particle field's bit and after it, so it draws over the field.
    visit(gEnvMeshScene,       kSceneParticleField, 2,   kLivesToTheEnd);
    visit(gFlowerScene,        kSceneFlower,        3,   kLivesToTheEnd);
    visit(gTitleScene,         kSceneTitle,         1,   kLivesToTheEnd);
    // clang-format on
}

constexpr int sceneCount() {
    int count = 0;
    forEachScene([&](auto*&, int32_t, int, Lifetime) { ++count; });
    return count;
}

// Every step from 1 to the number of scenes, each once: a step outside them
// would leave its scene unbuilt, and the demo silently without it.
constexpr bool stepsArePermutation() {
    bool seen[32] = {};
    bool ok = sceneCount() < 32;
    forEachScene([&](auto*&, int32_t, int step, Lifetime) {
        ok = ok && step >= 1 && step <= sceneCount() && !seen[step];
        if (ok) seen[step] = true;
    });
    return ok;
}
static_assert(stepsArePermutation(), "the construction steps are 1 to the number of scenes, once each");

}  // namespace

void constructScenes(void (*progress)()) {
    const int count = sceneCount();
    for (int step = 1; step <= count; ++step) {
        forEachScene([&](auto*& scene, int32_t, int sceneStep, Lifetime) {
            if (sceneStep == step) scene = new std::remove_reference_t<decltype(*scene)>();
        });
        if (step < count) progress();
    }
}

void updateScenes(int32_t mask, int elapsedMs) {
    forEachScene([&](auto* scene, int32_t bit, int, Lifetime) {
        if ((mask & bit) && scene) scene->update(elapsedMs);
    });
}

void renderScenes(int32_t mask) {
    forEachScene([&](auto* scene, int32_t bit, int, Lifetime) {
        if ((mask & bit) && scene) scene->render();
    });
}

void copySceneStates(StateCopy& s) {
    forEachScene([&](auto* scene, int32_t, int, Lifetime) {
        if (scene) scene->state(s);
    });
}

void destroyScenes() {
    const int count = sceneCount();
    for (int step = 1; step <= count; ++step) {
        forEachScene([&](auto*& scene, int32_t, int sceneStep, Lifetime lifetime) {
            if (sceneStep != step || lifetime != kReleasedAtShutdown) return;
            delete scene;
            scene = nullptr;
        });
    }
}
