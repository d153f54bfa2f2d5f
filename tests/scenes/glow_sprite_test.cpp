#include "scenes/glow_sprite.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "fixed/colour.h"
#include "video/display.h"
#include "video/image.h"

namespace {

// The rule as the scenes state it, pixel by pixel.
void addGlowByTheRule(std::vector<uint16_t>& screen, const Image& sprite, bool lowByteGates,
                      int left, int top, uint16_t tint) {
    for (int j = 0; j < 16; ++j) {
        for (int k = 0; k < 16; ++k) {
            const uint16_t f = sprite.pixels[j * 16 + k];
            const int n = (top + j) * 320 + left + k;
            if ((lowByteGates && (f & 0xFF) == 0) || n <= 0 || n >= 76800) continue;
            screen[n] = rgb565AddSat(screen[n], rgb565Scale(tint, 4 * ((f >> 5) & 63)));
        }
    }
}

}  // namespace

TEST(GlowSprite, AddsTintedLightAsTheRuleSaysAndClipsOnlyByIndex) {
    std::mt19937 random(8);
    Image sprite(16, 16);
    for (int i = 0; i < 256; ++i) sprite.pixels[i] = static_cast<uint16_t>(random());
    sprite.pixels[0] = 0xFFFF;   // lit corner, drawn at screen index 0 below
    sprite.pixels[17] = 0x0100;  // green 8, low byte 0: skipped where the low byte gates
    sprite.pixels[18] = 0x0000;

    // Inside; across the right edge (continues on the next row); across the
    // top-left corner (index 0 and above the screen skipped); past the end.
    const int places[][2] = {{100, 100}, {310, 50}, {0, 0}, {-5, -3}, {300, 235}, {3, 230}};
    for (bool gates : {true, false}) {
        GlowSprite glow(sprite, gates);
        std::vector<uint16_t> screen(76800), expected(76800);
        for (uint16_t& p : screen) p = static_cast<uint16_t>(random());
        screen[0] = 0x0000;
        expected = screen;
        for (const auto& place : places) {
            // Dim and saturating tints alike.
            for (uint16_t tint : {uint16_t{0xFFFF}, uint16_t{0xF9C8}, uint16_t{0x0841}}) {
                glow.draw(screen.data(), place[0], place[1], tint);
                addGlowByTheRule(expected, sprite, gates, place[0], place[1], tint);
            }
        }
        ASSERT_EQ(screen, expected) << "lowByteGates " << gates;
        EXPECT_EQ(screen[0], 0x0000);
    }
}
