#include "video/image.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>

#include "common/asset_files.h"
#include "fixed/colour.h"

namespace {

std::string writeTestPng(const RgbPicture& picture) {
    char path[] = "/tmp/imagetestXXXXXX.png";
    const int fd = mkstemps(path, 4);
    close(fd);
    EXPECT_TRUE(writePng(path, picture));
    return path;
}

}  // namespace

TEST(Image, LoadsRowsInOrderAtAnyWidth) {
    // Odd widths are padded row by row in the converted surface.
    for (int width : {2, 3, 5, 7}) {
        RgbPicture picture(width, 3);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) picture.set(x, y, x * 8, y * 4, (x + y) * 8);
        }
        const std::string path = writeTestPng(picture);
        Image image(path.c_str());
        EXPECT_EQ(image.count, width * 3);
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, 3);
        EXPECT_EQ(image.x, 0);
        EXPECT_EQ(image.y, 0);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                const int expected = (x << 11) | (y << 5) | (x + y);
                ASSERT_EQ(image.pixels[y * width + x], expected) << width << " " << x << "," << y;
            }
        }
        unlink(path.c_str());
    }
}

TEST(Image, ConversionTruncatesChannelsAndKeepsTheKey) {
    RgbPicture picture(3, 1);
    picture.set(0, 0, 255, 0, 255);
    picture.set(1, 0, 255, 4, 255);
    picture.set(2, 0, 7, 3, 7);
    const std::string path = writeTestPng(picture);
    Image image(path.c_str());
    EXPECT_EQ(image.pixels[0], kColourKey);
    EXPECT_EQ(image.pixels[1], 0xF83F);  // drawn, not the key
    EXPECT_EQ(image.pixels[2], 0x0000);
    unlink(path.c_str());
}

TEST(Image, GreyAlphaMapGivesCoverageFromGreen) {
    RgbPicture picture(3, 1);
    picture.set(0, 0, 128, 128, 128);
    picture.set(1, 0, 255, 255, 255);
    picture.set(2, 0, 0, 0, 0);
    const std::string path = writeTestPng(picture);
    Image alpha(path.c_str());
    EXPECT_EQ(coverageOf(alpha.pixels[0]), 32);
    EXPECT_EQ(coverageOf(alpha.pixels[1]), 63);
    EXPECT_EQ(coverageOf(alpha.pixels[2]), 0);
    // Coverage 32 averages the two colours in every channel.
    EXPECT_EQ(blendCoverage(0x0000, 0xFFFF, coverageOf(alpha.pixels[0])),
              (15 << 11) | (31 << 5) | 15);
    unlink(path.c_str());
}

TEST(Image, BlendWeighsBySixtyFourthsAndCopiesAtFull) {
    EXPECT_EQ(blendCoverage(0x0000, 0xFFFF, 62), 0xF7BE);
    EXPECT_EQ(blendCoverage(0x0000, 0xFFFF, 63), 0xFFFF);
    EXPECT_EQ(blendCoverage(0x1234, 0xFFFF, 0), 0x1234);
    EXPECT_EQ(blendCoverage(0xF800, 0x001F, 16), (23 << 11) | 7);
}

// Against the rule channel by channel, (d * (64 - a) + s * a) >> 6: every
// coverage with every value pair of each channel (the other channels random),
// then a large random sample.
TEST(Image, BlendEqualsTheRuleForEveryChannelAndCoverage) {
    const auto byRule = [](uint16_t d, uint16_t s, int a) {
        if (a == 63) return s;
        if (a == 0) return d;
        const auto mix = [a](int x, int y) { return (x * (64 - a) + y * a) >> 6; };
        return rgb565::pack(mix(rgb565::red(d), rgb565::red(s)),
                            mix(rgb565::green(d), rgb565::green(s)),
                            mix(rgb565::blue(d), rgb565::blue(s)));
    };
    std::mt19937 random(64);
    const int shifts[] = {0, 5, 11}, widths[] = {5, 6, 5};
    for (int c = 0; c < 3; ++c) {
        const uint32_t mask = ((1u << widths[c]) - 1) << shifts[c];
        for (int a = 0; a < 64; ++a) {
            const uint16_t restD = random() & ~mask, restS = random() & ~mask;
            for (uint32_t x = 0; x < (1u << widths[c]); ++x) {
                for (uint32_t y = 0; y < (1u << widths[c]); ++y) {
                    const uint16_t d = restD | x << shifts[c], s = restS | y << shifts[c];
                    ASSERT_EQ(blendCoverage(d, s, a), byRule(d, s, a)) << d << " " << s << " " << a;
                }
            }
        }
    }
    for (int i = 0; i < (1 << 22); ++i) {
        const uint16_t d = random(), s = random();
        const int a = random() % 64;
        ASSERT_EQ(blendCoverage(d, s, a), byRule(d, s, a)) << d << " " << s << " " << a;
    }
}

TEST(Image, BlankImageIsBlack) {
    Image image(3, 2);
    EXPECT_EQ(image.count, 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(image.pixels[i], 0);
}

// The message goes to standard output; the death test reads standard error.
#define STDOUT_TO_STDERR (fflush(stdout), dup2(2, 1))

TEST(Image, MissingOrBrokenFileEndsWithItsName) {
    EXPECT_EXIT((STDOUT_TO_STDERR, Image("/nonexistent/pic.png")), ::testing::ExitedWithCode(1),
                "^error loading /nonexistent/pic.png\n$");
    char path[] = "/tmp/brokenXXXXXX.png";
    const int fd = mkstemps(path, 4);
    ASSERT_EQ(write(fd, "\x89PNG\r\n\x1a\nbroken", 14), 14);
    close(fd);
    EXPECT_EXIT((STDOUT_TO_STDERR, Image{path}), ::testing::ExitedWithCode(1),
                "error loading /tmp/broken");
    unlink(path);
}

TEST(Image, PictureOfAnotherSizeThanItsReaderIsRefusedSayingWhy) {
    const std::string path = writeTestPng(RgbPicture(320, 239));
    delete loadPicture(path.c_str(), 320, 239);
    delete loadPicture(path.c_str(), 320, 200, true);
    EXPECT_EXIT((STDOUT_TO_STDERR, loadPicture(path.c_str(), 320, 240)),
                ::testing::ExitedWithCode(1),
                "^" + path + " is 320×239, the demo needs it at least 320×240\n$");
    EXPECT_EXIT((STDOUT_TO_STDERR, loadPicture(path.c_str(), 256, 10, true)),
                ::testing::ExitedWithCode(1), "needs it 256 pixels wide and at least 10 high");
    const Image same(path.c_str());
    delete loadAlphaMap(path.c_str(), same, "p.png");
    const Image other(2, 2);
    EXPECT_EXIT((STDOUT_TO_STDERR, loadAlphaMap(path.c_str(), other, "p.png")),
                ::testing::ExitedWithCode(1), "needs it the size of p.png, 2×2\n$");
    unlink(path.c_str());
}
