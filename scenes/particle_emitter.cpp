#include "scenes/particle_emitter.h"

#include <algorithm>

#include "fixed/colour.h"
#include "video/display.h"
#include "video/image.h"

namespace {

constexpr int kWidth = Display::kWidth;
constexpr int kSprite = 16;
constexpr int kSpriteHalf = 8;
// Screen indices a sprite pixel may take. Pixel 0 is outside on purpose: the
// sparks never light the top-left corner.
constexpr int kFirstIndex = 1;
constexpr int kLastIndex = Display::kPixelCount - 1;

// RGB565 spread over 32 bits with a spare bit above each channel: red in
// bits 11-15, blue in 0-4, green moved up to 21-26. A sum of two spread
// colours carries out of a channel into bit 16, 5 or 27 and nowhere else.
constexpr uint32_t kSpreadChannels = 0x07E0F81F;
constexpr uint32_t kSpreadCarries = 0x08010020;

constexpr uint32_t spread(uint16_t c) {
    return (c | (uint32_t{c} << 16)) & kSpreadChannels;
}

// rgb565AddSat(d, t) with t already spread: every channel that carried is
// filled with ones (a carry at bit k becomes bits k-5 .. k-1, and green's
// sixth bit is added), then the channels are folded back into 16 bits.
inline uint16_t addSpreadSaturated(uint16_t d, uint32_t t) {
    const uint32_t sum = spread(d) + t;
    const uint32_t carries = sum & kSpreadCarries;
    const uint32_t saturated = (carries - (carries >> 5)) | ((carries >> 6) & 0x00200000);
    const uint32_t channels = (sum | saturated) & kSpreadChannels;
    return static_cast<uint16_t>(channels | (channels >> 16));
}

// rgb565Scale(tint, 4 g), spread, for every glow level g: each channel
// (X * g) >> 6, which never reaches the channel's maximum, so no clamp is
// needed.
void tintByLevel(uint16_t tint, uint32_t (&table)[64]) {
    const int r = rgb565::red(tint), g = rgb565::green(tint), b = rgb565::blue(tint);
    for (int level = 0; level < 64; ++level) {
        table[level] = spread(rgb565::pack((r * level) >> 6, (g * level) >> 6, (b * level) >> 6));
    }
}

// One run of sprite pixels added to the screen, each through the tint of its
// green level; a level of 0 adds nothing.
void addGlowRun(uint16_t* screen, const uint16_t* sprite, int count, const uint32_t (&tint)[64]) {
    for (int k = 0; k < count; ++k) {
        screen[k] = addSpreadSaturated(screen[k], tint[(sprite[k] >> 5) & 63]);
    }
}

// The sprite centred on (centreX, centreY). Rows are not clipped at the left
// and right edges: a sprite crossing one continues in the neighbouring row,
// as the screen is one run of pixels; only indices outside 1..76799 are left.
void drawGlowSprite(uint16_t* screen, const uint16_t* sprite, int centreX, int centreY,
                    const uint32_t (&tint)[64]) {
    for (int j = 0; j < kSprite; ++j) {
        const int rowStart = (centreY - kSpriteHalf + j) * kWidth + centreX - kSpriteHalf;
        const int first = std::max(0, kFirstIndex - rowStart);
        const int end = std::min(kSprite, kLastIndex + 1 - rowStart);
        if (first >= end) continue;
        addGlowRun(screen + rowStart + first, sprite + j * kSprite + first, end - first, tint);
    }
}

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

void ParticleEmitter::render() {
    const uint16_t* sprite = texture->pixels;
    uint32_t tint[64];
    for (int i = 0; i < vertexCount; ++i) {
        if (!alive[i]) continue;
        const int32_t sx = screenX[i];
        const int32_t sy = screenY[i];
        if (sx < 0 || sx >= kWidth || sy < 0 || sy >= Display::kHeight) continue;
        // Hidden as a whole when its centre is not nearer than what is drawn
        // there, however much of the sprite would fall beside it.
        if (depth[sy * kWidth + sx] <= screenZ[i]) continue;
        tintByLevel(colours[i], tint);
        drawGlowSprite(pixels, sprite, sx, sy, tint);
    }
}
