#include "scenes/flare.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "fixed/random.h"
#include "scenes/credits.h"
#include "tests/engine3d/engine_test_support.h"
#include "tests/scenes/scene_test_support.h"

TEST(Flare, ScrollFollowsTheMusicRowsAndStopsAtThePictureEdges) {
    enginetest::engine();
    FlareScene scene;
    const int lastTop = scene.picture->height - 240;
    const struct {
        int position, row, scroll;
    } cases[] = {
        {28, 0, 60},
        {28, 1, 61},
        {31, 127, std::min(571, lastTop)},
        {34, 0, lastTop},
        {27, 68, 0},
        // Before the scene's section: never in front of the picture.
        {20, 0, 0},
    };
    for (const auto& c : cases) {
        scenetest::clockTo(c.position, c.row);
        scene.update(scenetest::msAt(c.position, c.row));
        EXPECT_EQ(scene.scrollRow, c.scroll) << c.position << ":" << c.row;
        scene.render();
        EXPECT_EQ(Display::instance()->pixels[0], scene.picture->pixels[c.scroll * 320])
            << "index 0 is never lit by a flare";
    }
}

// Flares and sparks take four demoRand() values each, in a fixed order.
TEST(Flare, FlaresAndSparksDrawTheirRandomNumbersInOrder) {
    enginetest::engine();
    demoSrand(5);
    std::vector<int> r(2001);
    for (int& v : r) v = demoRand();

    demoSrand(5);
    FlareScene flare;
    EXPECT_EQ(demoRand(), r[40 * 4]);
    const int c = r[0] % 128 + 128;
    EXPECT_EQ(flare.flares[0].x, (r[1] % 280 + 20) << 16);
    EXPECT_EQ(flare.flares[0].y, (r[2] % 200 + 20) << 16);
    EXPECT_EQ(flare.flares[0].colour, 0xF800 | ((c >> 2) << 5) | (c >> 4));
    EXPECT_EQ(flare.flares[0].angle, r[3] % 65535);

    demoSrand(5);
    CreditsScene credits;
    EXPECT_EQ(demoRand(), r[500 * 4]);
    const int e = r[0] % 64;
    const Spark& s = credits.sparks[0];
    EXPECT_EQ(s.colour, 0xF800 | (((e + 192) >> 2) << 5) | ((2 * e + 128) >> 3));
    EXPECT_EQ(s.speed, (r[2] % 100 > 50 ? -1 : 1) * (r[1] & 0xFFFF));
    EXPECT_EQ(s.angle, r[3] % 65535);
}
