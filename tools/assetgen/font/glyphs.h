// glyphs.h - the drawings of the demo's bitmap font.
//
// 5 x 7 upper-case letters, digits and punctuation for codes 32-96, and the
// six loading-bar pieces at codes 97-102 ("a"-"f"). Each glyph row is a string
// of 5 characters, '#' for ink.
#pragma once

constexpr int kFirstGlyphCode = 32;
constexpr int kLastTextCode = 96;
constexpr int kGlyphRows = 7;

// Drawing of code (kFirstGlyphCode + index), index 0..64.
extern const char* const kGlyphs[kLastTextCode - kFirstGlyphCode + 1][kGlyphRows];
