// greets.cpp - "data/greets.png", the text the cube wall spells out.
//
// Every pixel is one cube of the greets scene's 22 x 15 wall; a black pixel
// is a cube drawn black on black, that is no cube. The wall shows 22 columns
// at a time and moves on about 15 columns a second, so in the scene's 21
// seconds, less its fly-out, it shows the first 300 or so of the 512 columns.
// To greet a dozen groups in that span the text runs in two lines, seven
// rows each with an empty row between, in DejaVu Sans hinted to one-bit
// strokes a pixel wide, the second line starting half a name later so the
// eye can take them in turn. The flat shading shows a cube at about a third
// of its colour, so the colours are the palette's brightest, running as a
// gradient along the text and returning to their start at the 512-column
// wrap.
#include "pictures/pictures.h"

using namespace art;

namespace {

constexpr int kWidth = 512, kHeight = 15;
constexpr int kReadable = 300;  // columns that pass through the wall before it leaves

// Invented groups, greeted two lines at a time.
const char* const kTopLine[] = {"KALVOS", "ZOTTEK", "PULVIN", "HUMLIK", "OSKELA", "WENDRA"};
const char* const kBottomLine[] = {"VEMBLA", "TRUNDO", "FYRKET", "MOLDAN", "GAVRIK", "SELKIA"};

// Lays the names out from column start with equal gaps, the last ending by
// column end.
template <size_t N>
void addLine(Mask& m, const char* const (&names)[N], const TextStyle& style, int start, int end,
             int baseline) {
    float total = 0;
    for (const char* name : names) total += textWidth(name, style);
    const float gap = std::floor((float(end - start) - total) / float(N - 1));
    float x = float(start);
    for (const char* name : names) {
        addText(m, name, style, x, float(baseline));
        x += textWidth(name, style) + gap;
    }
}

}  // namespace

Canvas drawGreets() {
    const TextStyle style{Typeface::kSans, 10, 1, 0, true};
    Mask text(kWidth, kHeight);
    addLine(text, kTopLine, style, 1, kReadable - 18, 7);
    addLine(text, kBottomLine, style, 19, kReadable, 15);

    // The palette's lightest shades, rich in green (the shading keeps about
    // a quarter of a colour, and green carries most of what the eye sees):
    // lime, gold, warm white, peach, lavender, and back to lime.
    const std::vector<Colour> stops = {fromRgb(0x9CFF20), fromRgb(0xFFF040), palette::kSpark,
                                       fromRgb(0xFFC8A0), fromRgb(0xC8B4FF), fromRgb(0x9CFF20)};
    Canvas canvas(kWidth, kHeight);
    canvas.fillAll([&](int x, int y) {
        if (text.at(x, y) < 0.5f) return palette::kBlack;
        // The lower line runs a little ahead in the gradient than the upper.
        const float t = (float(x) + (y > 7 ? 40.0f : 0.0f)) / 300.0f;
        // Each colour at full strength in its brightest channel.
        const Colour c = gradient(stops, t - std::floor(t));
        return c * (1 / std::max({c.r, c.g, c.b}));
    });
    return canvas;
}
