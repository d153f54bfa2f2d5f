#include "scenes/particle_field.h"

#include <cstring>

#include "fixed/colour.h"
#include "fixed/random.h"
#include "fixed/tables.h"
#include "music/pattern_data.h"
#include "scenes/feedback_picture.h"
#include "scenes/letterbox.h"
#include "video/display.h"

namespace {

constexpr int kStride = ParticleFieldScene::kWidth;
constexpr int kScreenRow = 50;  // the picture's first row on the screen

// Two demoRand() calls: the low byte of the first, then of the second, above it.
uint32_t random16() {
    const uint32_t low = demoRand() & 0xFF;
    const uint32_t high = demoRand() & 0xFF;
    return low | (high << 8);
}

}  // namespace

void Particle::randomize() {
    for (int32_t& p : phase) p = static_cast<int32_t>(random16());
    for (int32_t& s : speed) s = static_cast<int32_t>(random16() % 400 + 100);
}

ParticleFieldScene::ParticleFieldScene() {
    buffers[0] = new uint16_t[kPixels]();
    buffers[1] = new uint16_t[kPixels]();
    particles.reserve(kParticles);
    for (int i = 0; i < kParticles; ++i) {
        Particle particle;
        particle.randomize();
        particles.push_back(particle);
    }
}

ParticleFieldScene::~ParticleFieldScene() {
    delete[] buffers[0];
    delete[] buffers[1];
}

void ParticleFieldScene::update(int /*elapsedMs: one step per call*/) {
    for (Particle& particle : particles) {
        for (int k = 0; k < 4; ++k) {
            particle.phase[k] = static_cast<int32_t>(static_cast<uint32_t>(particle.phase[k]) +
                                                     static_cast<uint32_t>(particle.speed[k]));
        }
    }
    // The new picture goes onto the screen as the zoom makes it, rather than
    // read back in render: the console's memory takes one pass over it less.
    uint16_t* screen = Display::instance()->pixels + kScreenRow * Display::kWidth;
    FeedbackZoom zoom{front(), back(), screen, 0};
    if (frameCount & 2) {
        sprinkleNoise(front());
        blurAndZoomFeedbackPicture(front(), &zoom);
    } else {
        zoomFeedbackRows(&zoom, kHeight - 1);
    }
    plotParticles(back(), screen);
    firstIsFront = !firstIsFront;
    ++frameCount;
}

void ParticleFieldScene::sprinkleNoise(uint16_t* picture) {
    int index = 0;
    for (int i = 0; i < kNoiseDots; ++i) {
        index = (index + (demoRand() & 0xFFFF)) % kPixels;
        const int v = 128 + (i & 63);
        const uint16_t grey = rgb565::pack(v >> 3, v >> 2, v >> 3);
        picture[index] = rgb565AddSat(picture[index], grey);
    }
}

void ParticleFieldScene::plotParticles(uint16_t* picture, uint16_t* screen) const {
    for (const Particle& particle : particles) {
        const int32_t dx = (CosineTable[particle.phase[1] & 0xFFFF] * 30 +
                            SineTable[particle.phase[0] & 0xFFFF] * 50) >>
                           16;
        const int32_t dy = (CosineTable[particle.phase[3] & 0xFFFF] * 40 +
                            SineTable[particle.phase[2] & 0xFFFF] * 60) >>
                           16;
        // The screen's middle row, not the picture's: particles below picture
        // row 138 are not drawn, so the plus shape always lies inside.
        const int y = dy + 120;
        const int x = dx + 160;
        if (dx < -158 || dx > 158 || y < 2 || y > kHeight - 2) continue;
        const int at = y * kStride + x;
        uint16_t* core = picture + at;
        *core = rgb565AddSat(*core, kCoreColour);
        core[1] = rgb565AddSat(core[1], kArmColour);
        core[-1] = rgb565AddSat(core[-1], kArmColour);
        core[kStride] = rgb565AddSat(core[kStride], kArmColour);
        core[-kStride] = rgb565AddSat(core[-kStride], kArmColour);
        for (const int k : {0, 1, -1, kStride, -kStride}) screen[at + k] = core[k];
    }
}

void ParticleFieldScene::render() {
    // The picture is on the screen already: update put it there.
    Display* display = Display::instance();
    uint16_t* pixels = display->pixels;

    const PatternData& music = PatternData::instance();
    const int a = openingMargin(music.position(), music.row());
    display->updateTop = a - 1;
    display->updateHeight = 242 - 2 * a;
    drawLetterbox(pixels, a, display->fullUpdate);
}
