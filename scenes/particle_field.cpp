#include "scenes/particle_field.h"

#include <cstring>
#include <utility>

#include "fixed/colour.h"
#include "fixed/random.h"
#include "fixed/tables.h"
#include "music/pattern_data.h"
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

// Zoom steps: 60000/65536 source pixels per destination pixel, starting at
// 13.5 columns and 5.9 rows in, so the picture grows about (160, 70).
constexpr int32_t kZoomStep = 60000;
constexpr int32_t kZoomStartX = 885760;
constexpr int32_t kZoomStartY = 387520;

// 64 destination columns of the zoom from column Base on, every column's
// source column a constant: a straight run of loads and stores, with no table
// to read and no loop to count (in blocks of 64, which every compiler
// unfolds), two columns to a 32-bit store (the first in the low half: rows
// start on a word): half the writes to memory.
typedef uint32_t PixelPair __attribute__((may_alias));
template <int32_t X>
constexpr int32_t zoomSource() {
    return (kZoomStartX + kZoomStep * X) >> 16;
}
template <int32_t Base, size_t... P>
inline void zoomColumns(const uint16_t* source, PixelPair* pairs, std::index_sequence<P...>) {
    ((pairs[Base / 2 + P] = source[zoomSource<Base + 2 * int32_t(P)>()] |
                            uint32_t{source[zoomSource<Base + 2 * int32_t(P) + 1>()]} << 16),
     ...);
}

inline void zoomRow(const uint16_t* source, uint16_t* row) {
    static_assert(ParticleFieldScene::kWidth == 5 * 64);
    constexpr auto block = std::make_index_sequence<32>();
    auto* pairs = reinterpret_cast<PixelPair*>(row);
    zoomColumns<0>(source, pairs, block);
    zoomColumns<64>(source, pairs, block);
    zoomColumns<128>(source, pairs, block);
    zoomColumns<192>(source, pairs, block);
    zoomColumns<256>(source, pairs, block);
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
    if (frameCount & 2) {
        sprinkleNoise(front());
        blurFeedbackPicture(front());
    }
    zoom(front(), back());
    plotParticles(back());
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

// A pixel's channels spread apart so that four pixels can be summed in one
// 32-bit word: red and blue in place, green moved to bits 21..26. Each sum
// has room above its field.
inline uint32_t spread(uint32_t c) {
    return (c & 0xF81F) | ((c & 0x07E0) << 16);
}

// The blurred pixel of four spread neighbours' sum, itself spread. Red and
// blue: the sums >> 2 (at most 31). Green: its sum >> 3 (at most 31) in the
// upper five bits of its field, which spread puts at bits 22..26: the sum's
// bits 24..28, so the same shift by 2 serves all three.
inline uint32_t blurredSpread(uint32_t sum) {
    return (sum >> 2) & 0x07C0F81F;
}

// A spread pixel back in RGB565.
inline uint16_t gathered(uint32_t s) {
    return static_cast<uint16_t>(s | (s >> 16));
}

void blurFeedbackPicture(uint16_t* p) {
    if (!kVectorRegisters) {
        blurFeedbackPictureByRows(p);
        return;
    }
    // Row by row: the right, upper and lower neighbours of a row are summed
    // first (none of them is changed by the row's own pass), then the left
    // neighbour, the pixel just written, is added in order. The pass covers
    // rows 1..138 from index 322 (row 1, column 2) to 44479 (row 138, column 319).
    uint32_t partial[kStride];
    uint32_t left = spread(p[321]);
    for (int y = 1; y <= 138; ++y) {
        uint16_t* row = p + y * kStride;
        for (int x = 0; x < kStride; ++x) {
            partial[x] = spread(row[x + 1]) + spread(row[x - kStride]) + spread(row[x + kStride]);
        }
        for (int x = y == 1 ? 2 : 0; x < kStride; ++x) {
            const uint32_t sum = partial[x] + left;
            left = blurredSpread(sum);
            row[x] = gathered(left);
        }
    }
}

void blurFeedbackPictureByRows(uint16_t* p) {
    // Three rows kept spread: the one above as the pass left it, this one and
    // the one below as they were before it. The row below is spread on the
    // way and becomes the next row's own; each pixel written is spread once,
    // as the next pixel's left neighbour and the next row's upper one.
    uint32_t rows[3][kStride + 1];
    uint32_t* above = rows[0];
    uint32_t* here = rows[1];  // one more entry: column 0 of the row below, right of column 319
    uint32_t* below = rows[2];
    for (int x = 0; x < kStride; ++x) {
        above[x] = spread(p[x]);
        here[x] = spread(p[kStride + x]);
    }
    // The pass starts at row 1, column 2: columns 0 and 1 stay as they are.
    uint32_t left = spread(p[321]);
    for (int y = 1; y <= 138; ++y) {
        uint16_t* row = p + y * kStride;
        const uint16_t* next = row + kStride;
        here[kStride] = spread(next[0]);
        int x = 0;
        if (y == 1) {
            for (; x < 2; ++x) {
                below[x] = spread(next[x]);
                above[x] = here[x];
            }
        }
        // Unrolled: the console's branch back costs two cycles more than
        // falling through, and the steps interleave their loads.
#pragma GCC unroll 4
        for (; x < kStride; ++x) {
            const uint32_t under = spread(next[x]);
            below[x] = under;
            const uint32_t sum = here[x + 1] + above[x] + under + left;
            left = blurredSpread(sum);
            row[x] = gathered(left);
            above[x] = left;
        }
        uint32_t* spent = here;
        here = below;
        below = spent;
    }
}

void ParticleFieldScene::zoom(const uint16_t* from, uint16_t* to) const {
    for (int y = 0; y < kHeight; ++y) {
        const uint16_t* source = from + ((kZoomStartY + kZoomStep * y) >> 16) * kStride;
        uint16_t* row = to + y * kStride;
        zoomRow(source, row);
    }
}

void ParticleFieldScene::plotParticles(uint16_t* picture) const {
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
        uint16_t* core = picture + y * kStride + x;
        *core = rgb565AddSat(*core, kCoreColour);
        core[1] = rgb565AddSat(core[1], kArmColour);
        core[-1] = rgb565AddSat(core[-1], kArmColour);
        core[kStride] = rgb565AddSat(core[kStride], kArmColour);
        core[-kStride] = rgb565AddSat(core[-kStride], kArmColour);
    }
}

void ParticleFieldScene::render() {
    Display* display = Display::instance();
    uint16_t* pixels = display->pixels;
    memcpy(pixels + kScreenRow * Display::kWidth, front(), kPixels * sizeof(uint16_t));

    const PatternData& music = PatternData::instance();
    const int a = openingMargin(music.position(), music.row());
    display->updateTop = a - 1;
    display->updateHeight = 242 - 2 * a;
    drawLetterbox(pixels, a, display->fullUpdate);
}
