#include "scenes/particle_emitter.h"

#include "scenes/glow_sprite.h"
#include "video/display.h"

namespace {

constexpr int kWidth = Display::kWidth;
constexpr int kSpriteHalf = GlowSprite::kSize / 2;

}  // namespace

ParticleEmitter::ParticleEmitter(int count) {
    vertexCount = count;
    alive = new uint8_t[count + 5]();
    colours = new uint16_t[count + 5]();
    vertices = new Vertex[count + 5]();
    velocities = new Vector3[count + 5]();
    screenX = new int32_t[count]();
    screenY = new int32_t[count]();
    screenZ = new Fixed[count]();
    skipNormals = 1;
    matrix.setIdentity();
    focal = 0xFA0000;  // 250.0, as a loaded mesh
}

// The Mesh releases the vertices and projections.
ParticleEmitter::~ParticleEmitter() {
    delete[] alive;
    delete[] colours;
    delete[] velocities;
}

// Every sprite pixel is drawn by its green field alone, whatever its low
// byte; a level of 0 adds nothing. Each distinct colour is tinted once, when a
// spark of that colour is first drawn with this texture.
const TintedGlow& ParticleEmitter::tintedGlow(int spark) {
    if (glowsOf != texture) {
        glowColours.clear();
        tintedGlows.clear();
        glowSlots.assign(vertexCount, 0);
        glowsOf = texture;
    }
    const uint16_t colour = colours[spark];
    uint16_t& slot = glowSlots[spark];
    if (slot < glowColours.size() && glowColours[slot] == colour) return tintedGlows[slot];
    slot = 0;
    while (slot < glowColours.size() && glowColours[slot] != colour) ++slot;
    if (slot == glowColours.size()) {
        glowColours.push_back(colour);
        tintedGlows.emplace_back();
        GlowSprite(*texture, false).tint(colour, &tintedGlows.back());
    }
    return tintedGlows[slot];
}

void ParticleEmitter::tintEveryColour() {
    for (int i = 0; i < vertexCount; ++i) tintedGlow(i);
}

void ParticleEmitter::render() {
    for (int i = 0; i < vertexCount; ++i) {
        if (!alive[i]) continue;
        const int32_t sx = screenX[i];
        const int32_t sy = screenY[i];
        if (sx < 0 || sx >= kWidth || sy < 0 || sy >= Display::kHeight) continue;
        // Hidden as a whole when its centre is not nearer than what is drawn
        // there, however much of the sprite would fall beside it.
        if (depth[sy * kWidth + sx] <= screenZ[i]) continue;
        GlowSprite::drawTinted(pixels, sx - kSpriteHalf, sy - kSpriteHalf, tintedGlow(i));
    }
}
