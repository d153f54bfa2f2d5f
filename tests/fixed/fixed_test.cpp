#include "fixed/fixed.h"

#include <gtest/gtest.h>

#include <random>

#include "fixed/colour.h"

TEST(FixedMul, RoundsTowardMinusInfinity) {
    EXPECT_EQ(fixedMul(-1, 1), -1);
    EXPECT_EQ(fixedMul(1, 1), 0);
    EXPECT_EQ(fixedMul(0x10000, 123456789), 123456789);
    EXPECT_EQ(fixedMul(0x10000, -7), -7);
    EXPECT_EQ(fixedMul(-0x8000, 3), -2);  // -1.5 in the low bits floors to -2
}

TEST(FixedDiv, TruncatesTowardZero) {
    EXPECT_EQ(fixedDiv(0x10000, 3), 1431655765);  // the reciprocal, (1 << 32) / 3
    EXPECT_EQ(fixedDiv(-1, 0x20000), 0);          // -0.5 of the last bit truncates to 0, not -1
    EXPECT_EQ(fixedDiv(3 * 0x10000, 2 * 0x10000), 0x18000);
}

TEST(Isqrt, FloorsEveryRange) {
    EXPECT_EQ(isqrt(0), 0u);
    EXPECT_EQ(isqrt(1), 1u);
    EXPECT_EQ(isqrt(0xFFFFFFFFu), 65535u);
    EXPECT_EQ(isqrt(0xFFFE0001u), 65535u);
    EXPECT_EQ(isqrt(0xFFFE0000u), 65534u);
    for (uint32_t n = 0; n < 70000; ++n) {
        const uint32_t r = isqrt(n);
        ASSERT_TRUE(r * r <= n && (r + 1) * (r + 1) > n) << n;
    }
}

TEST(FixedAtan2, MatchesTheListedAngles) {
    EXPECT_EQ(fixedAtan2(0, 0), 102942);
    EXPECT_EQ(fixedAtan2(0, 1), 51471);
    EXPECT_EQ(fixedAtan2(0, 100), 1020);
    EXPECT_EQ(fixedAtan2(0, 256), 402);
    EXPECT_EQ(fixedAtan2(0, -1), 154415);
    EXPECT_EQ(fixedAtan2(0, -100), 204867);
    EXPECT_EQ(fixedAtan2(100, 0), 102942);
    EXPECT_EQ(fixedAtan2(-100, 0), -102942);
    EXPECT_EQ(fixedAtan2(100, 100), 51728);
    EXPECT_EQ(fixedAtan2(-100, -100), -154159);
}

TEST(Rgb565, ScaleFloorsAndSaturates) {
    EXPECT_EQ(rgb565Scale(0x7A3D, 127), 0x390E);
    EXPECT_EQ(rgb565Scale(0xFFFF, 256), 0xFFFF);
    EXPECT_EQ(rgb565Scale(0x8410, 512), 0xFFFF);
    EXPECT_EQ(rgb565Scale(0xFFFF, 0), 0x0000);
}

TEST(Rgb565, AddSaturatesPerChannel) {
    EXPECT_EQ(rgb565AddSat(0xFFFF, 0x0821), 0xFFFF);
    EXPECT_EQ(rgb565AddSat(0x0821, 0x0821), 0x1042);
    // Green saturating must not carry into red.
    EXPECT_EQ(rgb565AddSat(0x07E0, 0x0020), 0x07E0);
}

// The two-pixel sum against rgb565AddSat on each half: every value pair of
// every channel of either pixel (the other bits random, so that carries and
// saturations next to it are tried too), then a large random sample.
TEST(Rgb565, AddOnTwoPixelsInAWordEqualsAddingEachPixel) {
    const auto byPixel = [](uint32_t a, uint32_t b) {
        return uint32_t{rgb565AddSat(uint16_t(a), uint16_t(b))} |
               uint32_t{rgb565AddSat(uint16_t(a >> 16), uint16_t(b >> 16))} << 16;
    };
    std::mt19937 random(565);
    struct Channel {
        int shift, bits;
    };
    const Channel channels[] = {{0, 5}, {5, 6}, {11, 5}, {16, 5}, {21, 6}, {27, 5}};
    for (const Channel& c : channels) {
        const uint32_t mask = ((1u << c.bits) - 1) << c.shift;
        for (int background = 0; background < 8; ++background) {
            const uint32_t restA = random() & ~mask, restB = random() & ~mask;
            for (uint32_t x = 0; x < (1u << c.bits); ++x) {
                for (uint32_t y = 0; y < (1u << c.bits); ++y) {
                    const uint32_t a = restA | x << c.shift, b = restB | y << c.shift;
                    ASSERT_EQ(rgb565AddSatPair(a, b), byPixel(a, b)) << std::hex << a << " " << b;
                }
            }
        }
    }
    for (int i = 0; i < (1 << 22); ++i) {
        const uint32_t a = random(), b = random();
        ASSERT_EQ(rgb565AddSatPair(a, b), byPixel(a, b)) << std::hex << a << " " << b;
    }
}

TEST(Rgb565, BlendWeighsSecondColourByXorNot256Minus) {
    EXPECT_EQ(rgb565Blend(0xFD90, 0xFB40, 0), 0xFB40);
    EXPECT_EQ(rgb565Blend(0xFD90, 0xFB40, 128), 0xFFA8);
    EXPECT_EQ(rgb565Blend(0xFD90, 0xFB40, 255), 0xFFEF);
    EXPECT_EQ(rgb565Blend(0xFB40, 0x0000, 252), 0xF320);
    EXPECT_EQ(rgb565Blend(0x1234, 0xFFFF, 256), 0x1234);
}
