// particle_emitter.h - glowing sparks that go through the ordinary mesh
// transform.
//
// A ParticleEmitter is a Mesh without faces whose vertices are the spark
// positions, so Mesh::transform projects them like any vertex (normals
// skipped); the emitter adds each spark's tint, life flag and velocity, and
// draws every living spark whose centre is on the screen and nearer than the
// depth buffer there as the additive glow sprite (glow_sprite.h) made from
// the mesh's 16 x 16 texture, centred on the spark. The depth buffer is only
// read.
#pragma once

#include <cstdint>
#include <vector>

#include "engine3d/mesh.h"
#include "scenes/glow_sprite.h"

class ParticleEmitter : public Mesh {
  public:
    // count sparks, all dead, at the origin, at rest, uncoloured; identity
    // matrix and the loaded meshes' focal length. The per-spark arrays hold
    // count + 5 entries, the projections count.
    explicit ParticleEmitter(int count);
    ~ParticleEmitter();

    // The living sparks as glow sprites; transform() must have run since the
    // positions last changed.
    void render();
    // Tints the sprite in every spark's colour now, rather than as each first
    // shows; after the colours and the texture are set.
    void tintEveryColour();

    template <class State>
    void state(State& s) {
        Mesh::state(s);
        s.buffer(alive, vertexCount);
        s.buffer(velocities, vertexCount);
    }

    uint16_t* colours = nullptr;    // RGB565 tint a spark
    uint8_t* alive = nullptr;       // 1 once emitted, never reset
    Vector3* velocities = nullptr;  // model units an update, before scaling

  private:
    const TintedGlow& tintedGlow(int spark);

    // The texture tinted in each colour drawn so far, and each spark's slot
    // (checked against its colour before use).
    const Image* glowsOf = nullptr;
    std::vector<uint16_t> glowColours;
    std::vector<TintedGlow> tintedGlows;
    std::vector<uint16_t> glowSlots;
};
