#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace {

using enginetest::face;
using enginetest::fillScreen;
using enginetest::pixelAt;
using enginetest::screenMesh;

constexpr uint16_t kBackground = 0xABCD;

// Columns [from, to) of row y hold `value` and the rest of the row holds the
// background.
void expectRow(int y, int from, int to, uint16_t value) {
    for (int x = 0; x < 320; ++x) {
        const uint16_t expected = (x >= from && x < to) ? value : kBackground;
        ASSERT_EQ(pixelAt(x, y), expected) << "x " << x << " y " << y;
    }
}

int countNotBackground() {
    int n = 0;
    for (int i = 0; i < Display::kPixelCount; ++i)
        n += enginetest::engine()->pixels[i] != kBackground;
    return n;
}

TEST(DrawFlat, CullsByTheSignOfTheScreenCrossProduct) {
    fillScreen(kBackground);
    // (0,0), (10,0), (0,10): cross = +100 faces away.
    auto away = screenMesh({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, {face(0, 1, 2)});
    away->drawFlat(0xFFFF, 0, 0);
    EXPECT_EQ(countNotBackground(), 0);
    // Degenerate (cross = 0) is not drawn either.
    auto flat = screenMesh({{0, 0, 0}, {5, 5, 0}, {10, 10, 0}}, {face(0, 1, 2)});
    flat->drawFlat(0xFFFF, 0, 0);
    EXPECT_EQ(countNotBackground(), 0);
    auto toward = screenMesh({{0, 0, 0}, {0, 10, 0}, {10, 0, 0}}, {face(0, 1, 2)});
    toward->drawFlat(0xFFFF, 0, 0);
    EXPECT_GT(countNotBackground(), 0);
}

TEST(DrawFlat, ShadesByAreaAndCoversTopInclusiveLeftInclusiveRows) {
    fillScreen(kBackground);
    auto mesh = screenMesh({{0, 0, 0}, {0, 10, 0}, {10, 0, 0}}, {face(0, 1, 2)});
    const int32_t depthBefore = enginetest::engine()->depth[0];
    mesh->drawFlat(0x0841, 0, 0);  // R 1, G 2, B 1; area 50 gives G' = 1 only
    for (int k = 0; k < 10; ++k) expectRow(k, 0, 10 - k, 0x0020);
    expectRow(10, 0, 0, 0);
    EXPECT_EQ(countNotBackground(), 55);
    EXPECT_EQ(enginetest::engine()->depth[0], depthBefore);  // no depth write
}

TEST(DrawFlat, AreaOf64KeepsTheColourAndLargerOnesSpillIntoTheNextChannel) {
    fillScreen(kBackground);
    // A right triangle of legs 16 and 8: area 64.
    auto mesh = screenMesh({{0, 0, 0}, {0, 16, 0}, {8, 0, 0}}, {face(0, 1, 2)});
    mesh->drawFlat(0x7BEF, 0, 0);
    EXPECT_EQ(pixelAt(0, 0), 0x7BEF);
    // Area 128 doubles each channel: blue 15 -> 30, green 31 -> 62, red 15 ->
    // 30, no channel past its maximum yet.
    auto twice = screenMesh({{0, 0, 0}, {0, 16, 0}, {16, 0, 0}}, {face(0, 1, 2)});
    twice->drawFlat(0x7BEF, 0, 0);
    EXPECT_EQ(pixelAt(0, 0), (30 << 11) | (62 << 5) | 30);
    // Blue 31 on area 128 gives 62: its bit 5 lands in green.
    twice->drawFlat(0x001F, 0, 0);
    EXPECT_EQ(pixelAt(0, 0), 62);
}

TEST(DrawFlat, SpansOfEveryWidthAreExactAtAnyOffset) {
    // Rows of widths 40 down to 1 exercise every entry into the eight-pixel
    // steps; the offset moves the whole triangle.
    fillScreen(kBackground);
    auto mesh = screenMesh({{0, 0, 0}, {0, 40, 0}, {40, 0, 0}}, {face(0, 1, 2)});
    mesh->drawFlat(0xF800, 3, 7);
    for (int y = 0; y < 7; ++y) expectRow(y, 0, 0, 0);
    const uint16_t shade = pixelAt(3, 7);
    EXPECT_NE(shade, kBackground);
    for (int k = 0; k < 40; ++k) expectRow(7 + k, 3, 3 + 40 - k, shade);
    expectRow(47, 0, 0, 0);
}

TEST(DrawFlat, RowsAndColumnsOffTheScreenAreSkippedWithoutEndingTheFace) {
    fillScreen(kBackground);
    // Top five rows above the screen; the rest must be drawn exactly as if
    // the edges had been stepped through the hidden rows.
    auto mesh = screenMesh({{0, -5, 0}, {0, 15, 0}, {20, -5, 0}}, {face(0, 1, 2)});
    mesh->drawFlat(0xFFFF, 0, 0);
    const uint16_t shade = pixelAt(0, 0);
    for (int y = 0; y < 15; ++y) expectRow(y, 0, 15 - y, shade);
    expectRow(15, 0, 0, 0);
    // Entirely above or left of the screen: nothing, and no wrap into the
    // previous row.
    fillScreen(kBackground);
    auto above = screenMesh({{0, -50, 0}, {0, -30, 0}, {20, -50, 0}}, {face(0, 1, 2)});
    above->drawFlat(0xFFFF, 0, 0);
    auto left = screenMesh({{-40, 10, 0}, {-40, 30, 0}, {-1, 10, 0}}, {face(0, 1, 2)});
    left->drawFlat(0xFFFF, 0, 0);
    auto below = screenMesh({{300, 230, 0}, {300, 260, 0}, {340, 230, 0}}, {face(0, 1, 2)});
    below->drawFlat(0xFFFF, 0, 0);
    for (int y = 0; y < 230; ++y) expectRow(y, 0, 0, 0);
    for (int y = 230; y < 240; ++y) expectRow(y, 300, 320, pixelAt(300, 230));
}

TEST(DrawFlat, AHugeFaceCoversTheScreenAndStaysFrontFacing) {
    // Twice the area is far past what a 32-bit 16.16 cross product holds.
    fillScreen(kBackground);
    auto mesh =
        screenMesh({{-30000, -30000, 0}, {-30000, 31000, 0}, {31000, -30000, 0}}, {face(0, 1, 2)});
    mesh->drawFlat(0, 0, 0);
    EXPECT_EQ(countNotBackground(), Display::kPixelCount);
    auto behind =
        screenMesh({{-30000, -30000, 0}, {31000, -30000, 0}, {-30000, 31000, 0}}, {face(0, 1, 2)});
    fillScreen(kBackground);
    behind->drawFlat(0, 0, 0);
    EXPECT_EQ(countNotBackground(), 0);
}

}  // namespace
