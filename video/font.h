// font.h - the bitmap font: a PNG sheet of fixed-size glyph cells.
//
// The sheet has 16 cells a row; glyph g = code - firstChar sits at cell
// (g mod 16, g div 16). Pixels equal to kColourKey are transparent. Glyph 0
// (the space) is never drawn, and every code without a glyph draws as glyph 0.
#pragma once

#include "video/image.h"

class Font {
  public:
    static constexpr int kCellsARow = 16;

    Font(const char* path, int cellWidth, int cellHeight, int spacing, int firstChar, int lastChar);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Draws text with its first cell's top-left corner at (x, y). A newline
    // returns to x on the row cellHeight + 1 below; every other byte advances
    // by cellWidth + spacing. No clipping: callers keep text on the screen.
    void drawString(int x, int y, const char* text) const;

    int cellWidth;
    int cellHeight;
    int spacing;
    int firstChar;
    int lastChar;
    Image* image;

  private:
    void drawGlyph(uint16_t* screen, int stride, int x, int y, int glyph) const;
};

// The program's one font, from "data/font.png".
extern Font* gFont;
