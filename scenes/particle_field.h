// particle_field.h - the opening feedback effect: glowing particles whose
// trails stream outward in a letterboxed band.
//
// Two 320 x 140 pictures take turns: every update the front picture is
// enlarged about its centre into the back one (nearest neighbour, 65536/60000
// per update), the 30 particles are plotted into it, and the two swap. On two
// updates out of four the front picture first gets 1200 grey noise dots and a
// blur. The effect advances one step per update, whatever the time. The
// picture is shown at screen rows 50..189 between two green lines; in the
// first position of the song the band opens from the middle of the screen.
// Update leaves the new picture in those rows as it makes it (the scenes
// that draw over it render after the field), render adds the band.
#pragma once

#include <cstdint>
#include <vector>

struct Particle {
    int32_t phase[4];  // low 16 bits index the sine and cosine tables
    int32_t speed[4];  // added to the matching phase every update, 100..499
    // Fresh random phases, then speeds: eight 16-bit values of two demoRand() each.
    void randomize();
};

class ParticleFieldScene {
  public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 140;
    static constexpr int kPixels = kWidth * kHeight;
    static constexpr int kParticles = 30;
    static constexpr int kNoiseDots = 1200;
    static constexpr uint16_t kCoreColour = 0x7A3D;
    static constexpr uint16_t kArmColour = 0x390E;  // rgb565Scale(kCoreColour, 127)

    ParticleFieldScene();
    ~ParticleFieldScene();
    ParticleFieldScene(const ParticleFieldScene&) = delete;
    ParticleFieldScene& operator=(const ParticleFieldScene&) = delete;

    void update(int elapsedMs);
    void render();

    // What update and render change, listed for saving and putting back
    // (core/engine_state.h).
    template <class State>
    void state(State& s) {
        s.buffer(buffers[0], kPixels);
        s.buffer(buffers[1], kPixels);
        s(firstIsFront, frameCount);
        s.buffer(particles.data(), particles.size());
    }

    uint16_t* front() const { return buffers[firstIsFront ? 0 : 1]; }
    uint16_t* back() const { return buffers[firstIsFront ? 1 : 0]; }

    uint16_t* buffers[2];
    bool firstIsFront = true;
    int32_t frameCount = 0;
    std::vector<Particle> particles;

  private:
    void sprinkleNoise(uint16_t* picture);
    // Into the picture, and each pixel it changes onto the screen's band too.
    void plotParticles(uint16_t* picture, uint16_t* screen) const;
};
