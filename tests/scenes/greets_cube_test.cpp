// The greets cube wall: the drop, the fly-out, the colour look-ups as the
// text scrolls, and frames of the wall at its grid places.
#include "scenes/greets_cube.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/scenes/scripted_music.h"

// Each cell closes a fifth of its remaining drop a frame and rests at -4 (cell
// 0 after 36 updates, cell 329 after 19); from row 65 of position 11 the wall
// moves 10 pixels left a frame and the drop stands still.
TEST(GreetsCube, DropSettlesAtMinusFourThenWallLeavesFromRow65) {
    scenetest::ScriptedMusic music;
    GreetsCubeScene scene;
    music.frame(11, 64, 64);
    int settled0 = 0, settled329 = 0;
    for (int update = 1; update <= 40; ++update) {
        scene.update(16 * update);
        EXPECT_TRUE(update != 3 || scene.dropY[0] == -3456);
        if (!settled0 && scene.dropY[0] == -4) settled0 = update;
        if (!settled329 && scene.dropY[329] == -4) settled329 = update;
    }
    EXPECT_EQ(settled0, 36);
    EXPECT_EQ(settled329, 19);

    GreetsCubeScene leaving;
    music.frame(11, 63, 64);
    leaving.update(0);
    const std::vector<int32_t> drop(leaving.dropY, leaving.dropY + 330);
    for (int update = 1; update <= 2; ++update) {
        music.frame(11, 64 + update, 65 + update);
        leaving.update(16 * update);
    }
    for (int i = 0; i < 330; ++i) {
        ASSERT_EQ(scene.dropY[i], -4) << i;
        ASSERT_EQ(scene.flyX[i], 0) << i;
        ASSERT_TRUE(leaving.flyX[i] == -20 && leaving.dropY[i] == drop[i]) << i;
    }
}

// Colours are looked up only when the scroll column changes, one update after
// the time that moved it, and wrap around the picture's 512 columns.
TEST(GreetsCube, ColoursFollowTheScrollColumnAndWrapAt512) {
    scenetest::ScriptedMusic music;
    music.frame(9, 0, 0);
    GreetsCubeScene scene;
    uint16_t* greets = scene.greetsImage->pixels;
    for (int i = 0; i < 15 * 512; ++i) greets[i] = i;  // each pixel names itself
    auto showsColumn = [&](int column) {
        for (int i = 0; i < 330; ++i) {
            if (scene.cubeColour[i] != (i / 22) * 512 + ((column + i % 22) & 511)) return false;
        }
        return true;
    };
    scene.update(5000);
    EXPECT_TRUE(showsColumn(0));
    greets[0] = 0xFFFF;  // a look-up now would show it
    scene.update(5030);
    EXPECT_EQ(scene.cubeColour[0], 0);
    greets[0] = 0;
    scene.update(5000 + 32768);  // exactly column 500 of the scroll
    EXPECT_TRUE(showsColumn(0));
    scene.update(5000 + 32800);
    EXPECT_TRUE(showsColumn(500));  // cells 12-21 of each row from columns 0-9
}

// On the generated music at 60 frames a second: every lit pixel lies inside
// the projected bounds of a cube stamped at its cell's place (grid, drop + 6,
// fly-out), and once the wall has settled every cell on screen that the text
// lights (a colour other than black) shows its cube.
TEST(GreetsCubeFrames, CubesStandAtTheirGridPlaces) {
    GreetsCubeScene scene;
    uint16_t* pixels = scenetest::sceneEngine()->pixels;
    int ms = scenetest::msAt(8, 0) - 16;
    const int shots[][3] = {{8, 1, 0}, {8, 12, 0}, {9, 64, 1}, {11, 72, 1}};
    for (const auto& [position, row, settled] : shots) {
        scenetest::playTo(scene, ms, position, row);
        scene.render();
        const std::string name = "greets_p" + std::to_string(position) + "_r" + std::to_string(row);
        scenetest::saveFrame(name, pixels);
        std::vector<uint8_t> covered(76800, 0);
        int colouredCells = 0;
        for (int i = 0; i < 330; ++i) {
            const Mesh& cube = *scene.cubes[i & 15];
            const int dx = scene.gridX[i] + scene.flyX[i], dy = scene.gridY[i] + scene.dropY[i] + 6;
            const auto [left, right] = std::minmax_element(cube.screenX, cube.screenX + 8);
            const auto [top, bottom] = std::minmax_element(cube.screenY, cube.screenY + 8);
            int inside = 0, lit = 0;
            for (int y = std::max(*top + dy, 0); y <= std::min(*bottom + dy, 239); ++y) {
                for (int x = std::max(*left + dx, 0); x <= std::min(*right + dx, 319); ++x) {
                    covered[y * 320 + x] = 1;
                    ++inside;
                    lit += pixels[y * 320 + x] != 0;
                }
            }
            const bool coloured = (scene.cubeColour[i] & 0xFFFF) != 0;
            colouredCells += coloured;
            EXPECT_TRUE(!settled || !coloured || inside == 0 || lit > 0)
                << name << ": no cube in cell " << i;
        }
        int lit = 0;
        for (int p = 0; p < 76800; ++p) {
            lit += pixels[p] != 0;
            ASSERT_TRUE(pixels[p] == 0 || covered[p]) << name << " " << p % 320 << "," << p / 320;
        }
        EXPECT_GT(lit, scene.flyX[0] == 0 && settled ? 10 * colouredCells : -1) << name;
    }
}
