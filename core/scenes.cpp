#include "core/scenes.h"

#include "core/timeline.h"
#include "scenes/credits.h"
#include "scenes/env_mesh.h"
#include "scenes/flare.h"
#include "scenes/flower.h"
#include "scenes/greets_cube.h"
#include "scenes/logo_overlay.h"
#include "scenes/particle_field.h"
#include "scenes/title.h"

TitleScene* gTitleScene = nullptr;
EnvMeshScene* gEnvMeshScene = nullptr;
FlowerScene* gFlowerScene = nullptr;
GreetsCubeScene* gGreetsCubeScene = nullptr;
ParticleFieldScene* gParticleFieldScene = nullptr;
LogoOverlayScene* gLogoOverlayScene = nullptr;
FlareScene* gFlareScene = nullptr;
CreditsScene* gCreditsScene = nullptr;

namespace {

// A scene whose bit is set but that was never built (a test that drives the
// Timeline alone) draws nothing.
template <class Scene>
void updateIf(int32_t mask, int32_t bit, Scene* scene, int elapsedMs) {
    if ((mask & bit) && scene) scene->update(elapsedMs);
}

template <class Scene>
void renderIf(int32_t mask, int32_t bit, Scene* scene) {
    if ((mask & bit) && scene) scene->render();
}

template <class Scene>
void destroy(Scene*& scene) {
    delete scene;
    scene = nullptr;
}

}  // namespace

void constructScenes(void (*progress)()) {
    gTitleScene = new TitleScene();
    progress();
    gEnvMeshScene = new EnvMeshScene();
    progress();
    gFlowerScene = new FlowerScene();
    progress();
    gGreetsCubeScene = new GreetsCubeScene();
    progress();
    gParticleFieldScene = new ParticleFieldScene();
    progress();
    gLogoOverlayScene = new LogoOverlayScene();
    progress();
    gFlareScene = new FlareScene();
    progress();
    gCreditsScene = new CreditsScene();  // last: no loading step of its own
}

// The mesh scene runs under the particle field's bit, after it, so it draws
// over the field's picture.
void updateScenes(int32_t mask, int elapsedMs) {
    updateIf(mask, kSceneGreetsCube, gGreetsCubeScene, elapsedMs);
    updateIf(mask, kSceneLogoOverlay, gLogoOverlayScene, elapsedMs);
    updateIf(mask, kSceneFlare, gFlareScene, elapsedMs);
    updateIf(mask, kSceneCredits, gCreditsScene, elapsedMs);
    updateIf(mask, kSceneParticleField, gParticleFieldScene, elapsedMs);
    updateIf(mask, kSceneParticleField, gEnvMeshScene, elapsedMs);
    updateIf(mask, kSceneFlower, gFlowerScene, elapsedMs);
    updateIf(mask, kSceneTitle, gTitleScene, elapsedMs);
}

void renderScenes(int32_t mask) {
    renderIf(mask, kSceneGreetsCube, gGreetsCubeScene);
    renderIf(mask, kSceneLogoOverlay, gLogoOverlayScene);
    renderIf(mask, kSceneFlare, gFlareScene);
    renderIf(mask, kSceneCredits, gCreditsScene);
    renderIf(mask, kSceneParticleField, gParticleFieldScene);
    renderIf(mask, kSceneParticleField, gEnvMeshScene);
    renderIf(mask, kSceneFlower, gFlowerScene);
    renderIf(mask, kSceneTitle, gTitleScene);
}

// The title, mesh and flower scenes are left to the end of the process.
void destroyScenes() {
    destroy(gGreetsCubeScene);
    destroy(gParticleFieldScene);
    destroy(gLogoOverlayScene);
    destroy(gFlareScene);
    destroy(gCreditsScene);
}
