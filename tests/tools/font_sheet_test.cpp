#include "font/font_sheet.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

namespace {

using Rgb = std::array<uint8_t, 3>;

Rgb pixel(const RgbPicture& sheet, int x, int y) {
    const uint8_t* p = &sheet.rgb[(size_t(y) * sheet.width + x) * 3];
    return {p[0], p[1], p[2]};
}

constexpr Rgb kKey = {255, 0, 255};

// The cell of a character code as a column-major list of pixels.
std::vector<Rgb> column(const RgbPicture& sheet, int code, int x) {
    const int g = code - 32;
    std::vector<Rgb> out;
    for (int y = 0; y < kCellHeight; ++y)
        out.push_back(pixel(sheet, 8 * (g % 16) + x, 9 * (g / 16) + y));
    return out;
}

std::vector<Rgb> cell(const RgbPicture& sheet, int code) {
    std::vector<Rgb> out;
    for (int x = 0; x < kCellWidth; ++x) {
        const auto c = column(sheet, code, x);
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

}  // namespace

TEST(FontSheet, HoldsCodes32To102InSixteenColumns) {
    const RgbPicture sheet = drawFontSheet();
    EXPECT_EQ(sheet.width, 128);
    EXPECT_EQ(sheet.height, 45);
    // The space is all key; every letter, digit and sign has ink, and no two
    // printable glyphs look the same.
    for (const Rgb& p : cell(sheet, ' ')) EXPECT_EQ(p, kKey);
    std::set<std::vector<Rgb>> seen;
    for (int code = 33; code <= 96; ++code) {
        const auto c = cell(sheet, code);
        int ink = 0;
        for (const Rgb& p : c) ink += p != kKey;
        EXPECT_GT(ink, 2) << char(code);
        EXPECT_TRUE(seen.insert(c).second) << char(code) << " repeats another glyph";
    }
    // A glyph's last column is left to the shadow, so the 7-pixel advance
    // never overlaps ink with the next glyph.
    for (int code = 33; code <= 96; ++code) {
        for (int y = 0; y < kCellHeight; ++y) {
            const Rgb p = column(sheet, code, 0)[y];
            EXPECT_EQ(p, kKey) << char(code);
        }
    }
}

TEST(FontSheet, LoadingBarPiecesJoinSeamlessly) {
    const RgbPicture sheet = drawFontSheet();
    for (int filled = 0; filled < 2; ++filled) {
        const int left = 'a' + 3 * filled, middle = left + 1, right = left + 2;
        // Middle pieces repeat: the column after a middle's last is a middle's
        // first, so neighbouring columns must continue the same rows.
        EXPECT_EQ(column(sheet, middle, 7), column(sheet, middle, 0));
        EXPECT_EQ(column(sheet, left, 7), column(sheet, middle, 0));
        EXPECT_EQ(column(sheet, middle, 7), column(sheet, right, 0));
        // The pieces fill their whole width but for the rounded corners.
        for (int code : {left, middle, right}) {
            int key = 0;
            for (const Rgb& p : cell(sheet, code)) key += p == kKey;
            EXPECT_EQ(key, code == middle ? 0 : 2) << char(code);
        }
    }
    // Empty and filled differ inside, share the frame.
    EXPECT_NE(column(sheet, 'b', 3)[4], column(sheet, 'e', 3)[4]);
    EXPECT_EQ(column(sheet, 'b', 3)[0], column(sheet, 'e', 3)[0]);
}
