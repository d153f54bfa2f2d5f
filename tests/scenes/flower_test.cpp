// The flower scene and its particle emitter: 20 sparks a beat in cursor
// order, the depth test at a spark's centre, and frames of the flower with
// its sparks over the drifting background.
#include "scenes/flower.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "fixed/colour.h"
#include "fixed/random.h"
#include "tests/scenes/scripted_music.h"

namespace {

constexpr int kUnusedSpark = 200;  // never emitted: it stays at the sparks' origin

}  // namespace

// Every beat emits exactly 20 sparks after the cursor, six demoRand() calls each
// (position x, y, z, then velocity): the first beat sparks 1-20, the tenth
// ends with spark 0 (the 200th emitted), the eleventh restarts sparks 1-20.
// Spark 200 is never used; frames without a beat emit nothing.
TEST(FlowerSparks, TwentyABeatInCursorOrderOldestReusedFirst) {
    scenetest::ScriptedMusic music;
    FlowerScene scene;
    const ParticleEmitter& e = *scene.emitter;
    for (int beat = 1; beat <= 11; ++beat) {
        music.event(24, 2 * beat, 1);
        music.frame(24, 2 * beat - 1, 2 * beat);
        scene.update(32 * beat);
        EXPECT_EQ(std::count(e.alive, e.alive + 201, 1), std::min(20 * (beat - 1), 200));
        demoSrand(beat);
        music.frame(24, 2 * beat, 2 * beat + 1);
        scene.update(32 * beat + 16);
        EXPECT_EQ(std::count(e.alive, e.alive + 201, 1), std::min(20 * beat, 200));
        demoSrand(beat);
        for (int n = 1; n <= 20; ++n) {
            const int i = (20 * (beat - 1) + n) % 200;
            const Vector3 &p = e.vertices[i].position, &v = e.velocities[i];
            const int expected[6] = {demoRand() % 600 - 300,   demoRand() % 600 - 300,
                                     demoRand() % 600 - 300,   demoRand() % 6000 - 3000,
                                     demoRand() % 6000 - 3000, demoRand() % 3000 + 20000};
            ASSERT_TRUE(p.x == expected[0] && p.y == expected[1] && p.z == expected[2] &&
                        v.x == expected[3] && v.y == expected[4] && v.z == expected[5])
                << "beat " << beat << ": emission " << n << " should be spark " << i;
        }
    }
    EXPECT_EQ(scene.emitCursor, 20);
    EXPECT_EQ(e.alive[200], 0);
}

// Only the centre is tested against the depth buffer: a spark whose centre is
// not nearer than what is drawn there is hidden whole, one nearer is drawn
// whole, one with its centre off the screen not at all. The screen is one run
// of pixels: a sprite over the left edge continues at the end of the row
// above; at the screen's ends it is cut, and pixel 0 is never lit.
TEST(FlowerSparks, DepthTestAtTheCentreAndSpritesRunOnAcrossRows) {
    Display* display = scenetest::sceneEngine();
    ParticleEmitter emitter(5);
    Image sprite(16, 16);
    for (int i = 0; i < 256; ++i) sprite.pixels[i] = (i == 0 ? 0 : 1 + i % 63) << 5;
    emitter.texture = &sprite;
    auto background = [](int p) { return static_cast<uint16_t>(p * 2654435761u >> 16); };
    for (int p = 0; p < 76800; ++p) display->pixels[p] = background(p);
    display->clearDepth(0x1E0000);
    const int sparks[5][3] = {{60, 60, 0}, {3, 100, 1}, {-1, 150, 0}, {0, 0, 1}, {319, 239, 1}};
    for (int i = 0; i < 5; ++i) {
        emitter.alive[i] = 1;
        emitter.colours[i] = 0xF9E7 + i;
        emitter.screenX[i] = sparks[i][0];
        emitter.screenY[i] = sparks[i][1];
        emitter.screenZ[i] = 0x50000;
    }
    display->depth[60 * 320 + 60] = 0x50000;  // spark 0 hidden by its centre alone
    for (int y = 92; y < 108; ++y) std::fill_n(display->depth + y * 320, 12, 0x10000);
    display->depth[100 * 320 + 3] = 0x50001;  // spark 1 shown over nearer neighbours
    display->noteDepthRows(60, 108);
    emitter.render();

    std::vector<uint16_t> expected(76800);
    for (int p = 0; p < 76800; ++p) expected[p] = background(p);
    for (int i = 0; i < 5; ++i) {
        if (!sparks[i][2]) continue;
        for (int j = 0; j < 16; ++j) {
            for (int k = 0; k < 16; ++k) {
                const int n = (sparks[i][1] - 8 + j) * 320 + sparks[i][0] - 8 + k;
                const int g = (sprite.pixels[j * 16 + k] >> 5) & 63;
                if (n >= 1 && n <= 76799)
                    expected[n] = rgb565AddSat(expected[n], rgb565Scale(emitter.colours[i], 4 * g));
            }
        }
    }
    for (int p = 0; p < 76800; ++p) ASSERT_EQ(display->pixels[p], expected[p]) << p;
}

// On the generated music at 60 frames a second: wherever the flower did not
// draw, the background shows at its column for the time since the first
// update (resting at 319 once 23.2 s have passed: the last shot lies past the
// scene's own positions for that); every pixel the sparks
// changed lies in the sprite of a spark whose centre is in front of the
// flower, and sparks whose centre is behind it leave no trace.
TEST(FlowerFrames, SparksHideBehindTheFlower) {
    Display* display = scenetest::sceneEngine();  // the tables before the scene, as at start-up
    FlowerScene scene;
    ParticleEmitter& e = *scene.emitter;
    int ms = scenetest::msAt(24, 0) - 16;
    PatternData::instance().update(ms);
    const int startMs = ms + 16;
    int hidden = 0, shown = 0;
    for (auto [position, row] :
         {std::pair{24, 1}, {24, 40}, {25, 90}, {26, 64}, {27, 120}, {31, 0}}) {
        scenetest::playTo(scene, ms, position, row);
        scene.render();
        const std::string name = "flower_p" + std::to_string(position) + "_r" + std::to_string(row);
        scenetest::saveFrame(name, display->pixels);
        const std::vector<uint16_t> withSparks(display->pixels, display->pixels + 76800);
        const std::vector<uint8_t> alive(e.alive, e.alive + 201);
        std::fill_n(e.alive, 201, 0);
        scene.render();
        std::copy(alive.begin(), alive.end(), e.alive);

        std::vector<uint8_t> inShownSprite(76800, 0);
        for (int i = 0; i < 201; ++i) {
            const int x = e.screenX[i], y = e.screenY[i];
            if (!e.alive[i] || x < 0 || x > 319 || y < 0 || y > 239) continue;
            const bool front = display->depth[y * 320 + x] > e.screenZ[i];
            (front ? shown : hidden) += 1;
            for (int n = 0; front && n < 256; ++n) {
                const int p = (y - 8 + n / 16) * 320 + x - 8 + n % 16;
                if (p >= 0 && p < 76800) inShownSprite[p] = 1;
            }
        }
        const int column = std::min((ms - startMs) * 900, 0x13F0000) >> 16;
        for (int p = 0; p < 76800; ++p) {
            ASSERT_TRUE(withSparks[p] == display->pixels[p] || inShownSprite[p])
                << name << " " << p;
            const uint16_t under = scene.backgroundImage->pixels[p / 320 * 640 + column + p % 320];
            ASSERT_TRUE(display->depth[p] != 0x1E0000 || display->pixels[p] == under) << name << p;
        }
    }
    EXPECT_EQ(scene.scroll, 0x13F0000);
    EXPECT_TRUE(shown > 0 && hidden > 0) << shown << " shown, " << hidden << " hidden";
}

// The flower as start-up builds it (the tables first: the scene moves the
// flower down through its matrix): at every angle of the orbit and the sway,
// every vertex lands on the screen, the head (the top fifth) in the upper
// half, and the foot where the sparks start below it.
TEST(FlowerFrames, StandsWholeOnTheScreenWithItsHeadHighAtEveryAngle) {
    scenetest::sceneEngine();
    FlowerScene scene;
    const Mesh& flower = *scene.mesh;
    Fixed top = 0;
    for (int i = 0; i < flower.vertexCount; ++i) top = std::max(top, flower.vertices[i].position.z);
    for (int update = 0; update < 700; ++update) {  // five turns of the orbit, two of the sway
        scene.update(16 * update);
        for (int i = 0; i < flower.vertexCount; ++i) {
            const int x = flower.screenX[i], y = flower.screenY[i];
            ASSERT_TRUE(x >= 0 && x < 320 && y >= 0 && y < 240) << "vertex " << i << " " << update;
            if (flower.vertices[i].position.z > top / 5 * 4) {
                ASSERT_LT(y, 120) << i;
            }
        }
        ASSERT_GT(scene.emitter->screenY[kUnusedSpark], 120);
    }
}
