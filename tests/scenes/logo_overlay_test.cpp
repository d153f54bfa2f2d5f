#include "scenes/logo_overlay.h"

#include <gtest/gtest.h>

#include "fixed/colour.h"
#include "fixed/tables.h"
#include "tests/engine3d/engine_test_support.h"

namespace {

// One flame column as the Part writes it, formula by formula.
void flameColumnByTheRule(uint16_t* column, int e) {
    const int end = std::min(e + 200, 255);
    for (int k = 0; k < e; ++k) {
        column[k * 256] = rgb565Blend(0xFD90, 0xFB40, (65280 - k * (65280 / e)) >> 8);
    }
    for (int k = e; k < end; ++k) {
        const int q = (65280 - (k - e) * (65280 / (end - e))) >> 8;
        const int q2 = (q * q) >> 8;
        column[k * 256] = rgb565Blend(0xFB40, 0x0000, (q2 * q2) >> 8);
    }
    for (int k = end; k < 256; ++k) column[k * 256] = 0;
}

}  // namespace

TEST(LogoOverlay, FlameTextureFollowsTheGradientsAndTheirRipple) {
    enginetest::engine();
    LogoOverlayScene scene;
    std::vector<uint16_t> expected(65536);
    for (int time : {0, 4, 70000, 98765, 120000}) {
        scene.update(time);
        const uint32_t t = static_cast<uint32_t>(time) >> 2;
        const int amp = 127 + ((63 * CosineTable[(200 * t) & 0xFFFF]) >> 16);
        for (int i = 0; i < 256; ++i) {
            const int diff =
                SineTable[(743 * t + 2150 * i + (SineTable[(500 * t) & 0xFFFF] >> 6)) & 0xFFFF] -
                CosineTable[(400 * i - 143 * t) & 0xFFFF];
            const int e = ((std::abs((100 * diff) >> 18) * amp) >> 8) + 32;
            ASSERT_GE(e, 32);
            ASSERT_LE(e, 69);
            flameColumnByTheRule(&expected[i], e);
        }
        // The rows the discs sample.
        for (int row = 2; row < LogoOverlayScene::kSampledRows; ++row) {
            for (int column = 0; column < 256; ++column) {
                ASSERT_EQ(scene.texel(row, column), expected[row * 256 + column])
                    << "time " << time << " row " << row << " column " << column;
            }
        }
    }
}

TEST(LogoOverlay, LogoCoversTheLeftHalfOnlyAndBarsComeWithAChange) {
    Display* display = enginetest::engine();
    LogoOverlayScene scene;
    for (int i = 0; i < 76800; ++i) {
        scene.logo->pixels[i] = 0x001F;
        scene.logoAlpha->pixels[i] = 0xFFFF;  // coverage 63 everywhere
    }
    scene.logoChanged();
    scene.update(80000);
    for (bool change : {false, true}) {
        enginetest::fillScreen(0xF81F);
        display->fullUpdate = change;
        scene.render();
        EXPECT_EQ(display->updateTop, 48);
        EXPECT_EQ(display->updateHeight, 192);
        for (int y = 0; y < 240; ++y) {
            const uint16_t right = enginetest::pixelAt(200, y);
            EXPECT_EQ(enginetest::pixelAt(0, y), 0x001F) << y;
            EXPECT_EQ(enginetest::pixelAt(159, y), 0x001F) << y;
            if (y == 50 || y == 190) {
                EXPECT_EQ(right, 0x76C0) << y;
            } else if (y < 50 || y > 190) {
                EXPECT_EQ(right, change ? 0x1082 : 0xF81F) << y;
            } else {
                EXPECT_NE(right, 0xF81F) << y;
            }
        }
    }
}
