#include "core/scenes.h"

#include "core/timeline.h"
#include "scenes/credits.h"
#include "scenes/flare.h"
#include "scenes/logo_overlay.h"
#include "scenes/particle_field.h"
#include "scenes/title.h"

TitleScene* gTitleScene = nullptr;
ParticleFieldScene* gParticleFieldScene = nullptr;
LogoOverlayScene* gLogoOverlayScene = nullptr;
FlareScene* gFlareScene = nullptr;
CreditsScene* gCreditsScene = nullptr;

// A scene that is not built yet draws nothing while its bit is set, and the
// loading bar still counts its step, so the bar is full when the first frame
// starts.
void constructScenes(void (*progress)()) {
    gTitleScene = new TitleScene();
    progress();  // environment-mapped mesh
    progress();  // flower
    progress();  // greets cube
    progress();
    gParticleFieldScene = new ParticleFieldScene();
    progress();
    gLogoOverlayScene = new LogoOverlayScene();
    progress();
    gFlareScene = new FlareScene();
    progress();
    gCreditsScene = new CreditsScene();  // last: no loading step of its own
}

void updateScenes(int32_t mask, int elapsedMs) {
    if (mask & kSceneLogoOverlay) gLogoOverlayScene->update(elapsedMs);
    if (mask & kSceneFlare) gFlareScene->update(elapsedMs);
    if (mask & kSceneCredits) gCreditsScene->update(elapsedMs);
    if (mask & kSceneParticleField) gParticleFieldScene->update(elapsedMs);
    if (mask & kSceneTitle) gTitleScene->update(elapsedMs);
}

void renderScenes(int32_t mask) {
    if (mask & kSceneLogoOverlay) gLogoOverlayScene->render();
    if (mask & kSceneFlare) gFlareScene->render();
    if (mask & kSceneCredits) gCreditsScene->render();
    if (mask & kSceneParticleField) gParticleFieldScene->render();
    if (mask & kSceneTitle) gTitleScene->render();
}

void destroyScenes() {
    delete gParticleFieldScene;
    gParticleFieldScene = nullptr;
    delete gLogoOverlayScene;
    gLogoOverlayScene = nullptr;
    delete gFlareScene;
    gFlareScene = nullptr;
    delete gCreditsScene;
    gCreditsScene = nullptr;
}
