#include "font/font_sheet.h"

#include "font/glyphs.h"

namespace {

struct Rgb {
    uint8_t r, g, b;
};

constexpr Rgb kKey = {255, 0, 255};
constexpr Rgb kInk = {200, 255, 176};  // pale mint, light against the green frame lines
constexpr Rgb kShadow = {0, 64, 16};   // keeps text legible over bright pictures
constexpr Rgb kFrame = {112, 216, 0};  // the demo's frame-line green, 0x76C0
constexpr Rgb kEmpty = {8, 36, 8};

// The filled bar's inside, lit from above: a highlight on its second row.
Rgb filledShade(int row) {
    static constexpr Rgb kRows[7] = {{120, 240, 80}, {200, 255, 150}, {150, 248, 100},
                                     {110, 228, 60}, {88, 208, 44},   {72, 192, 32},
                                     {56, 176, 24}};
    return kRows[row - 1];
}

void put(RgbPicture& sheet, int cellX, int cellY, int x, int y, Rgb c) {
    sheet.set(cellX + x, cellY + y, c.r, c.g, c.b);
}

bool inked(int index, int x, int y) {
    return x >= 0 && x < 5 && y >= 0 && y < kGlyphRows && kGlyphs[index][y][x] == '#';
}

// Ink at columns 1-5 and rows 1-7 of the cell, with a shadow one pixel down
// and right; the advance of 7 pixels leaves the eighth column to the shadow.
void drawGlyph(RgbPicture& sheet, int index, int cellX, int cellY) {
    for (int y = 0; y < kCellHeight; ++y) {
        for (int x = 0; x < kCellWidth; ++x) {
            const int gx = x - 1, gy = y - 1;
            if (inked(index, gx, gy)) {
                put(sheet, cellX, cellY, x, y, kInk);
            } else if (inked(index, gx - 1, gy - 1)) {
                put(sheet, cellX, cellY, x, y, kShadow);
            }
        }
    }
}

enum class BarPiece { kLeft, kMiddle, kRight };

void drawBarPiece(RgbPicture& sheet, BarPiece piece, bool filled, int cellX, int cellY) {
    for (int y = 0; y < kCellHeight; ++y) {
        for (int x = 0; x < kCellWidth; ++x) {
            const bool edgeRow = y == 0 || y == kCellHeight - 1;
            const bool endColumn = (piece == BarPiece::kLeft && x == 0) ||
                                   (piece == BarPiece::kRight && x == kCellWidth - 1);
            Rgb c;
            if (edgeRow && endColumn) {
                c = kKey;  // rounded corners
            } else if (edgeRow || endColumn) {
                c = kFrame;
            } else {
                c = filled ? filledShade(y) : kEmpty;
            }
            put(sheet, cellX, cellY, x, y, c);
        }
    }
}

}  // namespace

RgbPicture drawFontSheet() {
    RgbPicture sheet(kSheetWidth, kSheetHeight);
    for (int y = 0; y < kSheetHeight; ++y) {
        for (int x = 0; x < kSheetWidth; ++x) sheet.set(x, y, kKey.r, kKey.g, kKey.b);
    }
    const auto cellOf = [](int code, int& cellX, int& cellY) {
        const int g = code - kFirstGlyphCode;
        cellX = kCellWidth * (g % 16);
        cellY = kCellHeight * (g / 16);
    };
    int cx, cy;
    for (int code = kFirstGlyphCode; code <= kLastTextCode; ++code) {
        cellOf(code, cx, cy);
        drawGlyph(sheet, code - kFirstGlyphCode, cx, cy);
    }
    const BarPiece pieces[3] = {BarPiece::kLeft, BarPiece::kMiddle, BarPiece::kRight};
    for (int i = 0; i < 6; ++i) {
        cellOf('a' + i, cx, cy);
        drawBarPiece(sheet, pieces[i % 3], i >= 3, cx, cy);
    }
    return sheet;
}
