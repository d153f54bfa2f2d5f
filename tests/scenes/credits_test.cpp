#include "scenes/credits.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "tests/engine3d/engine_test_support.h"

namespace {

Fixed windowStart(Fixed progress, Fixed centre) {
    return centre - fixedMul(progress, centre);
}

}  // namespace

TEST(Credits, EachCreditHandsOverOnceBetween25And30AndTheLastNever) {
    enginetest::engine();
    CreditsScene scene;
    int t = 1000;
    scene.update(t);
    EXPECT_EQ(scene.credits[0].startTime, 1000);
    EXPECT_EQ(scene.credits[0].progress, 0);  // not drawn in this frame
    EXPECT_TRUE(scene.sparks[1].active);      // spark 1 is released first
    EXPECT_FALSE(scene.sparks[0].active);

    int handOvers = 0;
    for (t += 20; t < 60000; t += 20) {
        const int before = scene.current;
        scene.update(t);
        if (scene.current == before) continue;
        ++handOvers;
        const Credit& old = scene.credits[before];
        EXPECT_GE(old.progress, 0x190001);
        EXPECT_LE(old.progress, 0x1DFFFF);
        // The new credit is drawn at progress 30000 in this very frame, from
        // a window computed for it, not left over.
        const Credit& next = scene.credits[scene.current];
        EXPECT_EQ(next.progress, 30000);
        EXPECT_EQ(next.startTime, t);
        EXPECT_EQ(next.scale, 30000);
        EXPECT_EQ(next.posX, windowStart(30000, 0xA00000));
        EXPECT_EQ(next.posY, windowStart(30000, 0x780000));
        // About 5.4 s each: 2.5 s slow, then 544 per ms up to 25.0.
        EXPECT_NEAR(t - 1000, handOvers * 5400, 100);
        scene.update(t += 20);
        EXPECT_EQ(scene.credits[scene.current].progress, 20 * 32);  // from its own start
    }
    EXPECT_EQ(handOvers, 3);
    EXPECT_EQ(scene.current, 3);
    EXPECT_GT(scene.credits[3].progress, 0x1E0000);
}

TEST(Credits, AStalledFrameStillHandsOver) {
    enginetest::engine();
    CreditsScene scene;
    scene.update(0);
    scene.update(2600);  // progress 83200: the fast phase starts next update
    scene.update(2601);
    scene.update(6100);  // progress jumps from 83232 past 30.0
    EXPECT_GE(scene.credits[0].progress, 0x1E0000);
    EXPECT_EQ(scene.current, 1);
}

// Every screen pixel whose sample point lies inside the picture gets it; all
// others keep the band. Checked pixel by pixel against that rule from magnified
// through full size to the last size drawn, and not at all from 25.0 on.
TEST(Credits, PictureIsSampledOnlyInsideItsBounds) {
    Display* display = enginetest::engine();
    CreditsScene scene;
    Image picture(320, 239), mask(320, 239);
    for (int i = 0; i < picture.count; ++i) {
        picture.pixels[i] = static_cast<uint16_t>(i | 1);  // never the band colour
        mask.pixels[i] = 0xFFFF;
    }
    Credit& c = scene.credits[0];
    c.picture = &picture;
    c.mask = &mask;
    for (Fixed progress : {0, 1, 20000, 65536, 80000, 700001, 1638399, 1638400}) {
        c.progress = c.scale = progress;
        c.posX = windowStart(progress, 0xA00000);
        c.posY = windowStart(progress, 0x780000);
        scene.render();
        const bool drawn = progress >= 1 && progress < 0x190000;
        int mismatches = 0;
        for (int r = 0; r < 240; ++r) {
            const uint32_t v = static_cast<uint32_t>(c.posY + r * progress);
            for (int k = 0; k < 320; ++k) {
                const uint32_t u = static_cast<uint32_t>(c.posX + k * progress);
                const uint16_t shown = display->pixels[r * 320 + k];
                const bool inside = drawn && r < 239 && v < 0xEF0000 && u <= 0x13EFFFF;
                if (inside) {
                    mismatches += shown != picture.pixels[(v >> 16) * 320 + (u >> 16)];
                } else {
                    const bool bar = r < 50 || r > 190;
                    const uint16_t band = r == 50 || r == 190 ? 0x76C0 : bar ? 0x1082 : 0x3028;
                    mismatches += shown != band;
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << "progress " << progress;
    }
}

// A mask lit only in patches, with coverage between 0 and 63: every screen
// pixel blends the sampled picture pixel by its coverage and the others keep
// the band, whatever the zoom, for one mask and then another put in its place.
TEST(Credits, PictureBlendsByItsMaskWhereverItIsLit) {
    Display* display = enginetest::engine();
    CreditsScene scene;
    std::mt19937 random(15);
    Image picture(320, 239), first(320, 239), second(320, 239);
    for (int i = 0; i < picture.count; ++i) picture.pixels[i] = static_cast<uint16_t>(random());
    const auto patches = [&](Image& mask, int rows, int columns) {
        for (int i = 0; i < mask.count; ++i) {
            const int y = i / 320, x = i % 320;
            const bool lit = (y / rows) % 3 == 1 && (x / columns) % 4 == 2;
            mask.pixels[i] = lit ? static_cast<uint16_t>((random() % 64) << 5) : 0;
        }
    };
    patches(first, 7, 11);
    patches(second, 13, 29);
    Credit& c = scene.credits[0];
    c.picture = &picture;
    for (Image* mask : {&first, &second}) {
        c.mask = mask;
        for (Fixed progress : {1, 9000, 30001, 65536, 70000, 333333, 1638399}) {
            c.progress = c.scale = progress;
            c.posX = windowStart(progress, 0xA00000);
            c.posY = windowStart(progress, 0x780000);
            scene.render();
            int mismatches = 0;
            for (int r = 0; r < 240; ++r) {
                const uint32_t v = static_cast<uint32_t>(c.posY + r * progress);
                const bool bar = r < 50 || r > 190;
                const uint16_t band = r == 50 || r == 190 ? 0x76C0 : bar ? 0x1082 : 0x3028;
                for (int k = 0; k < 320; ++k) {
                    const uint32_t u = static_cast<uint32_t>(c.posX + k * progress);
                    uint16_t expected = band;
                    if (r < 239 && v < 0xEF0000 && u <= 0x13EFFFF) {
                        const int src = (v >> 16) * 320 + (u >> 16);
                        const int a = coverageOf(mask->pixels[src]);
                        if (a != 0) expected = blendCoverage(band, picture.pixels[src], a);
                    }
                    mismatches += display->pixels[r * 320 + k] != expected;
                }
            }
            EXPECT_EQ(mismatches, 0) << "progress " << progress;
        }
    }
}
