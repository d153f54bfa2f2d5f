#include "scenes/title.h"

#include <gtest/gtest.h>

#include "music/pattern_data.h"
#include "scenes/logo_overlay.h"
#include "tests/engine3d/engine_test_support.h"

namespace {

int cellAt(int row, int column) {
    return row * 512 + column;
}

// Sets the music clock so that the latest update passed row `row` of
// `position` (a beat there if the row holds one) or passed nothing.
void passRow(int position, int row) {
    PatternData& music = PatternData::instance();
    music.previousPosition = music.currentPosition = position;
    music.previousRow = row;
    music.currentRow = row + 1;
}
void passNothing() {
    PatternData& music = PatternData::instance();
    music.previousPosition = music.currentPosition;
    music.previousRow = music.currentRow;
}

}  // namespace

// Both background effects look a texture up by distance and angle from the
// table centre; a wrong sign or wrap shows as a torn or mirrored pattern.
TEST(PolarTables, DistanceAndAngleAroundTheCentre) {
    enginetest::engine();
    TitleScene title;
    EXPECT_EQ(title.distanceTable[cellAt(256, 256)], 0);
    EXPECT_EQ(title.distanceTable[cellAt(256, 356)], 100);
    EXPECT_EQ(title.distanceTable[cellAt(0, 0)], 255);  // 362, limited
    EXPECT_EQ(title.distanceTable[cellAt(256, 511)], 255);
    EXPECT_EQ(title.angleTable[cellAt(256, 256)], 63);   // the origin reads as just under 1/4
    EXPECT_EQ(title.angleTable[cellAt(256, 356)], 0);    // +x
    EXPECT_EQ(title.angleTable[cellAt(356, 256)], 63);   // +y, down the screen
    EXPECT_EQ(title.angleTable[cellAt(256, 156)], 127);  // -x
    EXPECT_EQ(title.angleTable[cellAt(156, 256)], 192);  // -y wraps to the upper half

    LogoOverlayScene logo;
    EXPECT_EQ(logo.sampledTexel(cellAt(256, 256)) >> 8, 2);
    EXPECT_EQ(logo.sampledTexel(cellAt(0, 0)) >> 8, 183);
    EXPECT_EQ(logo.sampledTexel(cellAt(256, 356)) >> 8, 52);
    for (int i = 0; i < 512 * 512; ++i) {
        ASSERT_EQ(logo.sampledTexel(i) & 0xFF, title.angleTable[i]) << i;
    }
}

TEST(Title, BeatRestartsTheShakeOnItsFirstFrameOnly) {
    enginetest::engine();
    TitleScene title;
    // A row of the song with a beat (event 1) on it.
    const PatternData& music = PatternData::instance();
    int beatPosition = -1, beatRow = -1;
    for (int p = 4; p < 8 && beatPosition < 0; ++p)
        for (int r = 0; r < 127 && beatPosition < 0; ++r)
            for (int ch = 0; ch < PatternData::kChannels; ++ch)
                if (music.cell(p, ch, r) == 2) beatPosition = p, beatRow = r;
    ASSERT_GE(beatPosition, 0) << "the song has no beat in the title's positions";

    // Amplitude in pixels that each frame's shake uses, and after it: a beat
    // held over two frames restarts once; a new beat restarts even while the
    // shake still runs. With the phase at a quarter turn the negated sine is
    // -1, so the title moves left by the whole amplitude.
    const struct {
        bool beat;
        int used, after;
    } frames[] = {{true, 20, 16}, {true, 16, 12}, {false, 12, 8}, {true, 20, 16}, {false, 16, 12},
                  {false, 12, 8}, {false, 8, 4},  {false, 4, 0},  {false, 0, 0}};
    for (const auto& f : frames) {
        if (f.beat) {
            passRow(beatPosition, beatRow);
        } else {
            passNothing();
        }
        title.shakePhase = 16384;
        title.update(4000);
        EXPECT_EQ(title.shake, -f.used);
        EXPECT_EQ(title.pulse, f.after << 16);
        EXPECT_EQ(title.shakePhase, 16384 + 1000);
    }
}
