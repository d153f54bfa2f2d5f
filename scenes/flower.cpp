#include "scenes/flower.h"

#include <cstring>

#include "engine3d/camera.h"
#include "fixed/random.h"
#include "fixed/tables.h"
#include "music/pattern_data.h"
#include "scenes/glow_sprite.h"
#include "video/display.h"

namespace {

constexpr int32_t kBeatEvent = 1;
constexpr int32_t kOrbitStep = 500;
constexpr Fixed kOrbitRadius = 0x18000;  // 1.5
constexpr int32_t kSwayStep = 200;
constexpr Fixed kSwayAmplitude = 2000;
constexpr int32_t kQuarterTurn = 0x4000;  // stands the model's z axis up on the screen
constexpr Fixed kFlowerLift = 35000;
constexpr Fixed kVelocityScale = 10000;  // a spark moves velocity * 0.15 an update
constexpr Fixed kGravity = 550;
constexpr int32_t kScrollPerMs = 900;
constexpr int32_t kLastScroll = 0x13F0000;  // 319.0
constexpr int kBackgroundWidth = 640;

}  // namespace

FlowerScene::FlowerScene() {
    flowerImage.reset(loadPicture("data/flower.png", 256, 256, true));
    mesh = std::make_unique<Mesh>("data/flow", flowerImage.get(), flowerImage.get(), 60, 116, 70);
    flareImage.reset(loadPicture("data/flarealpha16.png", 16, 16, true));
    emitter = std::make_unique<ParticleEmitter>(kSparks + 1);
    emitter->texture = flareImage.get();
    for (int i = 0; i < kSparks; ++i) {
        emitter->colours[i] = warmSparkTint(demoRand() % 64);
        emitter->velocities[i] = {0, 0, 0};
        emitter->alive[i] = 0;
        emitter->vertices[i].position = {0, 0, 0};
    }
    // Each spark colour's glow is made at start-up, not in the frame in
    // which a spark of it first shows.
    emitter->tintEveryColour();
    mesh->moveLocal(0, kFlowerLift, 0);
    emitter->moveLocal(0, kFlowerLift, 0);
    backgroundImage.reset(loadPicture("data/kukkatausta.png", kBackgroundWidth, 240, true));
}

void FlowerScene::update(int elapsedMs) {
    if (started == 0) {
        startTime = elapsedMs;
        started = 1;
    }
    placeCamera();

    sway += kSwayStep;
    mesh->rotX = kQuarterTurn;
    mesh->rotY = 0;
    mesh->rotZ = fixedMul(SineTable[sway & 0xFFFF], kSwayAmplitude);
    emitter->rotX = kQuarterTurn;
    emitter->rotY = 0;
    emitter->rotZ = 0;

    moveSparks();
    if (PatternData::instance().eventPassed(kBeatEvent)) emitSparks();

    sharedCamera().update();
    emitter->transform();
    mesh->transform();

    // A clock that ran backwards would otherwise scroll left of the picture.
    const auto sinceStart = static_cast<uint32_t>(elapsedMs - startTime);
    scroll = static_cast<int32_t>(sinceStart * static_cast<uint32_t>(kScrollPerMs));
    if (scroll > kLastScroll) scroll = kLastScroll;
    if (scroll < 0) scroll = 0;
}

// A circle of radius 1.5 about the vertical axis, a turn every 131 updates.
void FlowerScene::placeCamera() {
    orbitAngle = (orbitAngle + kOrbitStep) & 0xFFFF;
    sharedCamera().placeOnOrbit(orbitAngle, kOrbitRadius);
}

// Gravity pulls along the model's z axis, which the quarter turn about x makes
// the screen's vertical. Sparks never die: they fall out of sight.
void FlowerScene::moveSparks() {
    Vertex* vertices = emitter->vertices;
    Vector3* velocities = emitter->velocities;
    const uint8_t* alive = emitter->alive;
    for (int i = 0; i < kSparks; ++i) {
        if (!alive[i]) continue;
        Vector3& p = vertices[i].position;
        Vector3& v = velocities[i];
        p.x = wrapAdd(p.x, fixedMul(v.x, kVelocityScale));
        p.y = wrapAdd(p.y, fixedMul(v.y, kVelocityScale));
        p.z = wrapAdd(p.z, fixedMul(v.z, kVelocityScale));
        v.z = wrapSub(v.z, kGravity);
    }
}

// The next 20 sparks after the cursor, the oldest first, each restarted near
// the flower's heart with an upward kick: six demoRand() calls a spark, in the
// order x, y, z of the position, then x, y, z of the velocity.
void FlowerScene::emitSparks() {
    for (int n = 0; n < kSparksPerBeat; ++n) {
        emitCursor = (emitCursor + 1) % kSparks;
        emitter->alive[emitCursor] = 1;
        Vector3& p = emitter->vertices[emitCursor].position;
        Vector3& v = emitter->velocities[emitCursor];
        p.x = demoRand() % 600 - 300;
        p.y = demoRand() % 600 - 300;
        p.z = demoRand() % 600 - 300;
        v.x = demoRand() % 6000 - 3000;
        v.y = demoRand() % 6000 - 3000;
        v.z = demoRand() % 3000 + 20000;
    }
}

void FlowerScene::render() {
    Display* display = Display::instance();
    drawBackground();
    display->setBand(Display::kWholeScreen);
    display->clearDepth(Display::kFarDepth);
    mesh->drawTextured();
    emitter->render();
}

// The whole screen from the background at its current column.
void FlowerScene::drawBackground() {
    uint16_t* screen = Display::instance()->pixels;
    const uint16_t* source = backgroundImage->pixels + (scroll >> 16);
    for (int y = 0; y < Display::kHeight; ++y) {
        memcpy(screen + y * Display::kWidth, source + y * kBackgroundWidth,
               Display::kWidth * sizeof(uint16_t));
    }
}
