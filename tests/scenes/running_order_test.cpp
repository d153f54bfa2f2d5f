// The whole demo on a stepped clock, start-up to shutdown: every position of
// the running order presents frames that show its scene. Under the sanitizer
// build the same run checks that no scene reads outside a picture, mesh or
// table.
#include <gtest/gtest.h>

#include <bitset>

#include "core/demo.h"
#include "core/scenes.h"
#include "core/timeline.h"
#include "platform/clock.h"
#include "platform/present.h"
#include "scenes/env_mesh.h"
#include "scenes/flower.h"
#include "scenes/greets_cube.h"
#include "tests/scenes/scripted_music.h"

namespace {

struct Tally {
    int frames[36] = {};
    int wrong[36] = {};
    std::bitset<65536> meshColours;  // what the environment-mapped mesh can draw
};

bool full(int top, int height) {
    return top == 0 && height == 240;
}

// The intro logo, where fully covered and not jittered, is the logo itself.
bool showsIntroLogo(const uint16_t* pixels, int row) {
    const EnvMeshScene& scene = *gEnvMeshScene;
    const int margin = PatternData::instance().position() == 0 ? std::max(120 - row, 50) : 50;
    if (scene.glitch) return true;
    for (int y = margin + 1; y < 239 - margin; ++y) {
        for (int i = y * 320 + 15; i <= y * 320 + 309; ++i) {
            if (coverageOf(scene.logoMask->pixels[i]) == 63 &&
                pixels[i] != scene.logoImage->pixels[i])
                return false;
        }
    }
    return true;
}

bool showsScene(Tally& t, const uint16_t* pixels, int top, int height) {
    const int position = PatternData::instance().position();
    int black = 0, meshPixels = 0, background = 0, bandsWrong = 0;
    const int column = gFlowerScene->scroll >> 16;
    for (int p = 0; p < 76800; ++p) {
        black += pixels[p] == 0;
        const bool mesh = t.meshColours.test(pixels[p]);
        meshPixels += mesh;
        if ((p < 50 * 320 || p >= 190 * 320) && pixels[p] != 0x1082 && !mesh) ++bandsWrong;
        background +=
            pixels[p] == gFlowerScene->backgroundImage->pixels[p / 320 * 640 + column + p % 320];
    }
    switch (SceneMask) {
        case kSceneGreetsCube:
            return full(top, height) && black > 76800 / 2;
        case kSceneFlower:
            return full(top, height) && background > 76800 / 3;
        case kSceneParticleField:
            if (position <= 3) return showsIntroLogo(pixels, PatternData::instance().row());
            return full(top, height) && bandsWrong == 0 && meshPixels > 500;
        default:
            return true;  // the 2D scenes and the noise are checked by their own tests
    }
}

void record(void* context, const uint16_t* pixels, int, int top, int height) {
    auto& t = *static_cast<Tally*>(context);
    const int position = PatternData::instance().position();
    if (SceneMask == 1 || position > 35) return;  // the loading screen
    if (t.meshColours.none()) {
        for (int i = 0; i < 65536; ++i) t.meshColours.set(gEnvMeshScene->envImage->pixels[i]);
    }
    // Every frame runs under the sanitizers; every eighth is looked at.
    if (t.frames[position]++ % 8 == 0) t.wrong[position] += !showsScene(t, pixels, top, height);
}

}  // namespace

TEST(RunningOrder, EveryPositionShowsItsScene) {
    Tally tally;
    scenetest::sceneEngine();
    platformSetPresentObserver(record, &tally);
    platformUseSteppedClock(1000, 16);
    EXPECT_EQ(demoMain(), 0);
    platformSetPresentObserver(nullptr, nullptr);

    for (int position = 0; position < 35; ++position) {
        EXPECT_GT(tally.frames[position], 300) << "position " << position;
        EXPECT_EQ(tally.wrong[position], 0) << "position " << position;
    }
    EXPECT_EQ(tally.frames[35], 1);
    EXPECT_TRUE(gGreetsCubeScene == nullptr && gEnvMeshScene != nullptr && gFlowerScene != nullptr);
}
