// font_sheet.h - draws the font sheet "data/font.png".
//
// 8 x 9 cells, 16 a row, glyph g = code - 32 at cell (g mod 16, g div 16),
// codes 32-102 in 5 rows: 128 x 45 pixels. Magenta (255, 0, 255) is the
// transparent key. Codes 97-102 are the loading-bar pieces: empty left end,
// empty middle, empty right end, then the same three filled. They fill their
// whole 8-pixel width so that they join seamlessly at the console's pitch.
#pragma once

#include "common/asset_files.h"

constexpr int kCellWidth = 8;
constexpr int kCellHeight = 9;
constexpr int kSheetWidth = 16 * kCellWidth;
constexpr int kSheetHeight = 5 * kCellHeight;

RgbPicture drawFontSheet();
