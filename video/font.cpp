#include "video/font.h"

#include "video/display.h"

Font* gFont = nullptr;

Font::Font(const char* path, int cw, int ch, int sp, int first, int last)
    : cellWidth(cw),
      cellHeight(ch),
      spacing(sp),
      firstChar(first),
      lastChar(last),
      // A sheet too small for its glyphs is refused with its size and the
      // one needed: 16 cells a row, as many rows as the glyphs fill.
      image(loadPicture(path, 16 * cw, (last - first + 16) / 16 * ch)) {}

Font::~Font() {
    delete image;
}

void Font::drawGlyph(uint16_t* screen, int stride, int x, int y, int glyph) const {
    const int sheetX = cellWidth * (glyph % 16);
    const int sheetY = cellHeight * (glyph / 16);
    // A glyph whose cell lies outside the sheet has no pixels to copy.
    if (sheetX + cellWidth > image->width || sheetY + cellHeight > image->height) return;
    for (int j = 0; j < cellWidth; ++j) {
        for (int t = 0; t < cellHeight; ++t) {
            const uint16_t pixel = image->pixels[(sheetY + t) * image->width + sheetX + j];
            if (pixel != kColourKey) screen[(y + t) * stride + x + j] = pixel;
        }
    }
}

void Font::drawString(int x, int y, const char* text) const {
    Display* display = Display::instance();
    int xOffset = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const int ch = *p;
        if (ch == '\n') {
            xOffset = 0;
            y += cellHeight + 1;
            continue;
        }
        int glyph = ch <= lastChar ? ch - firstChar : -firstChar;
        if (glyph < 0) glyph = 0;
        if (glyph > 0) drawGlyph(display->pixels, display->width, x + xOffset, y, glyph);
        xOffset += cellWidth + spacing;
    }
}
