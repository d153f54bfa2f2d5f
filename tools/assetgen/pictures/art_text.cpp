// Text through FreeType from Debian's DejaVu faces. Smooth text is laid out
// unhinted at fractional pen positions, so letter spacing stays even after
// condensing; pixel-exact text is hinted and rendered one bit deep, so each
// stroke is a single clean pixel wide.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstddef>
#include <cstdio>

#include "pictures/art.h"

namespace art {
namespace {

constexpr const char* kFontFiles[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
};
constexpr int kFaceCount = 4;

FT_Library gLibrary = nullptr;
FT_Face gFaces[kFaceCount] = {};

FT_Face faceFor(const TextStyle& style) {
    FT_Face face = gFaces[int(style.face)];
    if (style.pixelExact) {
        FT_Set_Pixel_Sizes(face, 0, FT_UInt(std::lround(style.size)));
        FT_Set_Transform(face, nullptr, nullptr);
    } else {
        FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(style.size * 64)), 72, 72);
    }
    return face;
}

FT_Int32 loadFlags(const TextStyle& style) {
    return style.pixelExact ? FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME
                            : FT_LOAD_RENDER | FT_LOAD_NO_HINTING;
}

// Loads and renders one glyph with its origin at the fractional pen offset.
bool renderGlyph(FT_Face face, const TextStyle& style, FT_UInt index, float penFraction) {
    if (!style.pixelExact) {
        FT_Matrix condense = {FT_Fixed(std::lround(style.condense * 65536)), 0, 0, 0x10000};
        FT_Vector delta = {FT_Pos(std::lround(penFraction * 64)), 0};
        FT_Set_Transform(face, &condense, &delta);
    }
    return FT_Load_Glyph(face, index, loadFlags(style)) == 0;
}

float kerning(FT_Face face, const TextStyle& style, FT_UInt left, FT_UInt right) {
    if (left == 0 || !FT_HAS_KERNING(face)) return 0;
    FT_Vector k;
    if (FT_Get_Kerning(face, left, right, FT_KERNING_UNFITTED, &k) != 0) return 0;
    const float pixels = float(k.x) / 64;
    return style.pixelExact ? std::round(pixels) : pixels * style.condense;
}

// Walks the text, calling visit(bitmap, left, top) for each rendered glyph,
// and returns the pen position after the last one.
template <typename Visit>
float layout(const std::string& text, const TextStyle& style, float x, Visit visit) {
    FT_Face face = faceFor(style);
    float pen = x;
    FT_UInt previous = 0;
    for (unsigned char ch : text) {
        const FT_UInt index = FT_Get_Char_Index(face, ch);
        pen += kerning(face, style, previous, index);
        const float whole = std::floor(pen);
        if (!renderGlyph(face, style, index, pen - whole)) continue;
        const FT_GlyphSlot g = face->glyph;
        visit(g->bitmap, int(whole) + g->bitmap_left, g->bitmap_top);
        pen += float(g->advance.x) / 64 + style.tracking;
        if (style.pixelExact) pen = std::round(pen);
        previous = index;
    }
    return pen - style.tracking;
}

}  // namespace

bool loadTypefaces() {
    if (gLibrary != nullptr) return true;
    if (FT_Init_FreeType(&gLibrary) != 0) {
        printf("gen_pictures: cannot start FreeType\n");
        gLibrary = nullptr;
        return false;
    }
    for (int i = 0; i < kFaceCount; ++i) {
        if (FT_New_Face(gLibrary, kFontFiles[i], 0, &gFaces[i]) != 0) {
            printf("gen_pictures: cannot open font %s\n", kFontFiles[i]);
            FT_Done_FreeType(gLibrary);
            gLibrary = nullptr;
            return false;
        }
    }
    return true;
}

float textWidth(const std::string& text, const TextStyle& style) {
    return layout(text, style, 0, [](const FT_Bitmap&, int, int) {});
}

void addText(Mask& m, const std::string& text, const TextStyle& style, float x, float baseline) {
    const int base = int(std::lround(baseline));
    layout(text, style, x, [&](const FT_Bitmap& b, int left, int top) {
        for (unsigned row = 0; row < b.rows; ++row) {
            const int y = base - top + int(row);
            if (y < 0 || y >= m.height) continue;
            const unsigned char* line = b.buffer + ptrdiff_t(row) * b.pitch;
            for (unsigned col = 0; col < b.width; ++col) {
                const int px = left + int(col);
                if (px < 0 || px >= m.width) continue;
                const float v = b.pixel_mode == FT_PIXEL_MODE_MONO
                                    ? float((line[col >> 3] >> (7 - (col & 7))) & 1)
                                    : float(line[col]) / 255;
                float& dst = m.at(px, y);
                if (v > dst) dst = v;
            }
        }
    });
}

void addTextCentred(Mask& m, const std::string& text, const TextStyle& style, float cx,
                    float baseline) {
    float x = cx - textWidth(text, style) / 2;
    if (style.pixelExact) x = std::round(x);
    addText(m, text, style, x, baseline);
}

float capHeight(const TextStyle& style) {
    FT_Face face = faceFor(style);
    if (!renderGlyph(face, style, FT_Get_Char_Index(face, 'H'), 0)) return 0;
    return float(face->glyph->metrics.horiBearingY) / 64;
}

}  // namespace art
