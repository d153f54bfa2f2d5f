#include "scenes/glow_sprite.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "fixed/colour.h"
#include "video/display.h"
#include "video/image.h"

namespace {

// The rule as the scenes state it, pixel by pixel, on the pixels whose index
// lies in [first, end).
void addGlowByTheRule(std::vector<uint16_t>& screen, const Image& sprite, bool lowByteGates,
                      int left, int top, uint16_t tint, int first = 1, int end = 76800) {
    for (int j = 0; j < 16; ++j) {
        for (int k = 0; k < 16; ++k) {
            const uint16_t f = sprite.pixels[j * 16 + k];
            const int n = (top + j) * 320 + left + k;
            if ((lowByteGates && (f & 0xFF) == 0) || n < first || n >= end) continue;
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

// Both ways of adding a tinted sprite (the vector one where the host has it,
// the two-pixels-a-word one of the console) against the rule restricted to a
// window of indices: whole rows and rows cut by the window's edges, sprites
// on even and odd indices, across the screen's edges, and on a screen that is
// not word-aligned.
TEST(GlowSprite, EachWayAddsExactlyTheRuleInsideAWindow) {
    std::mt19937 random(23);
    Image sprite(16, 16);
    for (int j = 0; j < 16; ++j) {
        for (int k = 0; k < 16; ++k) {
            // A lit disc with dim edges, and some random pixels outside it.
            const int d = (2 * j - 15) * (2 * j - 15) + (2 * k - 15) * (2 * k - 15);
            sprite.pixels[j * 16 + k] = d < 200             ? static_cast<uint16_t>(random() | 0x1F)
                                        : random() % 4 == 0 ? static_cast<uint16_t>(random())
                                                            : 0;
        }
    }
    const int windows[][2] = {{1, 76800}, {51 * 320, 190 * 320}, {16005, 60803}};
    std::vector<std::pair<int, int>> places = {{100, 100}, {101, 57}, {310, 40}, {-5, -3},
                                               {300, 235}, {-9, 183}, {3, 182},  {150, 45}};
    // And every column offset around each window edge, from two sprite rows.
    for (int edge : {1, 16005, 16320, 60800, 60803, 76800}) {
        for (int k = -2; k < 18; ++k) {
            for (int j : {int(random() % 16), int(random() % 16)}) {
                const int base = edge - k - j * 320;
                places.emplace_back(((base % 320) + 320) % 320,
                                    (base - ((base % 320) + 320) % 320) / 320);
            }
        }
    }
    for (bool gates : {true, false}) {
        GlowSprite glow(sprite, gates);
        for (bool byWords : {false, true}) {
            for (int offset : {0, 1}) {
                std::vector<uint16_t> storage(76801);
                uint16_t* screen = storage.data() + offset;
                for (int n = 0; n < 76800; ++n) screen[n] = static_cast<uint16_t>(random());
                std::vector<uint16_t> expected(screen, screen + 76800);
                for (const auto& window : windows) {
                    for (const auto& [left, top] : places) {
                        for (uint16_t tint :
                             {uint16_t{0xFFFF}, uint16_t{0xF9C8}, uint16_t{0x0841}}) {
                            TintedGlow tinted;
                            glow.tint(tint, &tinted);
                            if (byWords) {
                                GlowSprite::drawTintedByWords(screen, left, top, tinted, window[0],
                                                              window[1]);
                            } else {
                                GlowSprite::drawTinted(screen, left, top, tinted, window[0],
                                                       window[1]);
                            }
                            addGlowByTheRule(expected, sprite, gates, left, top, tint, window[0],
                                             window[1]);
                        }
                    }
                }
                ASSERT_TRUE(std::equal(expected.begin(), expected.end(), screen))
                    << "lowByteGates " << gates << ", by words " << byWords << ", offset "
                    << offset;
            }
        }
    }
}
