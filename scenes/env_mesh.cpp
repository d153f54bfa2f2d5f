#include "scenes/env_mesh.h"

#include "engine3d/camera.h"
#include "fixed/random.h"
#include "music/pattern_data.h"
#include "scenes/letterbox.h"
#include "video/display.h"

namespace {

constexpr int kWidth = Display::kWidth;
constexpr int kLastIntroPosition = 3;
constexpr int32_t kBeatEvent = 1;
constexpr int32_t kJitterOnEvent = 11;
constexpr int32_t kJitterOffEvent = PatternData::kCutMarkerCode;

constexpr int32_t kBeatPulse = 30000;
constexpr int32_t kPulseDecay = 10000;
constexpr Fixed kOrbitRadius = 0x18000;  // 1.5
constexpr int32_t kBeatSpin = 10000;
constexpr int32_t kSpinX = 120;
constexpr int32_t kSpinY = 400;

constexpr int kBandRows = 50;  // dark rows above and below the mesh

constexpr int kLogoLeft = 15;  // logo columns 15..309
constexpr int kLogoColumns = 295;

}  // namespace

EnvMeshScene::EnvMeshScene() {
    envImage.reset(loadPicture("data/env.png", 256, 256, true));
    logoImage.reset(loadPicture("data/brisklo-logo-png.png", kWidth, Display::kHeight, true));
    logoMask.reset(
        loadAlphaMap("data/brisklo-logo-png-alpha.png", *logoImage, "data/brisklo-logo-png.png"));
    logoChanged();
    mesh = std::make_unique<Mesh>("data/spid", envImage.get(), envImage.get(), 186, 384, 209);
}

void EnvMeshScene::update(int /*elapsedMs*/) {
    const PatternData& patterns = PatternData::instance();
    if (patterns.position() <= kLastIntroPosition) {
        // Both in one frame: the jitter ends up off.
        if (patterns.eventPassed(kJitterOnEvent)) glitch = 1;
        if (patterns.eventPassed(kJitterOffEvent)) glitch = 0;
        return;
    }
    followBeat();
    placeCameraAndMesh();
}

// A beat starts only on the first update that reports event 1: beatNow must
// fall back to 0 before the next one can start.
void EnvMeshScene::followBeat() {
    beatBefore = beatNow;
    beatNow = PatternData::instance().eventPassed(kBeatEvent) ? 1 : 0;
    if (beatNow != beatBefore && beatNow == 1) {
        beatStarted = 1;
        pulse = kBeatPulse;
    } else {
        beatStarted = 0;
        if (pulse > 0) pulse -= kPulseDecay;
    }
}

void EnvMeshScene::placeCameraAndMesh() {
    Camera& camera = sharedCamera();
    // The pulse pulls the camera in; with the orbit at 0 it stands at (-radius, 0, 0).
    camera.placeOnOrbit(orbitAngle, kOrbitRadius - pulse);
    orbitAngle &= 0xFFFF;

    if (beatStarted == 1) mesh->rotY += kBeatSpin;
    mesh->rotX += kSpinX;
    mesh->rotY += kSpinY;
    mesh->rotZ = 0;
    camera.update();
    mesh->transform();
}

void EnvMeshScene::render() {
    const PatternData& patterns = PatternData::instance();
    if (patterns.position() > kLastIntroPosition) {
        drawMeshFrame();
    } else {
        // The logo band opens with the particle field's.
        blendLogoBand(openingMargin(patterns.position(), patterns.row()));
    }
}

// The particle field keeps rows 50-189 wherever the mesh does not cover them;
// the mesh may also draw over the dark bands, so they are repainted first.
void EnvMeshScene::drawMeshFrame() {
    Display* display = Display::instance();
    display->clearDepth(Display::kFarDepth);
    uint16_t* pixels = display->pixels;
    fillLetterboxBars(pixels, kBandRows);
    mesh->drawTextured();
    display->setBand(Display::kWholeScreen);
}

// Rows margin+1 .. 238-margin of the logo over the screen, each row shifted
// as a whole by -5..+10 pixels (one demoRand() a row) while the jitter is on. The
// logo spans columns 15..309, so a shifted row stays within columns 10..319
// of its own screen row. Coverage 0 leaves the pixel unwritten.
void EnvMeshScene::blendLogoBand(int margin) {
    uint16_t* screen = Display::instance()->pixels;
    for (int y = margin + 1; y < Display::kHeight - 1 - margin; ++y) {
        const int shift = glitch ? (demoRand() & 15) - 5 : 0;
        logoRuns->blendRow(screen + y * kWidth + shift, y);
    }
}

void EnvMeshScene::logoChanged() {
    logoRuns = std::make_unique<CoveredPicture>(*logoImage, *logoMask, 0, Display::kHeight,
                                                kLogoLeft, kLogoLeft + kLogoColumns);
}
