// The environment-mapped mesh scene: the intro band and its jitter, the beat
// pulse, and frames of both modes over a stand-in for the particle field.
#include "scenes/env_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cstdlib>

#include "engine3d/camera.h"
#include "fixed/random.h"
#include "tests/scenes/scripted_music.h"

namespace {

uint16_t* screen() {
    return scenetest::sceneEngine()->pixels;
}

// Where column 15 of the logo landed in screen row y (-100: nowhere), with
// the logo's pixels showing their column + 1 and columns 100-119 uncovered.
int rowShift(int y) {
    const uint16_t* row = screen() + y * 320;
    const int s = int(std::find(row, row + 320, 16) - row) - 15;
    if (s > 10) return -100;
    // The row moved as a whole, and the coverage followed the logo.
    EXPECT_TRUE(row[14 + s] == 0 && row[309 + s] == 310 && row[110 + s] == 0) << y;
    return s;
}

}  // namespace

// The band opens from the middle over position 0 (margin 120 - row, down to
// 50 from row 70). Event 11 switches the jitter on, 254 off, both in one frame
// off; while on, each row shifts by the next (demoRand() & 15) - 5, one call a row.
TEST(EnvMeshIntro, BandOpensAndRowsJitterOnEvents) {
    scenetest::ScriptedMusic music;
    EnvMeshScene scene;
    for (int i = 0; i < 76800; ++i) {
        scene.logoImage->pixels[i] = i % 320 + 1;
        scene.logoMask->pixels[i] = (i % 320 >= 100 && i % 320 < 120) ? 0 : 0x07E0;
    }
    scene.logoChanged();
    const int bands[][3] = {{0, 1, 0}, {2, 119, 120}, {69, 52, 187}, {70, 51, 188}};
    for (const auto& [row, first, last] : bands) {
        music.frame(0, row, row);
        std::fill_n(screen(), 76800, 0);
        scene.render();
        for (int y = 0; y < 240; ++y) ASSERT_EQ(rowShift(y), y >= first && y <= last ? 0 : -100);
    }

    for (auto [row, code, channel] :
         {std::array{10, 11, 0}, {20, 11, 2}, {21, 254, 5}, {30, 11, 0}, {40, 254, 0}})
        music.event(1, row, code, channel);
    const int frames[][3] = {{5, 12, 1}, {12, 22, 0}, {22, 32, 1}, {32, 33, 1}, {33, 41, 0}};
    for (const auto& [from, to, jitter] : frames) {
        music.frame(1, from, to);
        scene.update(0);
        demoSrand(77);
        int shifts[139];
        for (int& s : shifts) s = (demoRand() & 15) - 5;
        demoSrand(77);
        std::fill_n(screen(), 76800, 0);
        scene.render();
        EXPECT_EQ((demoRand() & 15) - 5, shifts[jitter ? 138 : 0]) << "rand calls, frame to " << to;
        for (int y = 51; y <= 188; ++y) ASSERT_EQ(rowShift(y), jitter ? shifts[y - 51] : 0) << to;
    }
}

// A beat starts only on the first mesh-mode update that reports event 1: the
// pulse is 30000, then 10000 less an update down to 0, pulling the camera in
// from (-1.5, 0, 0); the mesh turns 10000 more. Intro frames keep the memory.
TEST(EnvMeshMesh, PulseFollowsBeatStarts) {
    scenetest::ScriptedMusic music;
    for (int row : {0, 1, 5, 7}) music.event(20, row, 1);
    music.event(21, 0, 1);
    EnvMeshScene scene;
    scenetest::sceneEngine();
    const Camera& camera = sharedCamera();
    const int32_t pulses[] = {30000, 20000, 10000, 0, 0, 30000, 20000, 30000};
    int32_t rotY = scene.mesh->rotY;
    for (int k = 0; k < 8; ++k) {
        music.frame(20, k, k + 1);
        scene.update(0);
        const bool start = pulses[k] == 30000;
        EXPECT_EQ(scene.pulse, pulses[k]) << k;
        EXPECT_EQ(scene.beatStarted, start) << k;
        EXPECT_TRUE(camera.posX == pulses[k] - 0x18000 && camera.posZ == 0 && camera.rotY == 49152);
        rotY = (rotY + 400 + (start ? 10000 : 0)) & 0xFFFF;
        EXPECT_EQ(scene.mesh->rotY, rotY) << k;
    }
    music.frame(3, 0, 127);
    scene.update(0);
    music.frame(21, 0, 1);  // beat reported again after frame 7's: no new start
    scene.update(0);
    EXPECT_EQ(scene.pulse, 20000);
}

// On the generated music at 60 frames a second: the intro logo stays inside
// its band; in mesh mode the bands are repainted, the particle field shows in
// rows 50-189 wherever the mesh is not, and the mesh is centred.
TEST(EnvMeshFrames, LogoInItsBandMeshBetweenRepaintedBands) {
    EnvMeshScene scene;
    std::bitset<65536> texels;
    for (int i = 0; i < 65536; ++i) texels.set(scene.envImage->pixels[i]);
    uint16_t field = 0x0841;  // the stand-in for the particle field: no texel colour
    while (texels.test(field)) field += 0x0841;
    int ms = 0;
    const int shots[][3] = {{0, 40, 80}, {2, 64, 50}, {3, 110, 50}, {20, 2, 0}, {21, 64, 0}};
    for (const auto& [position, row, margin] : shots) {
        if (position == 20) PatternData::instance().update(ms = scenetest::msAt(20, 0));
        scenetest::playTo(scene, ms, position, row);
        std::fill_n(screen(), 76800, field);
        scene.render();
        const std::string name = "env_p" + std::to_string(position) + "_r" + std::to_string(row);
        scenetest::saveFrame(name, screen());
        int changed = 0, fieldLeft = 0, left = 320, right = 0, top = 240, bottom = 0;
        for (int y = 0; y < 240; ++y) {
            for (int x = 0; x < 320; ++x) {
                const uint16_t p = screen()[y * 320 + x];
                const bool band = y < 50 || y >= 190;
                fieldLeft += p == field;
                if (p == field || (band && p == 0x1082 && margin == 0)) continue;
                ++changed;
                if (margin > 0) {
                    ASSERT_TRUE(y > margin && y < 239 - margin) << name << " " << x << "," << y;
                } else {
                    ASSERT_TRUE(texels.test(p)) << name << " " << x << "," << y;
                }
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        }
        EXPECT_GT(changed, 2000) << name;
        if (margin == 0) {
            EXPECT_GT(fieldLeft, 140 * 320 / 3) << name;
            EXPECT_TRUE(std::abs((left + right) / 2 - 160) < 50 &&
                        std::abs((top + bottom) / 2 - 120) < 50)
                << name;
        }
    }
}
