#include "core/scenes.h"

#include "core/timeline.h"
#include "scenes/env_mesh.h"
#include "scenes/flower.h"
#include "scenes/greets_cube.h"

EnvMeshScene* gEnvMeshScene = nullptr;
FlowerScene* gFlowerScene = nullptr;
GreetsCubeScene* gGreetsCubeScene = nullptr;

// The running order selects scenes by these bits; a scene that is not built
// yet draws nothing while its bit is set, and the loading bar still counts its
// step, so the bar is full when the first frame starts.
void constructScenes(void (*progress)()) {
    progress();  // title
    gEnvMeshScene = new EnvMeshScene();
    progress();
    gFlowerScene = new FlowerScene();
    progress();
    gGreetsCubeScene = new GreetsCubeScene();
    progress();
    progress();  // particle field
    progress();  // logo overlay
    progress();  // flare
    // credits comes last, without a step
}

void updateScenes(int32_t mask, int elapsedMs) {
    if ((mask & kSceneGreetsCube) && gGreetsCubeScene) gGreetsCubeScene->update(elapsedMs);
    if (mask & kSceneParticleField) {
        // The mesh scene follows the particle field it draws over.
        if (gEnvMeshScene) gEnvMeshScene->update(elapsedMs);
    }
    if ((mask & kSceneFlower) && gFlowerScene) gFlowerScene->update(elapsedMs);
}

void renderScenes(int32_t mask) {
    if ((mask & kSceneGreetsCube) && gGreetsCubeScene) gGreetsCubeScene->render();
    if (mask & kSceneParticleField) {
        if (gEnvMeshScene) gEnvMeshScene->render();
    }
    if ((mask & kSceneFlower) && gFlowerScene) gFlowerScene->render();
}

// The mesh and flower scenes are left to the end of the process.
void destroyScenes() {
    delete gGreetsCubeScene;
    gGreetsCubeScene = nullptr;
}
