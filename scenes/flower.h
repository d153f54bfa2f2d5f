// flower.h - a textured flower swaying in front of a drifting meadow while
// the camera circles it; every beat (event 1) throws out 20 glowing sparks
// that rise, fall back and hide where the flower is in front of them.
//
// The background "data/kukkatausta.png" (640 wide) drifts one pixel left
// every 72.8 ms from the scene's first update and stops at offset 319 after
// about 23.2 s. The sparks are a ParticleEmitter of 201 (200 used), reused
// oldest first.
#pragma once

#include <cstdint>
#include <memory>

#include "engine3d/mesh.h"
#include "scenes/particle_emitter.h"
#include "video/image.h"

class FlowerScene {
  public:
    static constexpr int kSparks = 200;
    static constexpr int kSparksPerBeat = 20;

    // Loads the flower with its texture, the glow sprite and the background,
    // and tints the sparks (one demoRand() a spark); a missing or too small file
    // ends the process with "error loading <path>".
    FlowerScene();

    void update(int elapsedMs);
    void render();

    // What update and render change, listed for saving and putting back
    // (core/engine_state.h).
    template <class State>
    void state(State& s) {
        s(sway, scroll, started, startTime, orbitAngle, emitCursor);
        mesh->state(s);
        emitter->state(s);
    }

    std::unique_ptr<Mesh> mesh;
    std::unique_ptr<ParticleEmitter> emitter;
    std::unique_ptr<Image> flareImage;  // 16 x 16 glow, intensity in the green field
    int32_t sway = 0;                   // low 16 bits index the sine table
    int32_t scroll = 0;                 // 16.16 offset into the background, 0 .. 319.0
    int32_t started = 0;
    int32_t startTime = 0;
    std::unique_ptr<Image> flowerImage;
    std::unique_ptr<Image> backgroundImage;
    int32_t orbitAngle = 0;
    int32_t emitCursor = 0;  // the spark emitted last

  private:
    void placeCamera();
    void moveSparks();
    void emitSparks();
    void drawBackground();
};
