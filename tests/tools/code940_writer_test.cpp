#include "code940/code940_writer.h"

#include <gtest/gtest.h>

#include "platform/code940/code940_image.h"

namespace {

// Vectors (a branch first), our header with the code length the linker
// writes and length and checksum still zero, and room for a program.
std::vector<uint8_t> rawImage(size_t size, uint32_t codeLength = 1024) {
    std::vector<uint8_t> image(size, 0);
    const uint32_t words[] = {0xEA00000B, CODE940_MAGIC_LOW, CODE940_MAGIC_HIGH, CODE940_VERSION,
                              codeLength};
    const size_t at[] = {0, CODE940_HEADER_OFFSET, CODE940_HEADER_OFFSET + 4,
                         CODE940_HEADER_OFFSET + 8, CODE940_CODE_LENGTH_OFFSET};
    for (int w = 0; w < 5; ++w) {
        for (int i = 0; i < 4; ++i) image[at[w] + i] = uint8_t(words[w] >> (8 * i));
    }
    return image;
}

}  // namespace

TEST(Code940Writer, FillsTheHeaderOnlyOfAnImageThatStartsAtZeroAndEndsBeforeTheControlBlock) {
    std::vector<uint8_t> image = rawImage(4096);
    ASSERT_FALSE(code940ImageRecognised(image.data(), image.size()));
    EXPECT_EQ(finishCode940Image(image), "");
    EXPECT_TRUE(code940ImageRecognised(image.data(), image.size()));
    EXPECT_EQ(code940Word(image.data(), CODE940_LENGTH_OFFSET), 4096u);

    std::vector<uint8_t> largest = rawImage(kCode940Capacity);
    EXPECT_EQ(finishCode940Image(largest), "");
    std::vector<uint8_t> tooLarge = rawImage(kCode940Capacity + 4);
    EXPECT_EQ(finishCode940Image(tooLarge), "ends at 2097156, past the control block at 2097152");
    std::vector<uint8_t> noBranch = rawImage(4096);
    noBranch[3] = 0xE1;
    EXPECT_EQ(finishCode940Image(noBranch), "does not start with a branch at 0");
    std::vector<uint8_t> noHeader = rawImage(4096);
    noHeader[CODE940_HEADER_OFFSET] ^= 1;
    EXPECT_EQ(finishCode940Image(noHeader), "has no header of this version");
    std::vector<uint8_t> tooShort = rawImage(CODE940_HEADER_END - 1);
    EXPECT_EQ(finishCode940Image(tooShort), "too short to hold its header");
    std::vector<uint8_t> codePastItsEnd = rawImage(1000);
    EXPECT_EQ(finishCode940Image(codePastItsEnd), "gives a code length of 1024 for its 1000 bytes");

    // Its data may change as it runs: only the code is checked.
    image[2000] ^= 1;
    EXPECT_TRUE(code940ImageRecognised(image.data(), image.size()));
    image[1000] ^= 1;
    EXPECT_FALSE(code940ImageRecognised(image.data(), image.size()));
}
