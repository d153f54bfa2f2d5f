// The bitmap font and the loading-screen console, drawn with the generated
// font sheet.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "common/asset_files.h"
#include "font/font_sheet.h"
#include "video/display.h"
#include "video/font.h"
#include "video/text_console.h"

namespace {

class Text : public ::testing::Test {
  protected:
    void SetUp() override {
        const RgbPicture sheet = drawFontSheet();
        char path[] = "/tmp/fontXXXXXX.png";
        close(mkstemps(path, 4));
        ASSERT_TRUE(writePng(path, sheet));
        font = new Font(path, 8, 9, -1, 32, 102);
        unlink(path);
        display = Display::instance();
        clear(0x1234);
    }
    void TearDown() override { delete font; }
    void clear(uint16_t colour) {
        for (int i = 0; i < display->pixelCount; ++i) display->pixels[i] = colour;
    }
    // True if the screen rectangle holds exactly the non-key pixels of the
    // glyph's sheet cell, and the background elsewhere in the rectangle.
    bool showsGlyph(int code, int x, int y, uint16_t background) {
        const int g = code - 32;
        for (int t = 0; t < 9; ++t) {
            for (int j = 0; j < 8; ++j) {
                const uint16_t sheet =
                    font->image->pixels[(9 * (g / 16) + t) * 128 + 8 * (g % 16) + j];
                const uint16_t screen = display->pixels[(y + t) * 320 + x + j];
                if (screen != (sheet == kColourKey ? background : sheet)) return false;
            }
        }
        return true;
    }
    int changedPixels(uint16_t background) {
        int n = 0;
        for (int i = 0; i < display->pixelCount; ++i) n += display->pixels[i] != background;
        return n;
    }
    Font* font = nullptr;
    Display* display = nullptr;
};

}  // namespace

TEST_F(Text, DrawsGlyphCellsWithTheKeyTransparent) {
    font->drawString(10, 20, "A");
    EXPECT_TRUE(showsGlyph('A', 10, 20, 0x1234));
    clear(0x1234);
    font->drawString(10, 20, "AB\nD");
    EXPECT_TRUE(showsGlyph('B', 17, 20, 0x1234));
    clear(0x1234);
    font->drawString(10, 20, "   \nD");
    EXPECT_TRUE(showsGlyph('D', 10, 30, 0x1234));
}

TEST_F(Text, CodesWithoutGlyphDrawNothingButAdvance) {
    font->drawString(10, 20, " \x01\x7f\xff");
    EXPECT_EQ(changedPixels(0x1234), 0);
    font->drawString(10, 20,
                     "\x01\x7f"
                     "A");
    EXPECT_TRUE(showsGlyph('A', 24, 20, 0x1234));
    font->drawString(10, 20, "");
}

TEST_F(Text, ConsoleWrapsAfterColumn38) {
    TextConsole console;
    console.setCursor(0, 3);
    console.print(std::string(39, 'X').c_str());
    EXPECT_EQ(console.cursorColumn, 0);
    EXPECT_EQ(console.cursorRow, 4);
    EXPECT_EQ(console.cells[3][38], 'X');
    EXPECT_EQ(console.cells[4][0], 0);
}

TEST_F(Text, ConsoleScrollsBelowTheLastRow) {
    TextConsole console;
    console.setCursor(0, 0);
    console.print("top\nsecond");
    console.setCursor(4, 22);
    console.print("\n");
    // "top" scrolled off; row 1 became row 0 and the last row is empty.
    EXPECT_EQ(memcmp(console.cells[0], "second", 7), 0);
    EXPECT_EQ(console.cells[22][4], 0);
    EXPECT_EQ(console.cursorRow, 22);
    EXPECT_EQ(console.cursorColumn, 0);

    TextConsole wrapping;
    wrapping.setCursor(0, 22);
    wrapping.print((std::string(39, 'a') + "b").c_str());
    EXPECT_EQ(wrapping.cells[22][0], 'b');
    EXPECT_EQ(wrapping.cells[21][38], 'a');
    EXPECT_EQ(wrapping.cursorColumn, 1);
}

TEST_F(Text, LoadingBarFillsCellByCell) {
    TextConsole console;
    console.setFont(font);
    console.setCursor(5, 11);
    console.print("abbbbbbbbbbbbbbbbbbbbbbbbbbc");
    console.setCursor(5, 11);
    console.render(true);
    EXPECT_TRUE(showsGlyph('a', 45, 115, 0));
    EXPECT_TRUE(showsGlyph('c', 45 + 27 * 8, 115, 0));
    for (int i = 0; i < 28; ++i) console.advanceProgress();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&console.cells[11][5]), 28),
              "d" + std::string(26, 'e') + "f");
    EXPECT_EQ(console.cursorColumn, 33);
    EXPECT_EQ(console.cursorRow, 11);
    EXPECT_TRUE(showsGlyph('d', 45, 115, 0));
    EXPECT_TRUE(showsGlyph('f', 45 + 27 * 8, 115, 0));
    console.advanceProgress();
    EXPECT_EQ(console.cells[11][33], 'e');
}

TEST_F(Text, RenderWithoutClearKeepsWhatIsUnderBlankCells) {
    TextConsole console;
    console.setFont(font);
    console.setCursor(0, 0);
    console.print(" ");
    console.render(false);
    EXPECT_EQ(changedPixels(0x1234), 0);
    console.render(true);
    EXPECT_EQ(changedPixels(0), 0);
}
