#include "scenes/particle_field.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "fixed/colour.h"
#include "fixed/random.h"
#include "fixed/tables.h"
#include "scenes/feedback_picture.h"
#include "tests/engine3d/engine_test_support.h"
#include "tests/scenes/scene_test_support.h"

namespace {

// How many demoRand() calls happened since demoSrand(seed): the position in the
// sequence of the value demoRand() gives next.
int randCallsSince(unsigned seed) {
    const int next = demoRand();
    demoSrand(seed);
    for (int calls = 0; calls < 5000; ++calls) {
        if (demoRand() == next) return calls;
    }
    return -1;
}

// One particle, standing still, whose core lands on picture row y, column 160
// or next to it.
Particle particleOnRow(int y) {
    Particle p = {};
    p.phase[1] = 16384;  // cosine near 0: dx is 0 or -1
    for (int phase = 0; phase < 65536; ++phase) {
        if (((CosineTable[phase] * 40) >> 16) + 120 == y) {
            p.phase[3] = phase;
            return p;
        }
    }
    ADD_FAILURE() << "no phase for row " << y;
    return p;
}

}  // namespace

TEST(ParticleField, NoiseAndBlurOnTwoUpdatesOutOfFourAndTheBuffersTakeTurns) {
    enginetest::engine();
    ParticleFieldScene scene;
    const int expectedCalls[8] = {0, 0, 1200, 1200, 0, 0, 1200, 1200};
    for (int update = 0; update < 8; ++update) {
        demoSrand(100 + update);
        scene.update(0);  // the same time every call: it still advances
        EXPECT_EQ(randCallsSince(100 + update), expectedCalls[update]) << "update " << update;
        EXPECT_EQ(scene.frameCount, update + 1);
        // The first update writes buffers[1], which the render then shows.
        EXPECT_EQ(scene.front(), scene.buffers[(update + 1) & 1]);
    }
    scenetest::clockTo(1, 0);  // the band fully open
    Display::instance()->fullUpdate = false;
    scene.render();  // picture rows 1..139 under the top line
    EXPECT_EQ(memcmp(Display::instance()->pixels + 51 * 320, scene.buffers[0] + 320, 139 * 640), 0);
}

TEST(ParticleField, BlurAveragesTheFourNeighboursAsTheyStand) {
    std::mt19937 random(3);
    std::vector<uint16_t> picture(44800), expected;
    for (uint16_t& p : picture) p = static_cast<uint16_t>(random());
    picture[5000] = picture[5001] = picture[4680] = picture[5320] = 0xFFFF;
    expected = picture;
    for (int i = 322; i <= 44479; ++i) {
        uint16_t* e = expected.data();
        const uint16_t n[4] = {e[i + 1], e[i - 1], e[i - 320], e[i + 320]};
        int r = 0, g = 0, b = 0;
        for (uint16_t c : n) {
            r += rgb565::red(c);
            g += rgb565::green(c);
            b += rgb565::blue(c);
        }
        e[i] = rgb565::pack(std::min(31, r >> 2), std::min(31, g >> 3) << 1, std::min(31, b >> 2));
    }
    std::vector<uint16_t> byRows = picture;
    blurFeedbackPicture(picture.data());
    EXPECT_EQ(picture, expected);
    blurFeedbackPictureByRows(byRows.data());
    EXPECT_EQ(byRows, expected);
}

TEST(ParticleField, ParticleIsDrawnWholeOrNotAtAll) {
    enginetest::engine();
    ParticleFieldScene scene;
    scene.particles = {particleOnRow(138), particleOnRow(139)};
    scene.update(0);  // no noise in update 0; the pictures are black

    const uint16_t* picture = scene.front();
    int lit = 0, core = -1;
    for (int i = 0; i < 44800; ++i) {
        lit += picture[i] != 0;
        if (picture[i] == ParticleFieldScene::kCoreColour) core = i;
    }
    EXPECT_EQ(lit, 5);  // the row-139 particle leaves nothing
    ASSERT_GE(core, 0);
    EXPECT_EQ(core / 320, 138);
    EXPECT_EQ(picture[core + 320], ParticleFieldScene::kArmColour);  // on row 139, the last
}

// The bars outside the band are painted in the frame of a scene change only;
// the lines move with the band as it opens.
TEST(ParticleField, BarsArePaintedOnlyOnAChange) {
    Display* display = enginetest::engine();
    ParticleFieldScene scene;
    auto rowIs = [&](int y, uint16_t colour) {
        for (int x = 0; x < 320; ++x) {
            if (display->pixels[y * 320 + x] != colour) return false;
        }
        return true;
    };
    scenetest::clockTo(0, 40);  // bars 80 rows high
    for (bool change : {false, true}) {
        enginetest::fillScreen(0xF81F);
        display->fullUpdate = change;
        scene.render();
        EXPECT_EQ(display->updateTop, 79);
        EXPECT_EQ(display->updateHeight, 82);
        EXPECT_TRUE(rowIs(0, change ? 0x1082 : 0xF81F));
        EXPECT_TRUE(rowIs(49, change ? 0x1082 : 0xF81F));
        EXPECT_TRUE(rowIs(80, 0x76C0));
        EXPECT_TRUE(rowIs(160, 0x76C0));
        EXPECT_TRUE(rowIs(190, change ? 0x1082 : 0xF81F));
    }
}
